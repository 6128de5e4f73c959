// The suite program that owns the message router. A component of this
// process registers with the router object through CGlobalMessagePipe; a
// component in another process (remote_component.exe, started from this
// program's folder) registers by WM_COPYDATA and receives its messages at a
// window of its own.
#include <CFUtils.h>

#include "ExampleMessages.h"

#include <string>

using example::Say;

namespace {

// A component of the router's own process: the router calls Notify directly.
class StatusPanel : public CNotifyTarget
{
public:
    int Notify(CMessageNotification* n) override
    {
        Say("router_owner: status panel: device %llu is now in state %lld\n",
            (unsigned long long)n->GetWparam(), (long long)n->GetLparam());
        n->SetReturnResult(1);   // the router's answer to whoever sent the message
        return 1;
    }
    int Register(CMessagePipe*) override { return 1; }
    int UnRegister() override { return 1; }
};

// Dispatches this thread's messages until done() or the deadline; the router
// and the remote requests it serves run inside this loop.
template <class Done>
bool PumpUntil(Done done, DWORD timeoutMs, HANDLE wakeOn = NULL)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        MsgWaitForMultipleObjects(wakeOn ? 1 : 0, &wakeOn, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    return true;
}

bool StartBeside(const char* program, PROCESS_INFORMATION& pi)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string command(path, length);
    command = "\"" + command.substr(0, command.find_last_of('\\') + 1) + program + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    return CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi) != 0;
}

} // namespace

int main()
{
    CMessagePipe router;
    if (!router.Initialize()) {
        Say("router_owner: the router window could not be created\n");
        return 1;
    }
    const UINT deviceChanged = example::DeviceChanged(), query = example::Query(),
               shutdown = example::Shutdown();

    StatusPanel panel;
    CMessageRegistration panelRegistration;
    panelRegistration.SetNotifyTarget(&panel);
    panelRegistration.AddMessageToList(deviceChanged);
    unsigned __int64 panelHandle = CGlobalMessagePipe().RegisterForNotifications(panelRegistration);
    Say("router_owner: router up; status panel registered as handle %llu\n", panelHandle);

    PROCESS_INFORMATION pi;
    if (!StartBeside("remote_component.exe", pi)) {
        Say("router_owner: remote_component.exe did not start (%lu)\n", GetLastError());
        return 1;
    }
    // A cold start of a second process can take many seconds.
    bool ok = PumpUntil([&] { return router.CountHandlers(shutdown) > 0; }, 60000, pi.hProcess);
    Say("router_owner: remote component %s\n", ok ? "registered" : "did not register");

    LRESULT answer = ::SendMessageA(router.m_hWnd, deviceChanged, 2, 1);
    Say("router_owner: device change routed; router answered %lld\n", (long long)answer);
    answer = ::SendMessageA(router.m_hWnd, query, 0, 0);
    Say("router_owner: query routed; router answered %lld\n", (long long)answer);
    ::SendMessageA(router.m_hWnd, shutdown, 0, 0);

    ok = PumpUntil([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, 20000, pi.hProcess) && ok;
    panelRegistration.GetMessagePipe()->UnRegisterNotification(panelHandle);
    Say("router_owner: remote component ended; registrations left: %u\n",
        router.CountHandlers(deviceChanged) + router.CountHandlers(query) + router.CountHandlers(shutdown));
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ok ? 0 : 1;
}
