// The localized string loaders against LoadStringW on strings.rc's DLL and Wine's.
#include "resources/LocalizedString.h"

#include "TestSupport.h"
#include "library/Handles.h"

#include <algorithm>

namespace {

constexpr WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr BYTE kPoison = 0xbd;

// LoadStringW follows the thread's locale, the framework's loader the
// resource handle: the test sets both, and this puts them back.
struct Restore {
    ~Restore() { SetThreadLocale(m_locale), AfxSetResourceHandle(m_resources); }
    LCID m_locale = GetThreadLocale();
    HINSTANCE m_resources = AfxGetResourceHandle();
};

// Every id of one block in one language, through every loader that can ask
// for it; an empty or absent string leaves the buffers untouched. The library
// asks for US English whatever the thread's locale; only for a string that
// English lacks does the framework's loader answer, in the thread's language.
void ExpectBlockMatchesPlatform(HMODULE module, WORD block, WORD languageId)
{
    Restore restore;
    ASSERT_TRUE(SetThreadLocale(MAKELCID(languageId, SORT_DEFAULT)));
    AfxSetResourceHandle(module);
    for (UINT id = (block - 1u) * 16; id < block * 16u; ++id) {
        SCOPED_TRACE(testing::Message() << "block " << block << " language " << languageId << " id " << id);
        const WCHAR* own = nullptr;   // with no buffer, LoadStringW hands out the resource's own text
        const int ownLength = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&own), 0);
        const std::wstring expected(own, size_t(std::max(ownLength, 0)));
        std::vector<WCHAR> wide(32768, WCHAR(0xbdbd));
        const int length = LoadLocalizedStringW(module, id, wide.data(), UINT(wide.size() * 2), languageId);
        EXPECT_EQ(expected, std::wstring(wide.data(), size_t(length)));
        EXPECT_TRUE(!expected.empty() || wide[0] == WCHAR(0xbdbd)) << "an absent string was written";
        const int english = LoadLocalizedStringW(module, id, wide.data(), UINT(wide.size() * 2), kEnglish);
        // In the ANSI code page: here the table's, 1252.
        const CString ansi(english ? std::wstring(wide.data(), size_t(english)).c_str() : expected.c_str());
        EXPECT_STREQ(ansi, LoadLocalizedString(id));
        std::string narrow(65536, char(kPoison));
        EXPECT_EQ(english, LoadLocalizedStringA(module, id, &narrow[0], int(narrow.size())));
        if (english)
            EXPECT_STREQ(ansi, narrow.c_str());
        else
            EXPECT_EQ(char(kPoison), narrow[0]) << "an absent string was written";
    }
}

// Every string block of the test DLL (beside this program, where LoadLibraryA
// looks first) and of real tables, in each language that the thread's locale
// can steer LoadStringW to. Block 0x800 of the test DLL is malformed on
// purpose and checked on its own.
TEST(LocalizedStringTest, EveryBlockAndLanguageMatchesLoadStringW)
{
    for (const char* dll : {"cfu_test_strings.dll", "user32.dll", "shell32.dll", "comctl32.dll"}) {
        SCOPED_TRACE(dll);
        cfu::unique_hmodule module(LoadLibraryA(dll));
        int english = 0;   // blocks in US English: none when the module did not load
        EnumResourceNamesA(module.get(), RT_STRING, [](HMODULE m, LPCSTR type, LPSTR name, LONG_PTR count) -> BOOL {
            EnumResourceLanguagesA(m, type, name, [](HMODULE m, LPCSTR, LPCSTR name, WORD language, LONG_PTR count) {
                const WORD block = LOWORD(reinterpret_cast<ULONG_PTR>(name));
                *reinterpret_cast<int*>(count) += language == kEnglish;
                if (block != 0x800 && SUBLANGID(language) != SUBLANG_NEUTRAL &&
                    IsValidLocale(MAKELCID(language, SORT_DEFAULT), LCID_SUPPORTED))
                    ExpectBlockMatchesPlatform(m, block, language);
                return TRUE;
            }, count);
            return TRUE;
        }, reinterpret_cast<LONG_PTR>(&english));
        EXPECT_LT(0, english);
    }
}

// "Ten chars!" (id 100) into buffers of every awkward size; block 0x800 claims
// three characters for its first entry but holds two.
TEST(LocalizedStringTest, BuffersAreCutTerminatedAndNeverOverrun)
{
    cfu::unique_hmodule strings(LoadLibraryA("cfu_test_strings.dll"));
    HMODULE module = strings.get();
    BYTE wide[24];
    char narrow[24];
    for (UINT bytes : {0u, 1u, 2u, 3u, 8u, 22u}) {
        SCOPED_TRACE(bytes);
        memset(wide, kPoison, sizeof wide);
        memset(narrow, kPoison, sizeof narrow);
        const int length = LoadLocalizedStringW(module, 100, reinterpret_cast<WCHAR*>(wide), bytes, kEnglish);
        EXPECT_EQ(std::min(10, std::max(int(bytes / 2), 1) - 1), length);
        EXPECT_EQ(0, memcmp(wide, L"Ten chars!", size_t(length) * 2));
        EXPECT_EQ(std::vector<BYTE>(bytes - length * 2, 0), std::vector<BYTE>(wide + length * 2, wide + bytes));
        EXPECT_EQ(kPoison, wide[bytes]);

        EXPECT_EQ(10, LoadLocalizedStringA(module, 100, narrow, int(bytes / 2)));   // the full length always
        EXPECT_EQ(char(kPoison), narrow[bytes / 2]);
        EXPECT_EQ(std::string("Ten chars!").substr(0, std::max(bytes / 2, 1u) - 1),
                  std::string(narrow, strnlen(narrow, bytes / 2)));
    }
    memset(wide, kPoison, sizeof wide);
    EXPECT_EQ(3, LoadLocalizedStringW(module, 0x7FF0, reinterpret_cast<WCHAR*>(wide), sizeof wide, kEnglish));
    EXPECT_EQ(kPoison, wide[0]);
    EXPECT_EQ(3, LoadLocalizedStringA(module, 0x7FF0, narrow, sizeof narrow));
    EXPECT_EQ(0, narrow[0]);
    EXPECT_EQ(0, LoadLocalizedStringW(module, 0x7FF1, nullptr, sizeof wide, kEnglish));   // the walk left the block
    EXPECT_EQ(39, LoadLocalizedStringW(module, 0x10000F, nullptr, 128, kEnglish));   // ids wrap at 16 bits, as there
}

} // namespace
