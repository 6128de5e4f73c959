// A string, an icon and a bitmap loaded through the resource manager from the
// demo's resource library (cfu_demo_res.dll, built beside the demo), drawn
// into a memory bitmap (the bitmap with its magenta left out) that is written
// as cfu_demo_resources.bmp beside the demo.
#include "Demo.h"

#include "CFUtils.h"
#include "DemoResources.h"
#include "library/Handles.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

const char kLibrary[] = "cfu_demo_res.dll";
const char kOutputName[] = "cfu_demo_resources.bmp";
const int kWidth = 80, kHeight = 40, kPadWidth = 24, kPadHeight = 16;
const COLORREF kKey = RGB(255, 0, 255);

using ManagerPtr = cfu::unique_ref<CResourceMgr>;

// A bottom-up 32-bit section, whose bits are a .bmp file's rows as they stand.
struct Canvas
{
    BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), kWidth, kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    DWORD* bits = nullptr;
    cfu::unique_hdc dc{CreateCompatibleDC(NULL)};
    cfu::unique_hgdiobj bitmap{CreateDIBSection(NULL, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                                reinterpret_cast<void**>(&bits), NULL, 0)};
    cfu::scoped_select selected{dc.get(), bitmap.get()};
};

// Wine's own name for a file, where there is one.
std::string UnixName(const std::string& path)
{
    using Convert = char*(CDECL*)(const WCHAR*);
    auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    std::wstring wide(path.begin(), path.end());
    char* unix = convert ? convert(wide.c_str()) : nullptr;
    const std::string result = unix ? unix : "";
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

void PaintStripes(HDC dc)
{
    for (int x = 0; x < kWidth; x += 8) {
        cfu::unique_hgdiobj brush(CreateSolidBrush(x % 16 ? RGB(250, 230, 160) : RGB(120, 170, 230)));
        const RECT stripe = {x, 0, x + 8, kHeight};
        FillRect(dc, &stripe, static_cast<HBRUSH>(brush.get()));
    }
}

bool WriteBitmapFile(const std::string& path, const Canvas& canvas)
{
    GdiFlush();
    const DWORD bytes = kWidth * kHeight * 4, offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    const BITMAPFILEHEADER file = {0x4D42, offset + bytes, 0, 0, offset};
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(path.c_str(), "wb"), &std::fclose);
    return out && std::fwrite(&file, sizeof file, 1, out.get()) &&
           std::fwrite(&canvas.header, sizeof canvas.header, 1, out.get()) && std::fwrite(canvas.bits, bytes, 1, out.get());
}

// Pixels of the pad's rectangle at (x0, y0) that still have the stripes'
// colours.
int Untouched(const Canvas& canvas, int x0, int y0)
{
    int count = 0;
    for (int y = y0; y < y0 + kPadHeight; ++y)
        for (int x = x0; x < x0 + kPadWidth; ++x) {
            const COLORREF c = GetPixel(canvas.dc.get(), x, y);
            count += c == RGB(250, 230, 160) || c == RGB(120, 170, 230);
        }
    return count;
}

int Draw(CResourceMgr& manager, Canvas& canvas)
{
    cfu::unique_hgdiobj pad(manager.FindAndLoadBitmap(IDB_DEMO_PAD, 0x8));
    cfu::unique_hicon disc(manager.FindAndLoadIcon(IDI_DEMO_DISC, 0x8));
    if (!pad || !disc || !canvas.bits) {
        std::printf("  bitmap %p, icon %p: not loaded\n", pad.get(), static_cast<void*>(disc.get()));
        return 1;
    }
    PaintStripes(canvas.dc.get());
    DrawIconEx(canvas.dc.get(), 44, 4, disc.get(), 0, 0, 0, NULL, DI_NORMAL);
    const HBITMAP bitmap = static_cast<HBITMAP>(pad.get());
    TransparentBlt2(canvas.dc.get(), 4, 2, kPadWidth, kPadHeight, bitmap, 0, 0, kKey, NULL);
    TransparentBlt2(canvas.dc.get(), 4, 22, kPadWidth, kPadHeight, bitmap, 0, 0, RGB(1, 2, 3), NULL);
    std::printf("  bitmap %d drawn twice with TransparentBlt2: with magenta as the key %d of its %d pixels"
                " show the stripes through; with an absent key, %d\n",
                IDB_DEMO_PAD, Untouched(canvas, 4, 2), kPadWidth * kPadHeight, Untouched(canvas, 4, 22));
    std::printf("  icon %d drawn at (44, 4)\n", IDI_DEMO_DISC);
    return 0;
}

void ShowPalette(HMODULE library)
{
    HBITMAP bitmap = NULL;
    HPALETTE palette = NULL;
    const int result = GetBitmapAndPalette(library, IDB_DEMO_PAD, bitmap, palette);
    cfu::unique_hgdiobj ownedBitmap(bitmap), ownedPalette(palette);
    std::printf("  GetBitmapAndPalette: %d, a palette of %u colours (its table as the platform reports it)\n",
                result, palette ? GetPaletteEntries(palette, 0, 0, NULL) : 0u);
}

} // namespace

int RunResourceDemo()
{
    std::printf("== Resources through the manager, and the transparent blit ==\n");
    ManagerPtr manager(new CResourceMgr(GetModuleHandleA(NULL)));
    if (!manager->Initialize(kLibrary, kLibrary, NULL, NULL, NULL)) {
        std::printf("  %s not found beside the demo (%s)\n", kLibrary, (LPCSTR)manager->m_strModuleDir);
        return 1;
    }
    std::printf("  library: %s\n", LPCSTR(GetModuleFileNameA(manager->m_hLib1)));
    std::printf("  string %d: \"%s\"\n", IDS_DEMO_TITLE, (LPCSTR)manager->FindAndLoadString(IDS_DEMO_TITLE, 0x8));
    ShowPalette(manager->m_hLib1);
    Canvas canvas;
    if (Draw(*manager, canvas))
        return 1;
    const std::string path = std::string(manager->m_strModuleDir) + kOutputName;
    if (!WriteBitmapFile(path, canvas)) {
        std::printf("  could not write %s\n", path.c_str());
        return 1;
    }
    std::printf("  %d x %d picture written to %s\n", kWidth, kHeight, path.c_str());
    const std::string unixName = UnixName(path);
    if (!unixName.empty())
        std::printf("  (that is %s)\n", unixName.c_str());
    return 0;
}
