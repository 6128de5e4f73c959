// The picture holder, bitmaps with palettes and the transparent blit: small
// bitmaps drawn from rows of colour letters and read back with GetPixel, and
// the test libraries' bitmaps against their own colour tables.
#include "ResourceTestSupport.h"
#include "TestSupport.h"

#include <string>

namespace {

using namespace cfu::test;
using Rows = std::vector<std::string>;

const std::pair<char, COLORREF> kLetters[] = {
    {'r', RGB(255, 0, 0)}, {'g', RGB(0, 255, 0)}, {'b', RGB(0, 0, 255)}, {'k', RGB(0, 0, 0)},
    {'w', RGB(255, 255, 255)}, {'y', RGB(255, 255, 0)}, {'m', RGB(255, 0, 255)}};

// A 32-bit top-down DIB section painted from rows of letters.
HBITMAP Paint(const Rows& rows)
{
    BITMAPINFO format = {};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), LONG(rows[0].size()), -LONG(rows.size()), 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    DWORD* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(NULL, &format, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), NULL, 0);
    for (const std::string& row : rows)
        for (char letter : row)
            for (const auto& [l, c] : kLetters)
                if (l == letter)
                    *bits++ = DWORD(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c);
    return bitmap;
}

// A 6 x 5 yellow bitmap selected into a memory context, read back by letters.
struct Canvas
{
    Rows Read() const
    {
        Rows rows(5, std::string(6, '?'));
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x)
                for (const auto& [letter, colour] : kLetters)
                    if (GetPixel(dc.get(), x, y) == colour)
                        rows[y][x] = letter;
        return rows;
    }
    cfu::unique_hdc dc{CreateCompatibleDC(NULL)};
    cfu::unique_hgdiobj bitmap{Paint(Rows(5, "yyyyyy"))};
    cfu::scoped_select selected{dc.get(), bitmap.get()};
};

const Rows kSource = {"rgbm", "mkwm", "mmrg"};

// Expectations worked out by hand: magenta as the key, a colour that does not
// occur, a rectangle all of the key, a part of the source, the edge of dest.
const struct
{
    COLORREF transparent;
    int x, y, width, height, srcX, srcY;
    Rows expected;
} kBlits[] = {
    {RGB(255, 0, 255), 1, 1, 4, 3, 0, 0, {"yyyyyy", "yrgbyy", "yykwyy", "yyyrgy", "yyyyyy"}},
    {RGB(1, 2, 3), 1, 1, 4, 3, 0, 0, {"yyyyyy", "yrgbmy", "ymkwmy", "ymmrgy", "yyyyyy"}},
    {RGB(255, 0, 255), 0, 0, 2, 1, 0, 2, {"yyyyyy", "yyyyyy", "yyyyyy", "yyyyyy", "yyyyyy"}},
    {RGB(0, 0, 0), 0, 0, 2, 2, 1, 0, {"gbyyyy", "ywyyyy", "yyyyyy", "yyyyyy", "yyyyyy"}},
    {RGB(255, 0, 255), 4, 3, 4, 3, 0, 0, {"yyyyyy", "yyyyyy", "yyyyyy", "yyyyrg", "yyyyyk"}},
};

TEST(TransparentBlt2Test, KeyColouredPixelsLeaveDestAsItWas)
{
    cfu::unique_hgdiobj source(Paint(kSource));
    cfu::unique_hgdiobj palette(CreateHalftonePalette(NULL));
    for (const auto& blit : kBlits) {
        SCOPED_TRACE(testing::Message() << "at " << blit.x << "," << blit.y << " from " << blit.srcX << "," << blit.srcY);
        Canvas dest;
        SetBkColor(dest.dc.get(), RGB(9, 9, 9));
        TransparentBlt2(dest.dc.get(), blit.x, blit.y, blit.width, blit.height, static_cast<HBITMAP>(source.get()),
                        blit.srcX, blit.srcY, blit.transparent, static_cast<HPALETTE>(palette.get()));
        EXPECT_EQ(blit.expected, dest.Read());
        EXPECT_EQ(RGB(255, 255, 255), GetBkColor(dest.dc.get()));
        EXPECT_EQ(RGB(0, 0, 0), GetTextColor(dest.dc.get()));
        // A memory context on a true-colour screen is no palette device.
        EXPECT_EQ(GetStockObject(DEFAULT_PALETTE), GetCurrentObject(dest.dc.get(), OBJ_PAL));
    }
}

bool OnWine()
{
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version");
}

// Palettes against each bitmap's colour table (the table starts right after
// the 40-byte header), or the halftone palette without one.
TEST(GetBitmapAndPaletteTest, PalettesHoldTheColourTable)
{
    cfu::unique_hmodule library(LoadLibraryA(kLibraries[0]));
    cfu::unique_screen_dc screen(GetDC(NULL));
    cfu::unique_hgdiobj halftone(CreateHalftonePalette(screen.get()));
    // Wine reports an 8-bit table of 20 colours widened to 256 with black.
    const struct { UINT id, colours, reported; } cases[] = {
        {IDB_BITS4, 16, 16}, {IDB_BITS8C20, 20, OnWine() ? 256u : 20u}, {IDB_BITS8, 256, 256}, {IDB_BITS24, 0, 0},
        {IDB_BITS32, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        HBITMAP bitmap = HBITMAP(0xdeadbeef);
        HPALETTE palette = HPALETTE(0xdeadbeef);
        EXPECT_EQ(1, GetBitmapAndPalette(library.get(), c.id, bitmap, palette));
        cfu::unique_hgdiobj ownedBitmap(bitmap), ownedPalette(palette);
        HRSRC info = FindResourceA(library.get(), MAKEINTRESOURCEA(c.id), RT_BITMAP);
        auto* table = reinterpret_cast<RGBQUAD*>(static_cast<BYTE*>(LockResource(LoadResource(library.get(), info))) + 40);
        std::vector<PALETTEENTRY> expected = c.colours ? Entries(table, c.colours) : Entries(HPALETTE(halftone.get()));
        expected.resize(std::max<size_t>(expected.size(), c.reported), PALETTEENTRY{});
        EXPECT_EQ(expected, Entries(palette));
        DIBSECTION dib = {};
        EXPECT_EQ(int(sizeof(BITMAP)), GetObjectA(bitmap, sizeof dib, &dib)) << "not a device-dependent bitmap";
        cfu::unique_hgdiobj oracle(LoadImageA(library.get(), MAKEINTRESOURCEA(c.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        EXPECT_TRUE(ReadPixels(bitmap) == ReadPixels(oracle.get()));
    }
    for (HMODULE module : {library.get(), HMODULE(NULL)}) {
        HBITMAP bitmap = HBITMAP(0xdeadbeef);
        HPALETTE palette = HPALETTE(0xdeadbeef);
        EXPECT_EQ(0, GetBitmapAndPalette(module, 999, bitmap, palette));
        EXPECT_TRUE(!bitmap && !palette);
    }
}

// One holder through a run of loads: each row after the one before, the
// width telling which library's bitmap came (the third's shared one is 5
// wide, the first's 4), 'i' an icon, '-' nothing.
TEST(ResInfoTest, LoadsKeepTheTypeHeldAndFallBackToIcons)
{
    ManagerPtr manager = MakeTestManager();
    CResInfo holder(manager.get());
    const struct { int id, type, result, typeAfter; char held; LONG width; } loads[] = {
        {IDB_SHARED, 1, 1, 1, 'b', 5}, {6, 1, 1, 1, 'b', 5}, {IDI_SIZES, 0, 1, 2, 'i', 0}, {IDB_BITS4, 2, 1, 2, 'i', 0},
        {999, 1, 0, 1, '-', 0}, {999, 0, 0, 2, '-', 0}, {IDB_BITS8, 3, 0, 0, '-', 0}, {IDB_BITS8, 0, 1, 1, 'b', 6},
    };
    HGDIOBJ previous = NULL;
    for (const auto& load : loads) {
        SCOPED_TRACE(testing::Message() << load.id << " type " << load.type);
        EXPECT_EQ(load.result, holder.LoadIconBmpRes(load.id, load.type));
        EXPECT_EQ(load.typeAfter, holder.ResourceType());
        EXPECT_EQ(load.held == 'i', holder.IconHandle() != NULL);
        EXPECT_EQ(load.width, ReadPixels(holder.BitmapHandle()).width);
        EXPECT_EQ(0, holder.m_bDetached);
        if (previous && previous != holder.BitmapHandle()) {
            EXPECT_EQ(0u, GetObjectType(previous)) << "a replaced bitmap was kept";
        }
        previous = holder.BitmapHandle();
    }
    CResInfo orphan(nullptr);
    EXPECT_EQ(0, orphan.LoadIconBmpRes(IDB_SHARED, 0));
    EXPECT_EQ(2, orphan.ResourceType());
}

// Only bitmaps the holder loaded and still owns are deleted; icons never.
TEST(ResInfoTest, DetachedAndHandedInPicturesOutliveTheHolder)
{
    ManagerPtr manager = MakeTestManager();
    cfu::unique_hgdiobj handedIn(Paint(kSource));
    HGDIOBJ detached = NULL;
    HICON icon = NULL;
    {
        CResInfo holder(manager.get());
        holder.SetIconBmpRes(handedIn.get(), 1);
        EXPECT_EQ(1, holder.m_bDetached);
        holder.DeleteResource();
        holder.LoadIconBmpRes(IDI_SIZES, 2);
        icon = holder.IconHandle();
        holder.LoadIconBmpRes(IDB_SHARED, 1);
        EXPECT_EQ(nullptr, holder.IconHandle());
        holder.DetachResource();
        detached = holder.BitmapHandle();
    }
    EXPECT_EQ(DWORD(OBJ_BITMAP), GetObjectType(handedIn.get()));
    EXPECT_EQ(DWORD(OBJ_BITMAP), GetObjectType(detached));
    DeleteObject(detached);
    ICONINFO info = {};
    EXPECT_TRUE(GetIconInfo(icon, &info));
    DeleteObject(info.hbmColor), DeleteObject(info.hbmMask), DestroyIcon(icon);
}

// A bitmap drawn unscaled over a 3 x 2 client area; the 32 x 32 icon image
// from the origin: blue at its top left; its first two columns are masked,
// and there the image's blue turns the yellow white (AND, then XOR).
TEST(ResInfoTest, DrawingCoversTheClientAreaOrTheIcon)
{
    ManagerPtr manager = MakeTestManager();
    CWnd window;
    ASSERT_TRUE(MakeHiddenCWnd(window, "CfuResInfoTest"));
    MoveWindow(window.GetSafeHwnd(), 0, 0, 3, 2, FALSE);
    cfu::unique_hgdiobj source(Paint(kSource));
    CResInfo holder(manager.get());
    Canvas empty, bitmap, icon;
    EXPECT_EQ(0, holder.DrawIconBmpRes(&window, empty.dc.get()));
    holder.SetIconBmpRes(source.get(), 1);
    EXPECT_EQ(0, holder.DrawIconBmpRes(nullptr, bitmap.dc.get()));
    EXPECT_NE(0, holder.DrawIconBmpRes(&window, bitmap.dc.get()));
    holder.LoadIconBmpRes(IDI_SIZES, 2);
    EXPECT_NE(0, holder.DrawIconBmpRes(nullptr, icon.dc.get()));
    EXPECT_EQ(Rows(5, "yyyyyy"), empty.Read());
    EXPECT_EQ(Rows({"rgbyyy", "mkwyyy", "yyyyyy", "yyyyyy", "yyyyyy"}), bitmap.Read());
    EXPECT_EQ(Rows(5, "wwbbbb"), icon.Read());
    DestroyIcon(holder.IconHandle());
    window.DestroyWindow();
}

} // namespace
