// Message-loop helpers shared by the demo, the benchmarks and the tests:
// programs that wait for messages from other processes, with a deadline.
#pragma once

#include <windows.h>

namespace cfu::tools {

// How long an expected message or reply may take once both sides run.
constexpr DWORD kReplyTimeoutMs = 10000;

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
bool PumpUntil(Pred pred, DWORD timeoutMs = kReplyTimeoutMs)
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

} // namespace cfu::tools
