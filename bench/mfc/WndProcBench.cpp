// Cost of the MFC-compatible layer's window routing: SendMessageA to a CWnd
// (common window procedure, window map lookup, virtual WindowProc) against
// SendMessageA to a plain window procedure doing the same work.
#include <afxwin.h>

#include "Bench.h"
#include "HiddenWindow.h"

namespace {

volatile LONG_PTR g_sink;

LRESULT CALLBACK RawProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_APP) {
        g_sink = g_sink + lParam;
        return 1;
    }
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

class CBenchWnd : public CWnd
{
protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_APP) {
            g_sink = g_sink + lParam;
            return 1;
        }
        return CWnd::WindowProc(msg, wParam, lParam);
    }
};

} // namespace

int main()
{
    CBenchWnd wnd;
    HWND afx = cfu::tools::MakeHiddenCWnd(wnd, "bench afx") ? wnd.m_hWnd : NULL;
    HWND raw = cfu::tools::MakeHiddenWindow("bench raw", &RawProc);
    if (!afx || !raw) {
        std::printf("window creation failed: the prefix needs the null graphics driver\n");
        return 1;
    }
    cfu::bench::Compare("CWnd SendMessageA (same thread)", 200000,
                        [&] { SendMessageA(afx, WM_APP, 0, 1); },
                        [&] { SendMessageA(raw, WM_APP, 0, 1); });
    cfu::bench::Compare("CString append 16 bytes", 200000,
                        [] { CString s("0123456789abcdef"); s += "0123456789abcdef"; g_sink = s.GetLength(); },
                        [] { char b[40]; lstrcpyA(b, "0123456789abcdef"); lstrcatA(b, "0123456789abcdef"); g_sink = lstrlenA(b); });
    DestroyWindow(raw);
    return 0;
}
