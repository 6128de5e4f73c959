// A GUI program for the idle-wait tests: it pumps its messages unless
// CFU_IDLE_STILL is set in its environment, and ends by itself after a while
// either way. Its window's class lets a test find and end it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    const WNDCLASSA wc = {0, DefWindowProcA, 0, 0, instance, NULL, NULL, NULL, NULL, "CFUtilsTestIdle"};
    RegisterClassA(&wc);
    CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, NULL, NULL, instance, NULL);
    const UINT lifetimeMs = 30000;
    SetTimer(NULL, 0, lifetimeMs, NULL);
    if (GetEnvironmentVariableA("CFU_IDLE_STILL", NULL, 0))
        Sleep(lifetimeMs);   // its timer is due by then, so it ends at once
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0 && msg.message != WM_TIMER)
        DispatchMessageA(&msg);
    return 0;
}
