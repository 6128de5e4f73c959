// DIB resources as device-dependent bitmaps with their palettes.
#include "library/CFUtils.h"

#include "library/Handles.h"
#include "resources/Palette.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The suite's DIBs carry a full 256-colour table: their bits start here.
const UINT64 kFixedBitsOffset = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD);

// Where the pixel bits of a packed DIB resource start; 0 when the header is
// not one the library reads or the resource is too short for what it claims.
UINT64 BitsOffset(const BYTE* resource, DWORD size)
{
    if (size < sizeof(BITMAPINFOHEADER))
        return 0;
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(resource);
    const WORD depth = header->biBitCount;
    const bool masks = header->biCompression == BI_BITFIELDS && (depth == 16 || depth == 32);
    if (header->biSize != sizeof(BITMAPINFOHEADER) || header->biPlanes != 1 ||
        header->biWidth <= 0 || header->biHeight == 0 ||
        (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32) ||
        (header->biCompression != BI_RGB && !masks))
        return 0;
    // The colour count as the platform's DIB readers take it.
    const UINT64 colours = header->biClrUsed ? std::min<UINT64>(header->biClrUsed, 256)
                           : depth <= 8      ? UINT64(1) << depth
                                             : 0;
    const UINT64 info = sizeof(BITMAPINFOHEADER) + (masks ? 3 * sizeof(DWORD) : 0) +
                        colours * sizeof(RGBQUAD);
    const UINT64 stride = (UINT64(header->biWidth) * depth + 31) / 32 * 4;
    const UINT64 bits = stride * UINT64(std::abs(INT64(header->biHeight)));
    if (info <= kFixedBitsOffset && kFixedBitsOffset + bits <= size)
        return kFixedBitsOffset;
    return info + bits <= size ? info : 0;
}

} // namespace

HPALETTE CResourceMgr::CreateDIBPalette(const BITMAPINFOHEADER* header, UINT tableEntries)
{
    if (header->biBitCount > 8)
        return NULL;
    const UINT count = std::min(1u << header->biBitCount, tableEntries);
    return cfu::CreatePaletteFromTable(reinterpret_cast<const RGBQUAD*>(header + 1), count);
}

HBITMAP CResourceMgr::FindAndLoadDIB(unsigned int id, BITMAPINFOHEADER** header, char** bits,
                                     HPALETTE* palette, unsigned int mask)
{
    if (header)
        *header = nullptr;
    if (bits)
        *bits = nullptr;
    if (palette)
        *palette = NULL;
    LPCSTR name = MAKEINTRESOURCEA(WORD(id));
    HINSTANCE library = FindResourceDLL(name, RT_BITMAP, mask);
    HRSRC info = library ? FindResourceA(library, name, RT_BITMAP) : NULL;
    HGLOBAL loaded = info ? LoadResource(library, info) : NULL;
    auto* resource = loaded ? static_cast<BYTE*>(LockResource(loaded)) : nullptr;
    const UINT64 offset = resource ? BitsOffset(resource, SizeofResource(library, info)) : 0;
    if (!offset)
        return NULL;

    auto* dib = reinterpret_cast<BITMAPINFOHEADER*>(resource);
    cfu::unique_screen_dc screen(GetDC(NULL));
    cfu::unique_hgdiobj colours(CreateDIBPalette(dib, UINT((offset - sizeof *dib) / sizeof(RGBQUAD))));
    HPALETTE previous = NULL;
    if (colours) {
        previous = SelectPalette(screen.get(), static_cast<HPALETTE>(colours.get()), FALSE);
        RealizePalette(screen.get());
    }
    HBITMAP bitmap = CreateDIBitmap(screen.get(), dib, CBM_INIT, resource + offset,
                                    reinterpret_cast<BITMAPINFO*>(dib), DIB_RGB_COLORS);
    if (previous)
        SelectPalette(screen.get(), previous, FALSE);
    if (!bitmap)
        return NULL;
    if (header)
        *header = dib;
    if (bits)
        *bits = reinterpret_cast<char*>(resource + offset);
    if (palette)
        *palette = static_cast<HPALETTE>(colours.release());
    return bitmap;
}
