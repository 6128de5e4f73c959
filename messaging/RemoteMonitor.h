// The router's own target for other processes: it takes registration
// requests (WM_COPYDATA) and unregistration requests (the IPC message), and
// forwards matched messages to the windows of remote registrations.
#pragma once

#include "library/CFUtils.h"

class CRemoteMonitor : public CNotifyTarget
{
    DECLARE_DYNAMIC(CRemoteMonitor)
public:
    CRemoteMonitor();

    int Notify(CMessageNotification* pNotification) override;
    // Registers for the IPC message and WM_COPYDATA under the pipe's next handle.
    int Register(CMessagePipe* pPipe) override;
    // Nothing to undo: the pipe releases the monitor.
    int UnRegister() override;

private:
    // A registration or unregistration request reaching the monitor's own
    // registration.
    int TakeRequest(CMessageNotification& notification);
    // A message matched by a remote registration, to its window.
    int Forward(CMessageNotification& notification);

    CMessageRegistration m_registration;
    UINT m_ipcMessage;
};
