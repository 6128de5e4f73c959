// Palettes from colour tables, for the bitmap functions and the resource
// manager.
// Internal to CFUtils.dll.
#pragma once

#include <windows.h>

namespace cfu {

// A palette of count entries with the colours of table (flags 0); NULL when
// memory is short or the platform refuses.
HPALETTE CreatePaletteFromTable(const RGBQUAD* table, UINT count);

} // namespace cfu
