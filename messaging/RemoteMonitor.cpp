#include "messaging/RemoteMonitor.h"
#include "library/CFRouter.h"

#include <cstddef>

IMPLEMENT_DYNAMIC(CRemoteMonitor, CNotifyTarget)

namespace {

// The header's fields end where the lists begin.
const size_t kRawHeaderSize = offsetof(TAGRawRegistration, aIds);

// Any process can send the router WM_COPYDATA: a registration is built only
// from a record whose header and both lists lie inside cbData. The size field
// and the tail are not needed and not required.
bool IsWellFormed(const COPYDATASTRUCT& request)
{
    if (!request.lpData || request.cbData < kRawHeaderSize)
        return false;
    const TAGRawRegistration* pRaw = static_cast<const TAGRawRegistration*>(request.lpData);
    const unsigned __int64 cIds = static_cast<unsigned __int64>(pRaw->cMessages) + pRaw->cCommands;
    return kRawHeaderSize + sizeof(UINT) * cIds <= request.cbData;
}

} // namespace

CRemoteMonitor::CRemoteMonitor() : m_ipcMessage(0) {}

int CRemoteMonitor::Register(CMessagePipe* pPipe)
{
    m_ipcMessage = RegisterWindowMessageA(cfu::router::kIpcMessage);
    m_registration.AddMessageToList(m_ipcMessage);
    m_registration.AddMessageToList(WM_COPYDATA);
    m_registration.SetNotifyTarget(this);
    pPipe->RegisterForNotifications(m_registration);
    return 1;
}

int CRemoteMonitor::UnRegister()
{
    return 1;
}

int CRemoteMonitor::Notify(CMessageNotification* pNotification)
{
    // Requests are taken through the monitor's own registration only: a
    // remote registration that also wants WM_COPYDATA would otherwise
    // register each request again, and every copy would match again further
    // down the same walk. Its own registration has no window to forward to.
    const CMessageRegistration* pMatched = pNotification->GetMessageRegistration();
    if (pMatched && pMatched->GetHandle() == m_registration.GetHandle())
        return TakeRequest(*pNotification);
    return Forward(*pNotification);
}

int CRemoteMonitor::TakeRequest(CMessageNotification& notification)
{
    const LPARAM lParam = notification.GetLparam();
    if (notification.GetMessageA() == WM_COPYDATA) {
        const COPYDATASTRUCT* pRequest = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (!pRequest || pRequest->dwData != cfu::router::kRegisterRequest || !IsWellFormed(*pRequest))
            return 0;
        CMessageRegistration remote(static_cast<TAGRawRegistration*>(pRequest->lpData));
        remote.SetNotifyTarget(this);
        notification.SetReturnResult(LRESULT(m_registration.GetMessagePipe()->RegisterForNotifications(remote)));
        return 1;
    }
    if (notification.GetMessageA() != m_ipcMessage)
        return 0;
    CMessagePipe* pPipe = m_registration.GetMessagePipe();
    switch (notification.GetWparam()) {
    case cfu::router::kUnregisterRequest:
        pPipe->UnRegisterNotification(static_cast<unsigned __int64>(lParam));
        return 0;
    case cfu::router::kCountRequest:
        notification.SetReturnResult(LRESULT(pPipe->CountHandlers(UINT(lParam))));
        return 1;
    case cfu::router::kGoneWindowRequest:
        notification.SetReturnResult(LRESULT(pPipe->NextRegistrationWithoutWindow(static_cast<unsigned __int64>(lParam))));
        return 1;
    default:
        return 0;
    }
}

int CRemoteMonitor::Forward(CMessageNotification& notification)
{
    const CMessageRegistration* pMatched = notification.GetMessageRegistration();
    HWND hWnd = pMatched ? pMatched->GetWindowHandle() : NULL;
    if (!hWnd)
        return 0;
    const UINT message = notification.GetMessageA();
    switch (pMatched->GetNotifyStyle()) {
    case NOTIFY_STYLE_SEND: {
        // The window's answer is not the router's, and a window that stops
        // answering must not hold up every other component.
        DWORD_PTR discarded;
        SendMessageTimeoutA(hWnd, message, notification.GetWparam(), notification.GetLparam(),
                            SMTO_NORMAL | SMTO_ABORTIFHUNG, cfu::router::kSentForwardTimeoutMs, &discarded);
        return 1;
    }
    case NOTIFY_STYLE_DEFAULT:
    case NOTIFY_STYLE_POST:
        PostMessageA(hWnd, message, notification.GetWparam(), notification.GetLparam());
        return 1;
    default:
        return 0;
    }
}

unsigned __int64 CMessagePipe::NextRegistrationWithoutWindow(unsigned __int64 after)
{
    for (POSITION pos = m_registrations.GetHeadPosition(); pos;) {
        const CMessageRegistration& reg = m_registrations.GetNext(pos);
        if (reg.GetHandle() > after && reg.GetWindowHandle() && !IsWindow(reg.GetWindowHandle()))
            return reg.GetHandle();
    }
    return 0;
}
