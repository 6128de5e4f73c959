// Message-loop helpers shared by the demo, the benchmarks and the tests:
// programs that wait for messages from other processes, with a deadline.
#pragma once

#include <windows.h>

namespace cfu::tools {

// Dispatches every message already queued for this thread.
inline void PumpPending()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Pumps this thread's messages until pred() holds or timeoutMs passes.
template <class Pred>
bool PumpUntil(Pred pred, DWORD timeoutMs = 10000)
{
    DWORD start = GetTickCount();
    while (!pred()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
        PumpPending();
    }
    return true;
}

// A hidden top-level window of a class of its own with the given procedure.
inline HWND MakePlainWindow(const char* className, WNDPROC proc)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    return CreateWindowExA(0, className, "", WS_POPUP, 0, 0, 0, 0, NULL, NULL, wc.hInstance, NULL);
}

} // namespace cfu::tools
