// Cost of the router: a routed message against a plain window procedure that
// calls the same target; forwarding to another process (posted and sent)
// against the raw cross-process call; and a remote registration round trip
// against a raw WM_COPYDATA round trip. The program plays the listener too
// when started with --listener=<control window>.
#include "library/CFUtils.h"

#include "Bench.h"
#include "ChildProcess.h"
#include "HiddenWindow.h"
#include "RouterTools.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const UINT kRouted = WM_APP + 1;        // the one message that matches
const UINT kOther = WM_APP + 2;         // what every other registration lists
const UINT kForwardPosted = WM_APP + 3;
const UINT kForwardSent = WM_APP + 4;
const UINT kSync = WM_APP + 5;          // to the listener: answer with kAck
const UINT kAck = WM_APP + 6;           // to the control window
const UINT kReady = WM_APP + 7;         // to the control window: wParam listener window
const UINT kRegistrationBench = WM_APP + 8;
const UINT kRawUnregister = WM_APP + 9;
const int kSyncEvery = 256;

volatile LONG_PTR g_sink;

class CountingTarget : public CNotifyTarget
{
public:
    int Notify(CMessageNotification* pNotification) override
    {
        g_sink = g_sink + pNotification->GetLparam();
        pNotification->SetReturnResult(1);
        return 1;
    }
    int Register(CMessagePipe*) override { return 1; }
    int UnRegister() override { return 1; }
};

CountingTarget g_target;

// The raw way to the same target: a window procedure that calls it.
LRESULT CALLBACK DirectProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == kRouted) {
        CMessageNotification notification;
        notification.InitializeMessage(NULL, msg, wParam, lParam, NULL);
        g_target.Notify(&notification);
        return notification.GetReturnResult();
    }
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

bool g_acked;
HWND g_listener;

// In the router's process: the listener's reports, and the raw partner of
// the registration round trip.
LRESULT CALLBACK ControlProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case kAck:
        g_acked = true;
        return 0;
    case kReady:
        g_listener = HWND(wParam);
        return 0;
    case WM_COPYDATA:
        return 1;
    case kRawUnregister:
        return 0;
    }
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

// Every kSyncEvery posts, waits until the listener has taken them all, so
// that its queue never fills and both ways pay the same for the wait.
void SyncListener(long& posted)
{
    if (++posted % kSyncEvery)
        return;
    g_acked = false;
    PostMessageA(g_listener, kSync, 0, 0);
    cfu::tools::PumpUntil([] { return g_acked; }, 30000);
}

void RoutingBenches(HWND hRouter, CMessagePipe& pipe)
{
    HWND direct = cfu::tools::MakeHiddenWindow("bench direct", &DirectProc);
    for (int count : {1, 100, 10000}) {
        unsigned __int64 first = 0, last = 0;
        for (int i = 1; i < count; ++i) {
            CMessageRegistration other;
            other.SetNotifyTarget(&g_target);
            other.AddMessageToList(kOther);
            last = pipe.RegisterForNotifications(other);
            first = first ? first : last;
        }
        CMessageRegistration match;
        match.SetNotifyTarget(&g_target);
        match.AddMessageToList(kRouted);
        pipe.RegisterForNotifications(match);
        std::string name = "routed message, " + std::to_string(count) + " registration(s), last one matches";
        cfu::bench::Compare(name.c_str(), count > 100 ? 2000 : 100000,
                            [&] { SendMessageA(hRouter, kRouted, 0, 1); },
                            [&] { SendMessageA(direct, kRouted, 0, 1); });
        for (unsigned __int64 h = first; h && h <= last; ++h)
            pipe.UnRegisterNotification(h);
        pipe.UnRegisterNotification(match.GetHandle());
    }
    DestroyWindow(direct);
}

int RunRouter()
{
    CMessagePipe pipe;
    if (!pipe.Initialize()) {
        std::printf("router window not created: the prefix needs the null graphics driver\n");
        return 1;
    }
    HWND hRouter = pipe.m_hWnd;
    RoutingBenches(hRouter, pipe);

    HWND control = cfu::tools::MakeHiddenWindow("bench control", &ControlProc);
    cfu::tools::ChildProcess listener("listener", "--control=" + std::to_string(UINT_PTR(control)));
    if (!listener.Started() || !cfu::tools::PumpUntil([] { return g_listener != NULL; })) {
        std::printf("listener did not start\n");
        return 1;
    }
    long postedLib = 0, postedRaw = 0;
    cfu::bench::Compare("forwarded to another process, posted", 2000,
                        [&] { SendMessageA(hRouter, kForwardPosted, 0, 1); SyncListener(postedLib); },
                        [&] { PostMessageA(g_listener, kForwardPosted, 0, 1); SyncListener(postedRaw); });
    cfu::bench::Compare("forwarded to another process, sent", 1000,
                        [&] { SendMessageA(hRouter, kForwardSent, 0, 1); },
                        [&] { SendMessageA(g_listener, kForwardSent, 0, 1); });

    // The listener times the registration round trip itself; this process
    // answers until it ends.
    PostMessageA(g_listener, kRegistrationBench, 0, 0);
    const long ended = listener.PumpUntilExit(300000);
    DestroyWindow(control);
    return ended == 0 ? 0 : 1;
}

/////////////////////////////////////////////////////////////////////////////
// The listener

HWND g_control;

void RegistrationBench(HWND listener)
{
    CRemoteMessagePipe remote;
    CMessageRegistration reg;
    reg.AddMessageToList(kRouted);
    reg.SetNotifyStyle(NOTIFY_STYLE(5));
    TAGRawRegistration* pRaw = static_cast<TAGRawRegistration*>(static_cast<void*>(reg));
    COPYDATASTRUCT cds = {cfu::router::kRegisterRequest, pRaw->cbSize, pRaw};
    cfu::bench::Compare("remote registration + unregistration round trips", 2000,
                        [&] { remote.UnRegisterNotification(remote.RegisterForNotifications(listener, reg)); },
                        [&] {
                            SendMessageA(g_control, WM_COPYDATA, WPARAM(listener), LPARAM(&cds));
                            SendMessageA(g_control, kRawUnregister, cfu::router::kUnregisterRequest, 0);
                        });
}

LRESULT CALLBACK ListenerProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case kForwardPosted:
    case kForwardSent:
        g_sink = g_sink + lParam;
        return 1;
    case kSync:
        PostMessageA(g_control, kAck, 0, 0);
        return 0;
    case kRegistrationBench:
        RegistrationBench(hWnd);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

CFU_CHILD_ROLE(listener)
{
    HWND control = HWND(UINT_PTR(std::stoull(cfu::tools::ChildArg(argc, argv, "control"))));
    g_control = control;
    HWND hWnd = cfu::tools::MakeHiddenWindow("bench listener", &ListenerProc);
    CRemoteMessagePipe remote;
    unsigned __int64 handles[2] = {};
    const UINT messages[2] = {kForwardPosted, kForwardSent};
    const NOTIFY_STYLE styles[2] = {NOTIFY_STYLE_POST, NOTIFY_STYLE_SEND};
    for (int i = 0; i < 2; ++i)
        handles[i] = cfu::tools::RegisterRemoteWindow(hWnd, messages[i], styles[i]);
    if (!handles[0] || !handles[1])
        return 1;
    SendMessageA(control, kReady, WPARAM(hWnd), 0);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
        DispatchMessageA(&msg);
    for (unsigned __int64 h : handles)
        remote.UnRegisterNotification(h);
    DestroyWindow(hWnd);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const int child = cfu::tools::RunChildRole(argc, argv);
    return child >= 0 ? child : RunRouter();
}
