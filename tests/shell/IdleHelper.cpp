// A GUI program for the idle-wait tests, built twice: one copy pumps its
// messages, the other never does. Its window's class names it, so that a test
// can find and end it; either way it ends by itself after a while.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    const WNDCLASSA wc = {0, DefWindowProcA, 0, 0, instance, NULL, NULL, NULL, NULL, CFU_IDLE_CLASS};
    RegisterClassA(&wc);
    CreateWindowExA(0, CFU_IDLE_CLASS, "", WS_POPUP, 0, 0, 0, 0, NULL, NULL, instance, NULL);
    const UINT lifetimeMs = 30000;
    if (!CFU_IDLE_PUMPS) {
        Sleep(lifetimeMs);
        return 0;
    }
    SetTimer(NULL, 0, lifetimeMs, NULL);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0 && msg.message != WM_TIMER)
        DispatchMessageA(&msg);
    return 0;
}
