// The resource manager against the platform's own loaders: the test
// libraries built beside this program, copies of them in an install and a
// module directory, Wine's system DLLs, and malformed DIBs.
#include "ResourceTestSupport.h"

#include <filesystem>
#include <string>

namespace {

using namespace cfu::test;
namespace fs = std::filesystem;

const char kSettings[] = "SOFTWARE\\Corvanta\\Entertainment\\CurrentVersion";

fs::path ModulePath(HMODULE module)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    return path;
}

class ResourceMgrTest : public testing::Test
{
protected:
    void SetUp() override
    {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettings);
        fs::remove_all(m_root);
        fs::create_directories(m_root / "module");
        fs::create_directories(m_root / "install");
    }
    void TearDown() override
    {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettings);
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }
    void SetSetting(const char* name, const std::string& value)
    {
        ASSERT_EQ(0, RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSettings, name, REG_SZ, value.c_str(),
                                     DWORD(value.size() + 1)));
    }

    const fs::path m_root = fs::temp_directory_path() / "cfu-resources-test";
};

// Where the files are before Initialize, and where each library then comes
// from: 'I' the install directory, 'M' the module's, 'P' the platform's search
// (which finds the test libraries beside this program), '-' nowhere.
struct Layout
{
    const char* install;   // the registry's "Install Directory" holds: '1'-'4' a library, 'h' the help file; null: no value
    const char* module;    // the module's directory holds
    const char* names;     // per argument of Initialize: '1'-'4' a test library, 'x' a missing file, '0' null
    const char* helpValue; // "HelpFileName", or null
    const char* from;      // libraries 1 to 4
    int result;
    const char* helpFile;
    char helpDir;
};

const Layout kLayouts[] = {
    {nullptr, "", "1234", nullptr, "PPPP", 1, "default.hlp", '-'},
    {"12h", "23h", "1234", nullptr, "IIMP", 1, "default.hlp", 'I'},
    {"4", "1h", "1234", "named.hlp", "MPPI", 1, "named.hlp", 'M'},
    {"34", "", "xx34", nullptr, "--II", 0, "default.hlp", '-'},
    {"", "", "1200", nullptr, "PP--", 1, "default.hlp", '-'},
};

TEST_F(ResourceMgrTest, LibrariesComeFromTheInstallDirectoryThenTheModulesThenThePlatform)
{
    const fs::path install = m_root / "install", module = m_root / "module";
    const fs::path programDir = ModulePath(NULL).parent_path();
    fs::copy_file(programDir / "cfu_test_baddib.dll", module / "anchor.dll");
    for (const Layout& row : kLayouts) {
        SCOPED_TRACE(std::string(row.install ? row.install : "(none)") + " / " + row.module + " / " + row.names);
        const std::string help = row.helpFile;
        for (const auto& [dir, files] : {std::pair{install, row.install}, std::pair{module, row.module}}) {
            for (const fs::directory_entry& old : fs::directory_iterator(dir))
                if (old.path().filename() != "anchor.dll")
                    fs::remove(old.path());
            for (const char* f = files; f && *f; ++f)
                *f == 'h' ? fs::copy_file(programDir / kLibraries[0], dir / help)
                          : fs::copy_file(programDir / kLibraries[*f - '1'], dir / kLibraries[*f - '1']);
        }
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettings);
        if (row.install)
            SetSetting("Install Directory", install.string());
        if (row.helpValue)
            SetSetting("HelpFileName", row.helpValue);
        cfu::unique_hmodule anchor(LoadLibraryA((module / "anchor.dll").string().c_str()));
        ManagerPtr manager(new CResourceMgr(anchor.get()));
        EXPECT_EQ(module.string() + "\\", std::string(manager->m_strModuleDir));
        EXPECT_EQ(row.install ? install.string() : "", std::string(manager->m_strInstallDir));

        const char* names[4];
        for (int i = 0; i < 4; ++i)
            names[i] = row.names[i] == '0' ? nullptr : row.names[i] == 'x' ? "absent.dll" : kLibraries[row.names[i] - '1'];
        EXPECT_EQ(row.result, manager->Initialize(names[0], names[1], names[2], names[3], "default.hlp"));
        EXPECT_EQ(1, manager->m_bInitialized);
        const HINSTANCE libraries[4] = {manager->m_hLib1, manager->m_hLib2, manager->m_hLib3, manager->m_hLib4};
        for (int i = 0; i < 4; ++i) {
            const char from = row.from[i];
            EXPECT_EQ(from == '-', libraries[i] == NULL) << "library " << i + 1;
            if (from != '-') {
                EXPECT_TRUE(fs::equivalent(from == 'I' ? install : from == 'M' ? module : programDir,
                                           ModulePath(libraries[i]).parent_path())) << "library " << i + 1;
            }
        }
        EXPECT_EQ(help, std::string(manager->m_strHelpFile));
        const CString helpDir = row.helpDir == 'I' ? manager->m_strInstallDir
                              : row.helpDir == 'M' ? manager->m_strModuleDir : CString();
        EXPECT_STREQ(helpDir, manager->m_strHelpDir);
    }
    EXPECT_STREQ("", ManagerPtr(new CResourceMgr(HINSTANCE(1)))->m_strModuleDir);
}

// Every mask with the library that holds the resource first in bit order:
// each library has a name as data and as a string; the third and first share
// a bitmap; block 1 of the strings is in all four, string 2 only in the second.
TEST_F(ResourceMgrTest, MasksPickTheFirstLibraryInBitOrder)
{
    ManagerPtr manager = MakeTestManager();
    const HINSTANCE byBit[4] = {manager->m_hLib4, manager->m_hLib2, manager->m_hLib3, manager->m_hLib1};
    const char* const names[4] = {"fourth", "second", "third", "first"};
    for (unsigned mask = 0; mask < 64; ++mask) {
        SCOPED_TRACE(mask);
        const int bit = (mask & 15) ? __builtin_ctz(mask & 15) : -1;
        const char* name = bit < 0 ? "" : names[bit];
        EXPECT_EQ(bit < 0 ? NULL : byBit[bit], manager->FindResourceDLL(MAKEINTRESOURCEA(IDR_NAME), RT_RCDATA, mask));
        void* data = manager->FindAndLoadResource(MAKEINTRESOURCEA(IDR_NAME), RT_RCDATA, mask);
        EXPECT_STREQ(name, data ? static_cast<const char*>(LockResource(data)) : "");
        EXPECT_STREQ(name, manager->FindAndLoadString(IDS_NAME, mask));
        EXPECT_EQ(nullptr, manager->FindAndLoadAccelerators(IDR_NAME, mask));
    }
    const struct { unsigned id, mask; LONG width; const char* text; } cases[] = {
        {IDB_SHARED, 0xC, 5, ""}, {IDB_SHARED, 0x8, 4, ""}, {IDB_SHARED, 0x3, 0, ""},
        {0x10000 + IDB_SHARED, 0xF, 5, ""},
        {IDS_SECOND_ONLY, 0x2, 0, "only in the second library"}, {IDS_SECOND_ONLY, 0xA, 0, "only in the second library"},
        {IDS_SECOND_ONLY, 0x3, 0, ""}, {IDS_SECOND_ONLY, 0xC, 0, ""}, {0x100000 + IDS_NAME, 0x8, 0, "first"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " mask " << c.mask);
        cfu::unique_hgdiobj bitmap(manager->FindAndLoadBitmap(c.id, c.mask));
        EXPECT_EQ(c.width, ReadPixels(bitmap.get()).width);
        EXPECT_STREQ(c.text, manager->FindAndLoadString(c.id, c.mask));
    }
}

std::vector<LPCSTR> IntegerNames(HMODULE module, LPCSTR type)
{
    std::vector<LPCSTR> names;
    EnumResourceNamesA(module, type, [](HMODULE, LPCSTR, LPSTR name, LONG_PTR list) -> BOOL {
        if (IS_INTRESOURCE(name))
            reinterpret_cast<std::vector<LPCSTR>*>(list)->push_back(name);
        return TRUE;
    }, reinterpret_cast<LONG_PTR>(&names));
    return names;
}

// Real resources that no one here wrote: every bitmap, icon and cursor of
// Wine's shell32, user32 and comctl32 and of the first test library, loaded
// by the manager and by LoadImageA from the library that the mask order picks.
TEST_F(ResourceMgrTest, PicturesMatchLoadImage)
{
    ManagerPtr manager(new CResourceMgr(GetModuleHandleA(NULL)));
    ASSERT_EQ(1, manager->Initialize(kLibraries[0], "user32.dll", "comctl32.dll", "shell32.dll", NULL));
    int compared[3] = {};
    for (HINSTANCE library : {manager->m_hLib4, manager->m_hLib2, manager->m_hLib3, manager->m_hLib1}) {
        for (LPCSTR id : IntegerNames(library, RT_BITMAP)) {
            if (manager->FindResourceDLL(id, RT_BITMAP, 0xF) != library)
                continue;
            cfu::unique_hgdiobj mine(manager->FindAndLoadBitmap(UINT(UINT_PTR(id)), 0xF));
            cfu::unique_hgdiobj theirs(LoadImageA(library, id, IMAGE_BITMAP, 0, 0, 0));
            EXPECT_TRUE(mine && ReadPixels(mine.get()) == ReadPixels(theirs.get())) << "bitmap " << UINT_PTR(id);
            ++compared[0];
        }
        for (LPCSTR id : IntegerNames(library, RT_GROUP_ICON)) {
            if (manager->FindResourceDLL(id, RT_GROUP_ICON, 0xF) != library)
                continue;
            cfu::unique_hicon mine(manager->FindAndLoadIcon(UINT(UINT_PTR(id)), 0xF));
            cfu::unique_hicon theirs(static_cast<HICON>(LoadImageA(library, id, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
            EXPECT_TRUE(mine && ReadIcon(mine.get()) == ReadIcon(theirs.get())) << "icon " << UINT_PTR(id);
            ++compared[1];
        }
        for (LPCSTR id : IntegerNames(library, RT_CURSOR)) {
            if (manager->FindResourceDLL(id, RT_CURSOR, 0xF) != library)
                continue;
            HCURSOR theirs = static_cast<HCURSOR>(LoadImageA(library, id, IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
            EXPECT_TRUE(ReadIcon(manager->FindAndLoadCursor(UINT(UINT_PTR(id)), 0xF)) == ReadIcon(theirs)) << "cursor " << UINT_PTR(id);
            compared[2] += theirs != NULL;
        }
    }
    EXPECT_LT(10, compared[0]);
    EXPECT_LT(10, compared[1]);
    EXPECT_LT(0, compared[2]);
}

// System cursors come from the platform, even before Initialize; the gaps
// in their range are searched for like any identifier.
TEST_F(ResourceMgrTest, SystemCursorsComeFromThePlatform)
{
    ManagerPtr uninitialized(new CResourceMgr(GetModuleHandleA(NULL)));
    for (UINT id = 32500; id < 32660; ++id) {
        const bool system = (id >= 32512 && id <= 32516) || (id >= 32640 && id <= 32650 && id != 32647 && id != 32649);
        EXPECT_EQ(system ? LoadCursorA(NULL, MAKEINTRESOURCEA(id)) : NULL, uninitialized->FindAndLoadCursor(id, 0xF)) << id;
    }
    ManagerPtr manager = MakeTestManager();
    EXPECT_EQ(5u, ReadIcon(manager->FindAndLoadCursor(IDC_NOT_SYSTEM, 0x8)).hotX);
    EXPECT_EQ(9u, ReadIcon(manager->FindAndLoadCursor(IDC_TEST_CURSOR, 0x8)).hotY);
    EXPECT_EQ(nullptr, manager->FindAndLoadCursor(IDC_GROUP_ONLY, 0xF));   // windres gave its image another id
}

// DIBs of every depth: pointers into the resource, bits where they lie (the
// fixed offset after a full table, else after the DIB's own table), the
// palette of its colour table, and the pixels that LoadImageA gives.
TEST_F(ResourceMgrTest, DibsKeepTheirResourceAndColourTable)
{
    ManagerPtr manager = MakeTestManager();
    const struct { UINT id, bitsOffset, colours; } dibs[] = {
        {IDB_BITS4, 40 + 16 * 4, 16}, {IDB_BITS8C20, 40 + 20 * 4, 20}, {IDB_BITS8, 1064, 256},
        {IDB_BITS24, 40, 0}, {IDB_BITS32, 40, 0},
    };
    for (const auto& dib : dibs) {
        SCOPED_TRACE(dib.id);
        HRSRC info = FindResourceA(manager->m_hLib1, MAKEINTRESOURCEA(dib.id), RT_BITMAP);
        auto* resource = static_cast<BYTE*>(LockResource(LoadResource(manager->m_hLib1, info)));
        BITMAPINFOHEADER* header = nullptr;
        char* bits = nullptr;
        HPALETTE palette = NULL;
        cfu::unique_hgdiobj bitmap(manager->FindAndLoadDIB(dib.id, &header, &bits, &palette, 0xF));
        cfu::unique_hgdiobj owned(palette);
        EXPECT_EQ(resource, reinterpret_cast<BYTE*>(header));
        EXPECT_EQ(resource + dib.bitsOffset, reinterpret_cast<BYTE*>(bits));
        EXPECT_EQ(Entries(reinterpret_cast<RGBQUAD*>(resource + 40), dib.colours), Entries(palette));
        cfu::unique_hgdiobj oracle(LoadImageA(manager->m_hLib1, MAKEINTRESOURCEA(dib.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        EXPECT_TRUE(bitmap && ReadPixels(bitmap.get()) == ReadPixels(oracle.get()));
    }
    cfu::unique_hgdiobj bitmap(manager->FindAndLoadDIB(IDB_BITS8, nullptr, nullptr, nullptr, 0x8));
    EXPECT_TRUE(bitmap);
}

LONG g_faults = 0;

// A DIB too short for what its header claims is refused before anything
// reads it. The last one's data ends the image, and nothing is mapped after
// it: a read of one byte too many faults.
TEST_F(ResourceMgrTest, MalformedDibsAreRefusedWithoutReadingPastThem)
{
    ManagerPtr manager(new CResourceMgr(GetModuleHandleA(NULL)));
    manager->Initialize("cfu_test_baddib.dll", NULL, NULL, NULL, NULL);
    HMODULE library = manager->m_hLib1;
    HRSRC info = FindResourceA(library, MAKEINTRESOURCEA(IDB_SHORT_TABLE), RT_BITMAP);
    const BYTE* end = static_cast<BYTE*>(LockResource(LoadResource(library, info))) + SizeofResource(library, info);
    MEMORY_BASIC_INFORMATION after = {};
    ASSERT_EQ(0u, UINT_PTR(end) % 4096) << "the padding resource no longer fits the layout";
    ASSERT_TRUE(VirtualQuery(end, &after, sizeof after));
    ASSERT_NE(DWORD(MEM_COMMIT), after.State) << "memory follows the image: a read past would go unseen";

    g_faults = 0;
    PVOID handler = AddVectoredExceptionHandler(1, [](EXCEPTION_POINTERS* e) -> LONG {
        g_faults += e->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION;
        return EXCEPTION_CONTINUE_SEARCH;
    });
    for (UINT id : {IDB_SHORT, IDB_CORE, IDB_HUGE, IDB_TRUNCATED, IDB_SHORT_TABLE}) {
        auto* header = reinterpret_cast<BITMAPINFOHEADER*>(0xdeadbeef);
        auto* bits = reinterpret_cast<char*>(0xdeadbeef);
        auto palette = reinterpret_cast<HPALETTE>(0xdeadbeef);
        EXPECT_EQ(nullptr, manager->FindAndLoadDIB(id, &header, &bits, &palette, 0x8)) << id;
        EXPECT_TRUE(!header && !bits && !palette) << id;
    }
    RemoveVectoredExceptionHandler(handler);
    EXPECT_EQ(0, g_faults);
}

} // namespace
