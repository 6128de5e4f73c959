// A suite component in a process of its own: it registers with the router
// of router_owner.exe by WM_COPYDATA and receives the messages it asked for
// at a hidden window, posted or sent as each registration says.
#include <CFUtils.h>

#include "ExampleMessages.h"

#include <initializer_list>

using example::Say;

namespace {

LRESULT CALLBACK ComponentProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // The router forwards a message with its own number, wParam and lParam;
    // pointers in them would mean nothing in this process.
    if (msg == example::DeviceChanged()) {
        Say("remote_component: device %llu is now in state %lld (posted)\n", (unsigned long long)wParam,
            (long long)lParam);
        return 0;
    }
    if (msg == example::Query()) {
        Say("remote_component: query (%s); answering 99\n", InSendMessage() ? "sent" : "posted");
        return 99;
    }
    if (msg == example::Shutdown()) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

// The router's handle for a registration of hWnd for the messages given.
unsigned __int64 Register(HWND hWnd, NOTIFY_STYLE style, std::initializer_list<UINT> messages)
{
    CMessageRegistration registration;
    for (UINT message : messages)
        registration.AddMessageToList(message);
    registration.SetNotifyStyle(style);
    return CRemoteMessagePipe().RegisterForNotifications(hWnd, registration);
}

} // namespace

int main()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ComponentProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "FlyDeck Example Component";
    RegisterClassA(&wc);
    HWND hWnd = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, NULL, NULL, wc.hInstance, NULL);

    // The query is sent, so that the router waits for this window; the
    // shutdown comes last, so that the router sees both registrations once
    // it sees that one.
    unsigned __int64 queries = Register(hWnd, NOTIFY_STYLE_SEND, {example::Query()});
    unsigned __int64 events = Register(hWnd, NOTIFY_STYLE_POST, {example::DeviceChanged(), example::Shutdown()});
    if (!queries || !events) {
        Say("remote_component: no router running\n");
        return 1;
    }
    Say("remote_component: registered as handles %llu and %llu\n", queries, events);

    // Never outlive a router owner that has gone.
    SetTimer(NULL, 0, 30000, NULL);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0 && msg.message != WM_TIMER)
        DispatchMessageA(&msg);

    CRemoteMessagePipe router;
    router.UnRegisterNotification(queries);
    router.UnRegisterNotification(events);
    Say("remote_component: unregistered; ending\n");
    DestroyWindow(hWnd);
    return msg.message == WM_TIMER ? 1 : 0;
}
