// The message router: its hidden window, targets registered for a range, a
// list and a command, messages routed in handle order, a post delivered from
// the message loop; then a listener in another process (this program
// re-launched) that registers by WM_COPYDATA, receives forwarded messages
// posted and sent, and unregisters.
#include "Demo.h"

#include "CFUtils.h"
#include "ChildProcess.h"
#include "HiddenWindow.h"
#include "RouterTools.h"

#include <cstdio>
#include <string>

namespace {

const UINT kCommand = 1001;
const UINT kRangeFrom = WM_APP, kRangeTo = WM_APP + 0x0F;
const UINT kListed = WM_APP + 0x05, kListedOnly = WM_APP + 0x20, kPosted = WM_APP + 0x30;
const UINT kForwardPosted = WM_APP + 0x40, kForwardSent = WM_APP + 0x41;
// Listener to the router's process: step done (wParam: listener window).
const UINT kListenerStep = WM_APP + 0x50;
// Router's process to the listener: unregister and end.
const UINT kListenerQuit = WM_APP + 0x51;

class PrintingTarget : public CNotifyTarget
{
public:
    PrintingTarget(const char* name, LRESULT result) : m_name(name), m_result(result) {}

    unsigned __int64 handle = 0;

    int Notify(CMessageNotification* n) override
    {
        std::printf("    handle %llu (%s): ", handle, m_name);
        if (n->GetNotifyType() == NOTIFY_TYPE_COMMAND)
            std::printf("command %u\n", n->GetMessageA());
        else
            std::printf("message 0x%04X wParam %llu lParam %lld\n", n->GetMessageA(),
                        (unsigned long long)n->GetWparam(), (long long)n->GetLparam());
        if (!m_result)
            return 0;
        n->SetReturnResult(m_result);
        return 1;
    }
    int Register(CMessagePipe*) override { return 1; }
    int UnRegister() override { return 1; }

private:
    const char* m_name;
    LRESULT m_result;
};

unsigned __int64 Register(CMessagePipe& pipe, PrintingTarget& target, UINT from, UINT to,
                          std::initializer_list<UINT> messages, std::initializer_list<UINT> commands)
{
    return target.handle = cfu::tools::RegisterTarget(pipe, &target, messages, from, to, commands);
}

int g_steps;
HWND g_listener;

LRESULT CALLBACK ControlProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != kListenerStep)
        return DefWindowProcA(hWnd, msg, wParam, lParam);
    g_listener = HWND(wParam);
    ++g_steps;
    return 0;
}

int RouteInProcess(CMessagePipe& pipe)
{
    HWND hRouter = pipe.m_hWnd;
    PrintingTarget range("range", 42), list("list", 0), command("command", 0);
    unsigned __int64 hRange = Register(pipe, range, kRangeFrom, kRangeTo, {}, {});
    unsigned __int64 hList = Register(pipe, list, 0, 0, {kListed, kListedOnly}, {});
    unsigned __int64 hCommand = Register(pipe, command, 0, 0, {}, {kCommand});
    std::printf("  registered: range 0x%04X-0x%04X as handle %llu, list {0x%04X, 0x%04X} as %llu, "
                "command %u as %llu\n", kRangeFrom, kRangeTo, hRange, kListed, kListedOnly, hList, kCommand,
                hCommand);

    std::printf("  SendMessageA 0x%04X (in the range and the list):\n", kListed);
    LRESULT r1 = SendMessageA(hRouter, kListed, 7, 9);
    std::printf("    router answered %lld (the range target's result; the list target answered 0)\n",
                (long long)r1);
    std::printf("  SendMessageA 0x%04X (in the list only):\n", kListedOnly);
    SendMessageA(hRouter, kListedOnly, 1, 2);
    std::printf("  WM_COMMAND %u:\n", kCommand);
    LRESULT r2 = SendMessageA(hRouter, WM_COMMAND, MAKEWPARAM(kCommand, 0), 0);
    std::printf("    router answered %lld\n", (long long)r2);

    CMessageNotification posted;
    posted.InitializeMessage(NULL, kPosted, 3, 4, NULL);
    pipe.PostMessageToHandler(hList, posted);
    std::printf("  PostMessageToHandler(%llu, 0x%04X): queued; the message loop delivers it:\n", hList, kPosted);
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);

    for (unsigned __int64 h : {hRange, hList, hCommand})
        pipe.UnRegisterNotification(h);
    return r1 == 42 && r2 == 1 ? 0 : 1;
}

int RouteToAnotherProcess(CMessagePipe& pipe)
{
    HWND control = cfu::tools::MakeHiddenWindow("CFUtils Demo Control", &ControlProc);
    cfu::tools::ChildProcess listener("router_listener", "--control=" + std::to_string(UINT_PTR(control)));
    if (!listener.Started()) {
        std::printf("  listener did not start\n");
        return 1;
    }
    std::printf("  listener process %lu started\n", listener.Id());
    bool ok = cfu::tools::PumpUntil([] { return g_steps == 1; });
    for (UINT m : {kForwardPosted, kForwardSent}) {
        std::printf("  router: SendMessageA 0x%04X wParam 5 lParam 6\n", m);
        SendMessageA(pipe.m_hWnd, m, 5, 6);
        const int step = g_steps + 1;
        ok = ok && cfu::tools::PumpUntil([=] { return g_steps == step; });
    }
    PostMessageA(g_listener, kListenerQuit, 0, 0);
    ok = ok && listener.PumpUntilExit() == 0;
    std::printf("  router: registrations for 0x%04X now %u\n", kForwardPosted, pipe.CountHandlers(kForwardPosted));
    DestroyWindow(control);
    return ok && pipe.CountHandlers(kForwardPosted) == 0 ? 0 : 1;
}

/////////////////////////////////////////////////////////////////////////////
// The listener's side

HWND g_control;

LRESULT CALLBACK ListenerProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == kListenerQuit) {
        PostQuitMessage(0);
        return 0;
    }
    if (msg != kForwardPosted && msg != kForwardSent)
        return DefWindowProcA(hWnd, msg, wParam, lParam);
    std::printf("    [listener] received 0x%04X wParam %llu lParam %lld, %s\n", msg, (unsigned long long)wParam,
                (long long)lParam, InSendMessage() ? "sent" : "posted");
    PostMessageA(g_control, kListenerStep, WPARAM(hWnd), 0);
    return 0;
}

} // namespace

int RunRouterDemo()
{
    std::printf("== Message router ==\n");
    CMessagePipe pipe;
    if (!pipe.Initialize()) {
        std::printf("  router window not created: is the prefix's graphics driver \"null\"?\n");
        return 1;
    }
    std::printf("  router window %p created; FindWindowA(\"Corvanta Flydeck Internal Message Router\") finds "
                "it: %s; the cross-process monitor holds handle 1\n",
                (void*)pipe.m_hWnd, FindWindowA(cfu::router::kWindowClass, NULL) == pipe.m_hWnd ? "yes" : "no");
    int failures = RouteInProcess(pipe);
    std::printf("  -- across processes --\n");
    failures += RouteToAnotherProcess(pipe);
    return failures;
}

CFU_CHILD_ROLE(router_listener)
{
    g_control = HWND(UINT_PTR(std::stoull(cfu::tools::ChildArg(argc, argv, "control"))));
    HWND hWnd = cfu::tools::MakeHiddenWindow("CFUtils Demo Listener", &ListenerProc);
    CRemoteMessagePipe remote;
    unsigned __int64 handles[2];
    const UINT messages[2] = {kForwardPosted, kForwardSent};
    const NOTIFY_STYLE styles[2] = {NOTIFY_STYLE_POST, NOTIFY_STYLE_SEND};
    for (int i = 0; i < 2; ++i) {
        handles[i] = cfu::tools::RegisterRemoteWindow(hWnd, messages[i], styles[i]);
        std::printf("    [listener] registered 0x%04X, %s, by WM_COPYDATA: handle %llu\n", messages[i],
                    i ? "sent" : "posted", handles[i]);
    }
    PostMessageA(g_control, kListenerStep, WPARAM(hWnd), 0);
    // Never outlive a router process that has gone.
    SetTimer(NULL, 0, 20000, NULL);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0 && !(msg.message == WM_TIMER && !msg.hwnd))
        DispatchMessageA(&msg);
    for (unsigned __int64 h : handles)
        std::printf("    [listener] unregistered handle %llu: %d\n", h, remote.UnRegisterNotification(h));
    DestroyWindow(hWnd);
    return handles[0] && handles[1] ? 0 : 1;
}
