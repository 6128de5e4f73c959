// The MFC-compatible layer's window routing: a CWnd attached from its first
// message, a command reaching its message map, detach at WM_NCDESTROY.
#include "Demo.h"

#include "CFUtils.h"
#include "HiddenWindow.h"

#include <cstdio>

static const char kClassName[] = "CFUtils Demo Window";
static const UINT kCmdHello = 100;

class CDemoWnd : public CWnd
{
public:
    int m_messages = 0;
    UINT m_firstMessage = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (m_messages++ == 0)
            m_firstMessage = message;
        return CWnd::WindowProc(message, wParam, lParam);
    }
    void OnHello() { std::printf("  command %u reached CDemoWnd::OnHello through the message map\n", kCmdHello); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDemoWnd, CWnd)
    ON_COMMAND(kCmdHello, CDemoWnd::OnHello)
END_MESSAGE_MAP()

int RunWindowDemo()
{
    std::printf("== Window routing of the MFC-compatible layer ==\n");
    CDemoWnd wnd;
    if (!cfu::tools::MakeHiddenCWnd(wnd, kClassName)) {
        std::printf("  CreateEx failed (%lu): is the prefix's graphics driver \"null\"?\n", GetLastError());
        return 1;
    }
    std::printf("  window %p created; first message seen by WindowProc: 0x%04X%s\n",
                (void*)wnd.m_hWnd, wnd.m_firstMessage,
                wnd.m_firstMessage == WM_GETMINMAXINFO || wnd.m_firstMessage == WM_NCCREATE ? " (attached during creation)" : "");
    std::printf("  CWnd::FromHandle gives the same object: %s\n", CWnd::FromHandle(wnd.m_hWnd) == &wnd ? "yes" : "no");
    LRESULT handled = SendMessageA(wnd.m_hWnd, WM_COMMAND, MAKEWPARAM(kCmdHello, 0), 0);
    std::printf("  WM_COMMAND %u answered %lld\n", kCmdHello, (long long)handled);
    HWND hWnd = wnd.m_hWnd;
    wnd.DestroyWindow();
    std::printf("  destroyed after %d messages; detached at WM_NCDESTROY: %s\n", wnd.m_messages,
                wnd.m_hWnd == NULL && CWnd::FromHandlePermanent(hWnd) == NULL ? "yes" : "no");
    return handled == 1 ? 0 : 1;
}
