#include "resources/Palette.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>

HPALETTE cfu::CreatePaletteFromTable(const RGBQUAD* table, UINT count)
{
    const size_t bytes = offsetof(LOGPALETTE, palPalEntry) + sizeof(PALETTEENTRY) * std::max(count, 1u);
    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[bytes]());
    if (!block)
        return NULL;
    auto* logical = reinterpret_cast<LOGPALETTE*>(block.get());
    logical->palVersion = 0x300;
    logical->palNumEntries = WORD(count);
    std::transform(table, table + count, logical->palPalEntry, [](const RGBQUAD& colour) {
        return PALETTEENTRY{colour.rgbRed, colour.rgbGreen, colour.rgbBlue, 0};
    });
    return CreatePalette(logical);
}
