#include "library/CFUtils.h"
#include "library/CFRouter.h"

/////////////////////////////////////////////////////////////////////////////
// CGlobalMessagePipe

CGlobalMessagePipe::CGlobalMessagePipe() : m_hRouter(FindWindowA(cfu::router::kWindowClass, NULL)) {}

CGlobalMessagePipe::~CGlobalMessagePipe() = default;

unsigned __int64 CGlobalMessagePipe::RegisterForNotifications(CMessageRegistration& reg)
{
    // The permanent map holds this thread's windows only; a router of another
    // thread or process, or a window of that class that is no pipe, gives NULL.
    CMessagePipe* pPipe = dynamic_cast<CMessagePipe*>(CWnd::FromHandlePermanent(m_hRouter));
    return pPipe ? pPipe->RegisterForNotifications(reg) : 0;
}

/////////////////////////////////////////////////////////////////////////////
// CRemoteMessagePipe

unsigned __int64 CRemoteMessagePipe::RegisterForNotifications(HWND hWnd, CMessageRegistration& reg)
{
    HWND hRouter = FindWindowA(cfu::router::kWindowClass, NULL);
    if (!hRouter)
        return 0;
    reg.SetWindowHandle(hWnd);
    TAGRawRegistration* pRaw = static_cast<TAGRawRegistration*>(static_cast<void*>(reg));
    COPYDATASTRUCT request = {cfu::router::kRegisterRequest, pRaw->cbSize, pRaw};
    return static_cast<unsigned __int64>(SendMessageA(hRouter, WM_COPYDATA, WPARAM(hWnd), LPARAM(&request)));
}

int CRemoteMessagePipe::UnRegisterNotification(unsigned __int64 handle)
{
    const UINT ipcMessage = RegisterWindowMessageA(cfu::router::kIpcMessage);
    HWND hRouter = FindWindowA(cfu::router::kWindowClass, NULL);
    if (!hRouter)
        return 0;
    SendMessageA(hRouter, ipcMessage, cfu::router::kUnregisterRequest, LPARAM(handle));
    return 1;
}
