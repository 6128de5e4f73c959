// The resource manager, the picture holder, palettes and the transparent blit
// against the platform: the test libraries, Wine's DLLs, malformed DIBs.
#include "CFUtils.h"
#include "TestResources.h"
#include "TestSupport.h"
#include "library/Handles.h"

#include <cstring>
#include <filesystem>
#include <string>

namespace {

using namespace cfu::test;
namespace fs = std::filesystem;
using ManagerPtr = cfu::unique_ref<CResourceMgr>;
using Numbers = std::vector<DWORD>;
using Rows = std::vector<std::string>;

const char* const kLibraries[4] = {"cfu_test_lib1.dll", "cfu_test_lib2.dll", "cfu_test_lib3.dll", "cfu_test_lib4.dll"};
const char kSettings[] = "SOFTWARE\\Corvanta\\Entertainment\\CurrentVersion";

// A manager on this program, beside which the test libraries are built.
ManagerPtr MakeManager(const char* file1 = kLibraries[0], const char* file2 = kLibraries[1],
                       const char* file3 = kLibraries[2], const char* file4 = kLibraries[3])
{
    ManagerPtr manager(new CResourceMgr(GetModuleHandleA(NULL)));
    manager->Initialize(file1, file2, file3, file4, NULL);
    return manager;
}

// Width, height, then 32-bit top-down pixels (GetDIBits); empty for no bitmap.
Numbers Pixels(HGDIOBJ bitmap)
{
    BITMAP info = {};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info))
        return {};
    BITMAPINFO format = {{sizeof(BITMAPINFOHEADER), info.bmWidth, -info.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    Numbers pixels(2 + size_t(info.bmWidth) * size_t(info.bmHeight));
    pixels[0] = DWORD(info.bmWidth), pixels[1] = DWORD(info.bmHeight);
    cfu::unique_screen_dc screen(GetDC(NULL));
    GetDIBits(screen.get(), HBITMAP(bitmap), 0, UINT(info.bmHeight), &pixels[2], &format, DIB_RGB_COLORS);
    return pixels;
}

DWORD Width(HGDIOBJ bitmap) { return bitmap ? Pixels(bitmap)[0] : 0; }

// An icon's or cursor's hot spot, then the pixels of its colour and mask.
Numbers IconPixels(HICON icon)
{
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info))
        return {};
    cfu::unique_hgdiobj colour(info.hbmColor), mask(info.hbmMask);
    Numbers pixels = {info.xHotspot, info.yHotspot};
    for (const Numbers& part : {Pixels(colour.get()), Pixels(mask.get())})
        pixels.insert(pixels.end(), part.begin(), part.end());
    return pixels;
}

// A palette's entries as colours, flags in the top byte.
Numbers Colours(HGDIOBJ palette)
{
    PALETTEENTRY e[256];
    Numbers colours(palette ? GetPaletteEntries(HPALETTE(palette), 0, 256, e) : 0);
    for (size_t i = 0; i < colours.size(); ++i)
        colours[i] = RGB(e[i].peRed, e[i].peGreen, e[i].peBlue) | DWORD(e[i].peFlags) << 24;
    return colours;
}

// What "Install Directory" (null: no settings key) and the module's directory hold
// ('1'-'4' a library, 'h' the help file), the names given to Initialize ('x' a
// missing file, '0' null), "HelpFileName", and then where each library comes
// from: 'I' the install directory, 'M' the module's, 'P' the platform's search
// (which finds the test libraries beside this program), '-' nowhere.
const struct Layout { const char *install, *module, *names, *helpValue, *from; int result; const char* helpFile;
    char helpDir; } kLayouts[] = {
    {nullptr, "", "1234", "", "PPPP", 1, "default.hlp", '-'},
    {"12h", "23h", "1234", "", "IIMP", 1, "default.hlp", 'I'},
    {"4", "1h", "1234", "named.hlp", "MPPI", 1, "named.hlp", 'M'},
    {"34", "", "xx34", "", "--II", 0, "default.hlp", '-'},
    {"", "", "1200", "", "PP--", 1, "default.hlp", '-'},
    {"", "", "1x00", "", "P---", 0, "default.hlp", '-'},
};

TEST(ResourceMgrTest, LibrariesComeFromTheInstallDirectoryThenTheModulesThenThePlatform)
{
    const fs::path programDir = ModuleDirectory(), root = fs::temp_directory_path() / "cfu-resources-test";
    const fs::path install = root / "install", moduleDir = root / "module";
    std::error_code ignored;
    const auto clean = [&] { RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettings), fs::remove_all(root, ignored); };
    for (const Layout& row : kLayouts) {
        SCOPED_TRACE(std::string(row.install ? row.install : "(none)") + " / " + row.module + " / " + row.names);
        clean();
        fs::create_directories(install), fs::create_directories(moduleDir);
        fs::copy_file(programDir / "cfu_test_baddib.dll", moduleDir / "anchor.dll");
        for (const auto& [dir, files] : {std::pair{install, row.install}, std::pair{moduleDir, row.module}})
            for (const char* f = files; f && *f; ++f)
                fs::copy_file(programDir / kLibraries[*f == 'h' ? 0 : *f - '1'],
                              dir / (*f == 'h' ? row.helpFile : kLibraries[*f - '1']));
        if (row.install)   // else no settings key at all
            WriteTree(HKEY_LOCAL_MACHINE, kSettings,
                      {{"", {{"Install Directory", Sz(install.string())}, {"HelpFileName", Sz(row.helpValue)}}}});
        cfu::unique_hmodule anchor(LoadLibraryA((moduleDir / "anchor.dll").string().c_str()));
        ManagerPtr manager(new CResourceMgr(anchor.get()));
        EXPECT_EQ(moduleDir.string() + "\\", std::string(manager->m_strModuleDir));
        EXPECT_EQ(row.install ? install.string() : "", std::string(manager->m_strInstallDir));
        const char* names[4];
        for (int i = 0; i < 4; ++i)
            names[i] = row.names[i] == '0' ? nullptr : row.names[i] == 'x' ? "absent.dll" : kLibraries[row.names[i] - '1'];
        EXPECT_EQ(row.result, manager->Initialize(names[0], names[1], names[2], names[3], "default.hlp"));
        const HINSTANCE libraries[4] = {manager->m_hLib1, manager->m_hLib2, manager->m_hLib3, manager->m_hLib4};
        for (int i = 0; i < 4; ++i) {
            const fs::path dir = row.from[i] == 'I' ? install : row.from[i] == 'M' ? moduleDir : programDir;
            EXPECT_TRUE(row.from[i] == '-' ? !libraries[i] : fs::equivalent(dir, ModuleDirectory(libraries[i])))
                << "library " << i + 1;
        }
        EXPECT_STREQ(row.helpFile, manager->m_strHelpFile);
        EXPECT_STREQ(row.helpDir == 'I' ? manager->m_strInstallDir : row.helpDir == 'M' ? manager->m_strModuleDir : "",
                     manager->m_strHelpDir);
    }
    clean();
    EXPECT_STREQ("", ManagerPtr(new CResourceMgr(HINSTANCE(1)))->m_strModuleDir);
}

// Every mask with the library that holds the resource first in bit order:
// each library has a name as data and as a string; the third and first share
// a bitmap; block 1 of the strings is in all four, string 2 only in the second;
// the first's cursor group with no image under its id. System cursors come
// from the platform, even before Initialize; the gaps in their range are searched.
TEST(ResourceMgrTest, MasksPickTheFirstLibraryInBitOrder)
{
    ManagerPtr manager = MakeManager();
    const char* const names[4] = {"library 4", "library 2", "library 3", "library 1"};
    for (unsigned mask = 0; mask < 64; ++mask) {
        SCOPED_TRACE(mask);
        const int bit = (mask & 15) ? __builtin_ctz(mask & 15) : -1;
        void* data = manager->FindAndLoadResource(MAKEINTRESOURCEA(IDR_NAME), RT_RCDATA, mask);
        EXPECT_STREQ(bit < 0 ? "" : names[bit], data ? static_cast<const char*>(LockResource(data)) : "");
        EXPECT_STREQ(bit < 0 ? "" : names[bit], manager->FindAndLoadString(IDS_NAME, mask));
    }
    const struct { unsigned id, mask; DWORD width; const char* text; } cases[] = {
        {IDB_SHARED, 0xC, 5, ""}, {IDB_SHARED, 0x8, 4, ""}, {IDB_SHARED, 0x3, 0, ""}, {0x10000 + IDB_SHARED, 0xF, 5, ""},
        {IDS_SECOND_ONLY, 0x2, 0, "only in the second library"}, {IDS_SECOND_ONLY, 0xA, 0, "only in the second library"},
        {IDS_SECOND_ONLY, 0x3, 0, ""}, {IDS_SECOND_ONLY, 0xC, 0, ""}, {0x100000 + IDS_NAME, 0x8, 0, "library 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " mask " << c.mask);
        cfu::unique_hgdiobj bitmap(manager->FindAndLoadBitmap(c.id, c.mask));
        EXPECT_EQ(c.width, Width(bitmap.get()));
        EXPECT_STREQ(c.text, manager->FindAndLoadString(c.id, c.mask));
    }
    EXPECT_EQ(nullptr, manager->FindAndLoadCursor(IDC_GROUP_ONLY, 0xF));   // windres gave its image another id
    ManagerPtr uninitialized(new CResourceMgr(GetModuleHandleA(NULL)));
    for (UINT id = 32500; id < 32660; ++id) {
        const bool system = (id >= 32512 && id <= 32516) || (id >= 32640 && id <= 32650 && id != 32647 && id != 32649);
        EXPECT_EQ(system ? LoadCursorA(NULL, MAKEINTRESOURCEA(id)) : NULL, uninitialized->FindAndLoadCursor(id, 0xF)) << id;
    }
}

// A picture's numbers; a bitmap or icon is then destroyed, a cursor is shared.
Numbers Take(HANDLE picture, UINT image)
{
    cfu::unique_hgdiobj bitmap(image == IMAGE_BITMAP ? picture : NULL);
    cfu::unique_hicon icon(image == IMAGE_ICON ? HICON(picture) : NULL);
    return image == IMAGE_BITMAP ? Pixels(picture) : IconPixels(HICON(picture));
}

// Real resources that no one here wrote: every bitmap, icon and cursor of
// Wine's shell32, user32 and comctl32 and of the first test library, loaded
// by the manager and by LoadImageA from the library that the mask order picks.
TEST(ResourceMgrTest, PicturesMatchLoadImage)
{
    ManagerPtr manager = MakeManager(kLibraries[0], "user32.dll", "comctl32.dll", "shell32.dll");
    struct { LPCSTR type; UINT image, flags; int compared; } kinds[] = {
        {RT_BITMAP, IMAGE_BITMAP, 0, 0}, {RT_GROUP_ICON, IMAGE_ICON, LR_DEFAULTSIZE, 0},
        {RT_CURSOR, IMAGE_CURSOR, LR_DEFAULTSIZE | LR_SHARED, 0}};
    for (auto& kind : kinds)
        for (UINT n = 1; n < 0x10000; ++n) {
            HINSTANCE library = manager->FindResourceDLL(MAKEINTRESOURCEA(n), kind.type, 0xF);
            if (!library)
                continue;
            HANDLE mine = kind.image == IMAGE_BITMAP ? HANDLE(manager->FindAndLoadBitmap(n, 0xF))
                          : kind.image == IMAGE_ICON ? manager->FindAndLoadIcon(n, 0xF) : manager->FindAndLoadCursor(n, 0xF);
            const Numbers expected = Take(LoadImageA(library, MAKEINTRESOURCEA(n), kind.image, 0, 0, kind.flags), kind.image);
            EXPECT_TRUE(Take(mine, kind.image) == expected) << "type " << kind.image << " id " << n;
            kind.compared += !expected.empty();
        }
    EXPECT_TRUE(kinds[0].compared > 10 && kinds[1].compared > 10 && kinds[2].compared > 0);
}

LONG g_faults = 0;

// Every DIB of the first library and of the malformed one: a good one's
// pointers into the resource, its bits where they lie (the fixed offset after
// a full table, else after the DIB's own table), its pixels, and both
// functions' palettes against the colour table after the 40-byte header, or
// the halftone palette without one; Wine reports an 8-bit table of 20 colours
// widened to 256 with black. A DIB too short for what its header claims (no
// bits offset below) is refused before anything reads it: the last one's data
// ends the image, and nothing is mapped after it, so a read of one byte too
// many faults.
TEST(PaletteTest, DibsHoldTheirColourTablesAndMalformedOnesAreRefused)
{
    ManagerPtr manager = MakeManager(kLibraries[0], "cfu_test_baddib.dll");
    HMODULE library = manager->m_hLib1, malformed = manager->m_hLib2;
    HRSRC info = FindResourceA(malformed, MAKEINTRESOURCEA(IDB_SHORT_TABLE), RT_BITMAP);
    const BYTE* end = static_cast<BYTE*>(LockResource(LoadResource(malformed, info))) + SizeofResource(malformed, info);
    MEMORY_BASIC_INFORMATION after = {};
    ASSERT_TRUE(VirtualQuery(end, &after, sizeof after) && after.State != MEM_COMMIT)
        << "memory follows the image (does the padding resource still fit?): a read past would go unseen";
    g_faults = 0;
    PVOID handler = AddVectoredExceptionHandler(1, [](EXCEPTION_POINTERS* e) -> LONG {
        return g_faults += e->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION, EXCEPTION_CONTINUE_SEARCH; });
    const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version");
    const struct { UINT id, bitsOffset, colours, reported; } cases[] = {
        {IDB_BITS4, 40 + 16 * 4, 16, 16}, {IDB_BITS8C20, 40 + 20 * 4, 20, wine ? 256u : 20u},
        {IDB_BITS8, 1064, 256, 256}, {IDB_BITS24, 40, 0, 256}, {IDB_BITS32, 40, 0, 256}, {IDB_SHORT, 0, 0, 0},
        {IDB_CORE, 0, 0, 0}, {IDB_HUGE, 0, 0, 0}, {IDB_TRUNCATED, 0, 0, 0}, {IDB_SHORT_TABLE, 0, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        auto* header = reinterpret_cast<BITMAPINFOHEADER*>(0xdeadbeef);
        auto* bits = reinterpret_cast<char*>(0xdeadbeef);
        auto palette = reinterpret_cast<HPALETTE>(0xdeadbeef);
        cfu::unique_hgdiobj dib(manager->FindAndLoadDIB(c.id, &header, &bits, &palette, 0xF)), dibPalette(palette);
        if (!c.bitsOffset) {
            EXPECT_TRUE(!dib && !header && !bits && !palette);
            continue;
        }
        auto* resource = static_cast<BYTE*>(
            LockResource(LoadResource(library, FindResourceA(library, MAKEINTRESOURCEA(c.id), RT_BITMAP))));
        Numbers table;
        for (const auto* entry = reinterpret_cast<RGBQUAD*>(resource + 40); table.size() < c.colours; ++entry)
            table.push_back(RGB(entry->rgbRed, entry->rgbGreen, entry->rgbBlue));
        cfu::unique_hgdiobj oracle(LoadImageA(library, MAKEINTRESOURCEA(c.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        EXPECT_EQ(resource, reinterpret_cast<BYTE*>(header));
        EXPECT_EQ(resource + c.bitsOffset, reinterpret_cast<BYTE*>(bits));
        EXPECT_EQ(table, Colours(palette));
        EXPECT_TRUE(dib && Pixels(dib.get()) == Pixels(oracle.get()));

        HBITMAP bitmap = NULL;
        EXPECT_EQ(1, GetBitmapAndPalette(library, c.id, bitmap, palette));
        cfu::unique_hgdiobj ownedBitmap(bitmap), ownedPalette(palette);
        table = c.colours ? table : Colours(cfu::unique_hgdiobj(CreateHalftonePalette(NULL)).get());
        table.resize(c.reported);
        EXPECT_EQ(table, Colours(palette));
        DIBSECTION section = {};
        EXPECT_EQ(int(sizeof(BITMAP)), GetObjectA(bitmap, sizeof section, &section)) << "not device-dependent";
    }
    RemoveVectoredExceptionHandler(handler);
    EXPECT_EQ(0, g_faults);
    EXPECT_TRUE(cfu::unique_hgdiobj(manager->FindAndLoadDIB(IDB_BITS8, nullptr, nullptr, nullptr, 0x8)));
    HBITMAP bitmap = HBITMAP(0xdeadbeef);
    HPALETTE palette = HPALETTE(0xdeadbeef);
    EXPECT_EQ(0, GetBitmapAndPalette(library, 999, bitmap, palette));
    EXPECT_TRUE(!bitmap && !palette);
}

// Rows of colour letters as Pixels gives them: red, green, blue, black, white, yellow, magenta.
Numbers Letters(const Rows& rows)
{
    static const char kLetters[] = "rgbkwym";
    static const DWORD kColours[] = {0xff0000, 0x00ff00, 0x0000ff, 0, 0xffffff, 0xffff00, 0xff00ff};
    Numbers pixels = {DWORD(rows[0].size()), DWORD(rows.size())};
    for (const std::string& row : rows)
        for (char letter : row)
            pixels.push_back(kColours[strchr(kLetters, letter) - kLetters]);
    return pixels;
}

// A bitmap of the screen's format (32 bits, rows top-down) painted from letters.
HBITMAP Paint(const Rows& rows)
{
    const Numbers pixels = Letters(rows);
    return CreateBitmap(int(pixels[0]), int(pixels[1]), 1, 32, &pixels[2]);
}

// A 6 x 5 yellow bitmap selected into a memory context.
struct Canvas
{
    cfu::unique_hdc dc{CreateCompatibleDC(NULL)};
    cfu::unique_hgdiobj bitmap{Paint(Rows(5, "yyyyyy"))};
    cfu::scoped_select selected{dc.get(), bitmap.get()};
};

const Rows kSource = {"rgbm", "mkwm", "mmrg"};

// Worked out by hand: magenta as the key, a colour that does not occur, a
// rectangle all of the key, a part of the source, the edge of dest.
const struct { COLORREF transparent; int x, y, width, height, srcX, srcY; Rows expected; } kBlits[] = {
    {RGB(255, 0, 255), 1, 1, 4, 3, 0, 0, {"yyyyyy", "yrgbyy", "yykwyy", "yyyrgy", "yyyyyy"}},
    {RGB(1, 2, 3), 1, 1, 4, 3, 0, 0, {"yyyyyy", "yrgbmy", "ymkwmy", "ymmrgy", "yyyyyy"}},
    {RGB(255, 0, 255), 0, 0, 2, 1, 0, 2, {"yyyyyy", "yyyyyy", "yyyyyy", "yyyyyy", "yyyyyy"}},
    {RGB(0, 0, 0), 0, 0, 2, 2, 1, 0, {"gbyyyy", "ywyyyy", "yyyyyy", "yyyyyy", "yyyyyy"}},
    {RGB(255, 0, 255), 4, 3, 4, 3, 0, 0, {"yyyyyy", "yyyyyy", "yyyyyy", "yyyyrg", "yyyyyk"}},
};

TEST(TransparentBlt2Test, KeyColouredPixelsLeaveDestAsItWas)
{
    cfu::unique_hgdiobj source(Paint(kSource)), palette(CreateHalftonePalette(NULL));
    for (const auto& blit : kBlits) {
        SCOPED_TRACE(testing::Message() << "at " << blit.x << "," << blit.y << " from " << blit.srcX << "," << blit.srcY);
        Canvas dest;
        SetBkColor(dest.dc.get(), RGB(9, 9, 9));
        TransparentBlt2(dest.dc.get(), blit.x, blit.y, blit.width, blit.height, HBITMAP(source.get()), blit.srcX,
                        blit.srcY, blit.transparent, HPALETTE(palette.get()));
        EXPECT_EQ(Letters(blit.expected), Pixels(dest.bitmap.get()));
        EXPECT_TRUE(GetBkColor(dest.dc.get()) == RGB(255, 255, 255) && GetTextColor(dest.dc.get()) == 0);
        // A memory context on a true-colour screen is no palette device.
        EXPECT_EQ(GetStockObject(DEFAULT_PALETTE), GetCurrentObject(dest.dc.get(), OBJ_PAL));
    }
}

// One holder through a run of loads, each row after the one before: the
// width tells which library's bitmap came (the third's shared one is 5 wide,
// the first's 4), 'i' an icon, '-' nothing. A replaced bitmap is deleted.
TEST(ResInfoTest, LoadsKeepTheTypeHeldAndFallBackToIcons)
{
    ManagerPtr manager = MakeManager();
    CResInfo holder(manager.get()), orphan(nullptr);
    const struct { int id, type, result, typeAfter; char held; DWORD width; } loads[] = {
        {IDB_SHARED, 1, 1, 1, 'b', 5}, {6, 1, 1, 1, 'b', 5}, {IDI_SIZES, 0, 1, 2, 'i', 0}, {IDB_BITS4, 2, 1, 2, 'i', 0},
        {999, 1, 0, 1, '-', 0}, {999, 0, 0, 2, '-', 0}, {IDB_BITS8, 3, 0, 0, '-', 0}, {IDB_BITS8, 0, 1, 1, 'b', 6},
    };
    HGDIOBJ previous = NULL;
    for (const auto& load : loads) {
        SCOPED_TRACE(testing::Message() << load.id << " type " << load.type);
        EXPECT_EQ(load.result, holder.LoadIconBmpRes(load.id, load.type));
        EXPECT_EQ(load.typeAfter, holder.ResourceType());
        EXPECT_EQ(load.held == 'i', holder.IconHandle() != NULL);
        EXPECT_EQ(load.width, Width(holder.BitmapHandle()));
        EXPECT_TRUE(!previous || previous == holder.BitmapHandle() || !GetObjectType(previous));
        previous = holder.BitmapHandle();
    }
    EXPECT_EQ(0, orphan.LoadIconBmpRes(IDB_SHARED, 0));
    EXPECT_EQ(2, orphan.ResourceType());
}

// Nothing drawn while empty or without a window; a bitmap handed in drawn
// unscaled over a 3 x 2 client area, then kept by DeleteResource; the 32 x 32
// icon image from the origin: blue at its top left, its first two columns
// masked, where the image's blue turns the yellow white (AND, then XOR); a
// loaded bitmap detached survives the holder.
TEST(ResInfoTest, DrawsAndDeletesOnlyWhatItOwns)
{
    ManagerPtr manager = MakeManager();
    CWnd window;
    ASSERT_TRUE(MakeHiddenCWnd(window, "CfuResInfoTest"));
    MoveWindow(window.GetSafeHwnd(), 0, 0, 3, 2, FALSE);
    cfu::unique_hgdiobj source(Paint(kSource)), detached;
    cfu::unique_hicon icon;
    Canvas bitmap, icons;
    {
        CResInfo holder(manager.get());
        EXPECT_EQ(0, holder.DrawIconBmpRes(&window, bitmap.dc.get()));
        holder.SetIconBmpRes(source.get(), 1);
        EXPECT_EQ(0, holder.DrawIconBmpRes(nullptr, bitmap.dc.get()));
        EXPECT_NE(0, holder.DrawIconBmpRes(&window, bitmap.dc.get()));
        holder.DeleteResource();
        holder.LoadIconBmpRes(IDI_SIZES, 2);
        icon.reset(holder.IconHandle());
        EXPECT_NE(0, holder.DrawIconBmpRes(nullptr, icons.dc.get()));
        holder.LoadIconBmpRes(IDB_SHARED, 1);
        holder.DetachResource();
        detached.reset(holder.BitmapHandle());
    }
    EXPECT_EQ(Letters({"rgbyyy", "mkwyyy", "yyyyyy", "yyyyyy", "yyyyyy"}), Pixels(bitmap.bitmap.get()));
    EXPECT_EQ(Letters(Rows(5, "wwbbbb")), Pixels(icons.bitmap.get()));
    EXPECT_EQ(DWORD(OBJ_BITMAP), GetObjectType(source.get()));
    EXPECT_EQ(DWORD(OBJ_BITMAP), GetObjectType(detached.get()));
    EXPECT_FALSE(IconPixels(icon.get()).empty());
}

} // namespace
