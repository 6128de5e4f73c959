// Bitmaps with palettes that show them well, and the transparent blit.
#include "library/CFUtils.h"

#include "library/Handles.h"
#include "resources/Palette.h"

#include <memory>
#include <new>

namespace {

HBITMAP LoadBitmapImage(HINSTANCE module, unsigned int id, UINT flags)
{
    return static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(WORD(id)), IMAGE_BITMAP, 0, 0, flags));
}

// The section's colour table as the platform reports it; only the entries
// actually read make the palette.
HPALETTE PaletteOfSection(HDC screen, HBITMAP section, UINT count)
{
    std::unique_ptr<RGBQUAD[]> table(new (std::nothrow) RGBQUAD[count]);
    cfu::unique_hdc memory(CreateCompatibleDC(screen));
    if (!table || !memory)
        return NULL;
    cfu::scoped_select selected(memory.get(), section);
    const UINT read = GetDIBColorTable(memory.get(), 0, count, table.get());
    return cfu::CreatePaletteFromTable(table.get(), read);
}

// Copying colour to monochrome makes the background colour white and every
// other colour black: the mask is white where source has `transparent`.
void MakeMask(HDC mask, HDC image, int width, int height, COLORREF transparent)
{
    SetBkColor(image, transparent);
    BitBlt(mask, 0, 0, width, height, image, 0, 0, SRCCOPY);
}

// Monochrome to colour maps white to the background colour and black to the
// text colour: the image loses its transparent pixels, dest the area of the
// opaque ones, and then the two are joined.
void CombineThroughMask(HDC dest, int x, int y, int width, int height, HDC image, HDC mask)
{
    SetBkColor(image, RGB(0, 0, 0));
    SetTextColor(image, RGB(255, 255, 255));
    BitBlt(image, 0, 0, width, height, mask, 0, 0, SRCAND);
    SetBkColor(dest, RGB(255, 255, 255));
    SetTextColor(dest, RGB(0, 0, 0));
    BitBlt(dest, x, y, width, height, mask, 0, 0, SRCAND);
    BitBlt(dest, x, y, width, height, image, 0, 0, SRCPAINT);
}

} // namespace

int GetBitmapAndPalette(HINSTANCE module, unsigned int id, HBITMAP& bitmap, HPALETTE& palette)
{
    palette = NULL;
    cfu::unique_hgdiobj section(LoadBitmapImage(module, id, LR_CREATEDIBSECTION));
    DIBSECTION dib = {};
    if (!section || !GetObjectA(section.get(), sizeof dib, &dib)) {
        bitmap = NULL;
        return 0;
    }
    const UINT64 count = dib.dsBmih.biClrUsed ? dib.dsBmih.biClrUsed : UINT64(1) << dib.dsBmih.biBitCount;
    {
        cfu::unique_screen_dc screen(GetDC(NULL));
        palette = count <= 256 ? PaletteOfSection(screen.get(), static_cast<HBITMAP>(section.get()), UINT(count))
                               : CreateHalftonePalette(screen.get());
    }
    section.reset();
    bitmap = LoadBitmapImage(module, id, LR_DEFAULTCOLOR);
    return bitmap && palette;
}

void TransparentBlt2(HDC dest, int x, int y, int width, int height, HBITMAP source, int srcX, int srcY,
                     COLORREF transparent, HPALETTE palette)
{
    cfu::unique_hdc maskDC(CreateCompatibleDC(dest)), imageDC(CreateCompatibleDC(dest)),
        sourceDC(CreateCompatibleDC(dest));
    cfu::unique_hgdiobj image(CreateCompatibleBitmap(dest, width, height));
    cfu::unique_hgdiobj mask(CreateBitmap(width, height, 1, 1, NULL));
    cfu::scoped_select imageSelected(imageDC.get(), image.get());
    if (palette && (GetDeviceCaps(dest, RASTERCAPS) & RC_PALETTE)) {
        SelectPalette(dest, palette, FALSE);
        RealizePalette(dest);
        SelectPalette(imageDC.get(), palette, FALSE);
    }
    cfu::scoped_select sourceSelected(sourceDC.get(), source);
    BitBlt(imageDC.get(), 0, 0, width, height, sourceDC.get(), srcX, srcY, SRCCOPY);
    cfu::scoped_select maskSelected(maskDC.get(), mask.get());
    MakeMask(maskDC.get(), imageDC.get(), width, height, transparent);
    CombineThroughMask(dest, x, y, width, height, imageDC.get(), maskDC.get());
}
