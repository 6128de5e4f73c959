// Hidden top-level windows of classes of their own, for tests, the demo and
// the benchmarks: a router's partner, a listener, a collector of reports, a
// CWnd of the MFC-compatible layer.
#pragma once

#include <afxwin.h>

namespace cfu::tools {

// Registers className for proc in this program; an existing class is kept.
inline void RegisterWindowClass(const char* className, WNDPROC proc)
{
    const WNDCLASSA wc = {0, proc, 0, 0, GetModuleHandleA(NULL), NULL, NULL, NULL, NULL, className};
    RegisterClassA(&wc);
}

// A hidden WS_POPUP window of className (registered with proc) carrying
// userData in GWLP_USERDATA; NULL when no window can be created (a prefix
// without the null graphics driver).
inline HWND MakeHiddenWindow(const char* className, WNDPROC proc, LONG_PTR userData = 0, DWORD exStyle = 0)
{
    RegisterWindowClass(className, proc);
    HWND hWnd = CreateWindowExA(exStyle, className, "", WS_POPUP, 0, 0, 0, 0, NULL, NULL, GetModuleHandleA(NULL),
                                NULL);
    if (hWnd)
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, userData);
    return hWnd;
}

// wnd attached to a new hidden window of className, whose procedure is the
// framework's, so that wnd sees the window's messages from the first one.
inline BOOL MakeHiddenCWnd(CWnd& wnd, const char* className)
{
    RegisterWindowClass(className, AfxGetAfxWndProc());
    return wnd.CreateEx(0, className, "", WS_POPUP, 0, 0, 0, 0, NULL, NULL);
}

} // namespace cfu::tools
