// Helpers of the resource tests: pixels read back from the platform and the
// test libraries' file names.
#pragma once

#include "CFUtils.h"
#include "TestResources.h"
#include "library/Handles.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace cfu::test {

using ManagerPtr = cfu::unique_ref<CResourceMgr>;

// The manager's libraries by argument of Initialize: file1 ... file4.
inline const char* const kLibraries[4] = {"cfu_test_lib1.dll", "cfu_test_lib2.dll",
                                          "cfu_test_lib3.dll", "cfu_test_lib4.dll"};

// A manager on this program's module (beside which the test libraries are
// built) with the four test libraries.
inline ManagerPtr MakeTestManager()
{
    ManagerPtr manager(new CResourceMgr(GetModuleHandleA(NULL)));
    manager->Initialize(kLibraries[0], kLibraries[1], kLibraries[2], kLibraries[3], NULL);
    return manager;
}

// A bitmap's size and its pixels as 32-bit top-down rows (GetDIBits), or
// nothing for a NULL or deleted bitmap.
struct Pixels
{
    LONG width = 0, height = 0;
    std::vector<DWORD> bits;
    bool operator==(const Pixels& o) const { return width == o.width && height == o.height && bits == o.bits; }
};

inline Pixels ReadPixels(HGDIOBJ bitmap)
{
    Pixels pixels;
    BITMAP info = {};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info))
        return pixels;
    BITMAPINFO format = {};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), info.bmWidth, -info.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    pixels.width = info.bmWidth;
    pixels.height = info.bmHeight;
    pixels.bits.resize(size_t(info.bmWidth) * size_t(info.bmHeight));
    cfu::unique_screen_dc screen(GetDC(NULL));
    EXPECT_EQ(info.bmHeight, GetDIBits(screen.get(), static_cast<HBITMAP>(bitmap), 0, UINT(info.bmHeight),
                                       pixels.bits.data(), &format, DIB_RGB_COLORS));
    return pixels;
}

// An icon's or cursor's colour and mask bitmaps and hot spot, compared whole.
struct IconPixels
{
    Pixels colour, mask;
    DWORD hotX = 0, hotY = 0;
    bool operator==(const IconPixels& o) const
    {
        return colour == o.colour && mask == o.mask && hotX == o.hotX && hotY == o.hotY;
    }
};

inline IconPixels ReadIcon(HICON icon)
{
    IconPixels pixels;
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info))
        return pixels;
    cfu::unique_hgdiobj colour(info.hbmColor), mask(info.hbmMask);
    pixels = {ReadPixels(colour.get()), ReadPixels(mask.get()), info.xHotspot, info.yHotspot};
    return pixels;
}

inline std::vector<PALETTEENTRY> Entries(HPALETTE palette)
{
    std::vector<PALETTEENTRY> entries(palette ? GetPaletteEntries(palette, 0, 0, NULL) : 0);
    if (!entries.empty())
        GetPaletteEntries(palette, 0, UINT(entries.size()), entries.data());
    return entries;
}

// A colour table as palette entries: what a palette made from it must hold.
inline std::vector<PALETTEENTRY> Entries(const RGBQUAD* table, size_t count)
{
    std::vector<PALETTEENTRY> entries;
    for (size_t i = 0; i < count; ++i)
        entries.push_back({table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0});
    return entries;
}

} // namespace cfu::test

inline bool operator==(const PALETTEENTRY& a, const PALETTEENTRY& b)
{
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue && a.peFlags == b.peFlags;
}
