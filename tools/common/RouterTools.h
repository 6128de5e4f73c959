// Registering a notification target with a router in one call, for the demo,
// the benchmarks and the tests.
#pragma once

#include "CFUtils.h"
#include "Handles.h"

#include <vector>

namespace cfu::tools {

// Registers pTarget for the messages, the range from..to and the commands
// given; the router's handle for it.
inline unsigned __int64 RegisterTarget(CMessagePipe& pipe, CNotifyTarget* pTarget,
                                       const std::vector<UINT>& messages, UINT from = 0,
                                       UINT to = 0, const std::vector<UINT>& commands = {})
{
    CMessageRegistration reg;
    reg.SetNotifyTarget(pTarget);
    reg.SetMessageFrom(from);
    reg.SetMessageTo(to);
    for (UINT m : messages)
        reg.AddMessageToList(m);
    for (UINT c : commands)
        reg.AddCommandToList(c);
    return pipe.RegisterForNotifications(reg);
}

// Registers hWnd, from another process, for one message delivered in the
// given style; the router's handle, 0 when there is no router.
inline unsigned __int64 RegisterRemoteWindow(HWND hWnd, UINT message, NOTIFY_STYLE style)
{
    CMessageRegistration reg;
    reg.AddMessageToList(message);
    reg.SetNotifyStyle(style);
    return CRemoteMessagePipe().RegisterForNotifications(hWnd, reg);
}

// The handle value that the process of hWnd answered, duplicated into this
// process with the same access; NULL when it cannot be.
inline HANDLE DuplicateFromWindowProcess(HWND hWnd, HANDLE hValue)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(hWnd, &processId);
    cfu::unique_handle process(OpenProcess(PROCESS_DUP_HANDLE, FALSE, processId));
    HANDLE hDuplicate = NULL;
    if (process)
        DuplicateHandle(process.get(), hValue, GetCurrentProcess(), &hDuplicate, 0, FALSE, DUPLICATE_SAME_ACCESS);
    return hDuplicate;
}

} // namespace cfu::tools
