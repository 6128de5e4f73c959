// The localized string loaders against the platform's LoadStringW on the
// same modules: a string-table DLL built for these tests and the string
// tables of Wine's own system DLLs.
#include "resources/LocalizedString.h"

#include "TestSupport.h"
#include "library/Handles.h"

#include <string>
#include <vector>

namespace {

constexpr WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr WORD kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
constexpr BYTE kPoison = 0xbd;

// The platform resolves a string for the thread's locale.
class ThreadLocale
{
public:
    explicit ThreadLocale(WORD languageId) : m_old(GetThreadLocale())
    {
        m_set = SetThreadLocale(MAKELCID(languageId, SORT_DEFAULT));
    }
    ~ThreadLocale() { SetThreadLocale(m_old); }
    bool Set() const { return m_set; }

private:
    LCID m_old;
    bool m_set;
};

class ResourceHandle
{
public:
    explicit ResourceHandle(HMODULE module) : m_old(AfxGetResourceHandle()) { AfxSetResourceHandle(module); }
    ~ResourceHandle() { AfxSetResourceHandle(m_old); }

private:
    HINSTANCE m_old;
};

// LoadStringW with no buffer hands out the resource's own text.
std::wstring PlatformString(HMODULE module, UINT id)
{
    const WCHAR* text = nullptr;
    int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, size_t(length)) : std::wstring();
}

std::string Narrow(const std::wstring& text, UINT codePage)
{
    std::string narrow(text.size() * 2 + 1, '\0');
    int bytes = WideCharToMultiByte(codePage, 0, text.c_str(), -1, &narrow[0], int(narrow.size()), NULL, NULL);
    narrow.resize(bytes > 0 ? size_t(bytes) - 1 : 0);
    return narrow;
}

std::vector<WORD> StringBlocks(HMODULE module)
{
    std::vector<WORD> blocks;
    EnumResourceNamesA(module, RT_STRING, [](HMODULE, LPCSTR, LPSTR name, LONG_PTR found) -> BOOL {
        reinterpret_cast<std::vector<WORD>*>(found)->push_back(LOWORD(reinterpret_cast<ULONG_PTR>(name)));
        return TRUE;
    }, reinterpret_cast<LONG_PTR>(&blocks));
    return blocks;
}

std::vector<WORD> BlockLanguages(HMODULE module, WORD block)
{
    std::vector<WORD> languages;
    EnumResourceLanguagesA(module, RT_STRING, MAKEINTRESOURCEA(block),
                           [](HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) -> BOOL {
                               reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
                               return TRUE;
                           }, reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

// Every id of one block in one language, through every loader that can ask
// for it, against LoadStringW with the thread set to that language.
void ExpectBlockMatchesPlatform(HMODULE module, WORD block, WORD languageId)
{
    ThreadLocale locale(languageId);
    ASSERT_TRUE(locale.Set());
    ResourceHandle resources(module);
    bool current = languageId == CurrentLanguage().languageId;
    for (UINT id = (block - 1u) * 16; id < block * 16u; ++id) {
        SCOPED_TRACE(testing::Message() << "block " << block << " language " << std::hex << languageId
                                        << " id " << std::dec << id);
        std::wstring expected = PlatformString(module, id);
        std::vector<WCHAR> wide(32768);
        int length = LoadLocalizedStringW(module, id, wide.data(), UINT(wide.size() * 2), languageId);
        EXPECT_EQ(std::wstring(wide.data(), size_t(length)), expected);
        EXPECT_EQ(LoadLocalizedStringW(module, id, nullptr, UINT(wide.size() * 2), languageId), length);
        if (!current)
            continue;
        std::vector<char> narrow(65536, char(kPoison));
        EXPECT_EQ(LoadLocalizedStringA(module, id, narrow.data(), int(narrow.size())), int(expected.size()));
        if (!expected.empty()) {
            EXPECT_EQ(std::string(narrow.data()), Narrow(expected, CurrentLanguage().codePage));
            EXPECT_EQ(std::string(LoadLocalizedString(id)), std::string(CString(expected.c_str())));
        }
    }
}

class LocalizedStrings : public testing::Test
{
protected:
    void SetUp() override
    {
        char path[MAX_PATH];
        GetModuleFileNameA(NULL, path, MAX_PATH);
        std::string dll(path);
        dll = dll.substr(0, dll.find_last_of('\\') + 1) + "cfu_test_strings.dll";
        m_module = LoadLibraryA(dll.c_str());
        ASSERT_NE(m_module, nullptr) << dll;
    }
    void TearDown() override
    {
        if (m_module)
            FreeLibrary(m_module);
    }

    HMODULE m_module = NULL;
};

TEST(LanguageTable, EveryLoadAsksForUsEnglishInWindowsLatin1)
{
    const LANGUAGE_INFO& language = CurrentLanguage();
    EXPECT_EQ(language.index, 0u);
    EXPECT_STREQ(language.code, "ENU");
    EXPECT_EQ(language.languageId, 0x0409u);
    EXPECT_EQ(language.codePage, 1252u);
}

TEST_F(LocalizedStrings, EveryBlockAndLanguageMatchesLoadStringW)
{
    std::vector<WORD> blocks = StringBlocks(m_module);
    // Blocks 1, 2, 7, 13, 0x124, 0x800 and 0x1000.
    ASSERT_EQ(blocks.size(), 7u);
    for (WORD block : blocks) {
        for (WORD language : BlockLanguages(m_module, block)) {
            if (block != 0x800)    // the malformed block is checked on its own
                ExpectBlockMatchesPlatform(m_module, block, language);
        }
    }
}

TEST_F(LocalizedStrings, IdsMapToBlocksAndEntries)
{
    WCHAR text[64];
    EXPECT_EQ(LoadLocalizedStringW(m_module, 0, text, sizeof text, kEnglish), 4);
    EXPECT_STREQ(text, L"Zero");
    EXPECT_EQ(LoadLocalizedStringW(m_module, 15, text, sizeof text, kEnglish), 39);
    EXPECT_STREQ(text, L"Fifteen, the sixteenth entry of block 1");
    EXPECT_EQ(LoadLocalizedStringW(m_module, 16, text, sizeof text, kEnglish), 0);
    EXPECT_EQ(LoadLocalizedStringW(m_module, 17, text, sizeof text, kEnglish), 9);
    EXPECT_STREQ(text, L"Seventeen");
    EXPECT_EQ(LoadLocalizedStringW(m_module, 0xFFFF, text, sizeof text, kEnglish), 20);
    EXPECT_STREQ(text, L"The very last string");
    EXPECT_EQ(LoadLocalizedStringW(m_module, 0xFFFF, text, sizeof text, kGerman), 30);
    EXPECT_STREQ(text, L"Die allerletzte Zeichenkette \x00fc");
    // Block numbers are cut to 16 bits: 0x10000F lands in block 1 again.
    EXPECT_EQ(LoadLocalizedStringW(m_module, 0x10000F, text, sizeof text, kEnglish), 39);
}

TEST_F(LocalizedStrings, EmptyAndAbsentEntriesLeaveTheBufferAlone)
{
    for (UINT id : {2u, 4u, 16u, 0x7FFFu}) {
        SCOPED_TRACE(id);
        WCHAR wide[8];
        memset(wide, kPoison, sizeof wide);
        EXPECT_EQ(LoadLocalizedStringW(m_module, id, wide, sizeof wide, kEnglish), 0);
        EXPECT_EQ(BYTE(wide[0]), kPoison);
        char narrow[8];
        memset(narrow, kPoison, sizeof narrow);
        EXPECT_EQ(LoadLocalizedStringA(m_module, id, narrow, sizeof narrow), 0);
        EXPECT_EQ(BYTE(narrow[0]), kPoison);
    }
}

TEST_F(LocalizedStrings, SmallBuffersAreCutAndTerminatedWithinTheirSize)
{
    // "Ten chars!" into 8 bytes: three characters and a zero, nothing after.
    BYTE wide[12];
    memset(wide, kPoison, sizeof wide);
    EXPECT_EQ(LoadLocalizedStringW(m_module, 100, reinterpret_cast<WCHAR*>(wide), 8, kEnglish), 3);
    EXPECT_EQ(memcmp(wide, L"Ten", 8), 0);
    EXPECT_EQ(wide[8], kPoison);
    EXPECT_EQ(LoadLocalizedStringW(m_module, 100, nullptr, 8, kEnglish), 3);
    EXPECT_EQ(LoadLocalizedStringW(m_module, 100, reinterpret_cast<WCHAR*>(wide), 1, kEnglish), 0);
    EXPECT_EQ(wide[0], 0);
    EXPECT_EQ(wide[2], 'e');

    // The narrow form answers the full length whatever it could store.
    char narrow[12];
    memset(narrow, kPoison, sizeof narrow);
    EXPECT_EQ(LoadLocalizedStringA(m_module, 100, narrow, 5), 10);
    EXPECT_LE(strlen(narrow), 4u);
    EXPECT_EQ(std::string("Ten chars!").compare(0, strlen(narrow), narrow), 0);
    EXPECT_EQ(BYTE(narrow[5]), kPoison);
    EXPECT_EQ(LoadLocalizedStringA(m_module, 100, nullptr, 0), 10);
    memset(narrow, kPoison, sizeof narrow);
    EXPECT_EQ(LoadLocalizedStringA(m_module, 100, narrow, 0), 10);
    EXPECT_EQ(BYTE(narrow[0]), kPoison);
}

TEST_F(LocalizedStrings, TextIsConvertedWithTheTableCodePage)
{
    // Windows Latin 1 holds e acute; Omega takes the platform's best fit.
    char narrow[16];
    EXPECT_EQ(LoadLocalizedStringA(m_module, 3, narrow, sizeof narrow), 10);
    EXPECT_STREQ(narrow, "Caf\xe9 Omega");
}

TEST_F(LocalizedStrings, AnEntryOverrunningItsBlockGivesItsCountOnly)
{
    // Block 0x800 is a count of 3 followed by two characters.
    BYTE wide[16];
    memset(wide, kPoison, sizeof wide);
    EXPECT_EQ(LoadLocalizedStringW(m_module, 0x7FF0, reinterpret_cast<WCHAR*>(wide), sizeof wide, kEnglish), 3);
    EXPECT_EQ(wide[0], kPoison);
    char narrow[8];
    memset(narrow, kPoison, sizeof narrow);
    EXPECT_EQ(LoadLocalizedStringA(m_module, 0x7FF0, narrow, sizeof narrow), 3);
    EXPECT_EQ(narrow[0], '\0');
    // The walk to the next entry leaves the block.
    EXPECT_EQ(LoadLocalizedStringW(m_module, 0x7FF1, nullptr, sizeof wide, kEnglish), 0);
}

TEST_F(LocalizedStrings, TheLibraryLanguageWinsOverTheThreadLocale)
{
    ThreadLocale german(kGerman);
    ResourceHandle resources(m_module);
    EXPECT_EQ(std::string(LoadLocalizedString(1)), "One");
    EXPECT_EQ(std::string(LoadLocalizedString(101)).size(), 317u);
    // No English text: the framework's loader answers, in the thread's language.
    EXPECT_EQ(std::string(LoadLocalizedString(2)), "Zwei");
    EXPECT_EQ(std::string(LoadLocalizedString(200)), "Nur auf Deutsch");
    EXPECT_EQ(LoadLocalizedStringA(m_module, 200, nullptr, 0), 0);
    EXPECT_EQ(std::string(LoadLocalizedString(16)), "");
}

TEST_F(LocalizedStrings, RegDataLoadsTextAsRegSz)
{
    ResourceHandle resources(m_module);
    unsigned char bytes[] = {1, 0, 2};
    CRegData data(bytes, sizeof bytes, REG_BINARY);
    EXPECT_NE(data.LoadStringA(17), 0);
    EXPECT_EQ(std::string(data), "Seventeen");
    EXPECT_EQ(data.GetLength(), 9);
    EXPECT_EQ(data.GetType(), DWORD(REG_SZ));

    CRegData absent(bytes, sizeof bytes, REG_BINARY);
    EXPECT_EQ(absent.LoadStringA(16), 0);
    EXPECT_EQ(absent.GetLength(), 0);
    EXPECT_EQ(absent.GetType(), DWORD(REG_SZ));
}

class WineStringTables : public testing::TestWithParam<const char*>
{
};

// Wine's tables are in many languages; the platform's LoadStringW can be
// steered only to those with a sublanguage, through the thread's locale.
TEST_P(WineStringTables, EveryIdMatchesLoadStringW)
{
    cfu::unique_hmodule module(LoadLibraryA(GetParam()));
    ASSERT_NE(module.get(), nullptr);
    std::vector<WORD> blocks = StringBlocks(module.get());
    ASSERT_FALSE(blocks.empty());
    int englishBlocks = 0;
    for (WORD block : blocks) {
        for (WORD language : BlockLanguages(module.get(), block)) {
            if (SUBLANGID(language) == SUBLANG_NEUTRAL ||
                !IsValidLocale(MAKELCID(language, SORT_DEFAULT), LCID_SUPPORTED))
                continue;
            englishBlocks += language == kEnglish;
            ExpectBlockMatchesPlatform(module.get(), block, language);
        }
    }
    EXPECT_EQ(size_t(englishBlocks), blocks.size());
}

INSTANTIATE_TEST_SUITE_P(SystemDlls, WineStringTables,
                         testing::Values("user32.dll", "shell32.dll", "comctl32.dll"));

} // namespace
