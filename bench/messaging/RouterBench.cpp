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
const UINT kRanged = WM_APP + 0x100;    // wanted by one range only
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
    if (msg == kRouted || msg == kRanged) {
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

// Registrations that want neither kRouted nor kRanged, in turn a range (below
// kRouted or around kRanged), a message list and a command list.
unsigned __int64 AddUnrelated(CMessagePipe& pipe, int i)
{
    CMessageRegistration reg;
    reg.SetNotifyTarget(&g_target);
    switch (i % 4) {
    case 0:
        reg.SetMessageFrom(UINT(i * 97) % 0x7E00);
        reg.SetMessageTo(UINT(i * 97) % 0x7E00 + 1 + i % 200);
        break;
    case 1:
        reg.SetMessageFrom(kRanged + 9 + UINT(i * 31) % 0x2000);
        reg.SetMessageTo(kRanged + 10 + UINT(i * 31) % 0x2000 + i % 300);
        break;
    case 2:
        reg.AddMessageToList(kOther);
        reg.AddMessageToList(0xC000 + UINT(i) % 0x3000);
        break;
    default:
        reg.AddCommandToList(1000 + UINT(i));
        break;
    }
    return pipe.RegisterForNotifications(reg);
}

// Dispatch and counting against the number of registrations that do not match.
void RoutingBenches(HWND hRouter, CMessagePipe& pipe)
{
    HWND direct = cfu::tools::MakeHiddenWindow("bench direct", &DirectProc);
    CMessageRegistration listed, ranged;
    listed.SetNotifyTarget(&g_target);
    listed.AddMessageToList(kRouted);
    ranged.SetNotifyTarget(&g_target);
    ranged.SetMessageFrom(kRanged - 8);
    ranged.SetMessageTo(kRanged + 8);
    int registered = 0;
    for (int count : {1, 100, 10000, 100000}) {
        pipe.UnRegisterNotification(listed.GetHandle());
        pipe.UnRegisterNotification(ranged.GetHandle());
        while (registered < count - 2)
            AddUnrelated(pipe, registered++);
        pipe.RegisterForNotifications(ranged);
        pipe.RegisterForNotifications(listed);
        const long ops = count >= 10000 ? 1000 : 20000;
        const std::string n = std::to_string(count) + " registration(s)";
        cfu::bench::Compare(("routed message, " + n + ", one listed match").c_str(), ops,
                            [&] { SendMessageA(hRouter, kRouted, 0, 1); },
                            [&] { SendMessageA(direct, kRouted, 0, 1); });
        cfu::bench::Compare(("routed message, " + n + ", one range match").c_str(), ops,
                            [&] { SendMessageA(hRouter, kRanged, 0, 1); },
                            [&] { SendMessageA(direct, kRanged, 0, 1); });
        // The raw side is the one check that finds the match.
        cfu::bench::Compare(("CountHandlers, " + n + ", one match").c_str(), ops,
                            [&] { g_sink = g_sink + pipe.CountHandlers(kRouted); },
                            [&] { g_sink = g_sink + listed.MessageForThisTarget(kRouted); });
    }
    DestroyWindow(direct);

    // The raw side is a pipe holding nothing else; both remove in the same
    // scattered order.
    CMessagePipe empty;
    unsigned __int64 firstEmpty = 0, lastFull = 0, added = 0, removed = 0;
    cfu::bench::Compare("registration, 100000 registrations (raw: into an empty pipe)", 2000,
                        [&] { lastFull = AddUnrelated(pipe, registered + int(added++)); },
                        [&] {
                            const unsigned __int64 handle = AddUnrelated(empty, int(removed++));
                            firstEmpty = firstEmpty ? firstEmpty : handle;
                        });
    const unsigned __int64 fullCount = registered, emptyCount = removed;
    added = removed = 0;
    cfu::bench::Compare("unregistration, 100000 registrations (raw: from the other pipe)", 2000,
                        [&] { pipe.UnRegisterNotification(2 + (added++ * 7919) % fullCount); },
                        [&] { empty.UnRegisterNotification(firstEmpty + (removed++ * 7919) % emptyCount); });
    // The forwarding benches below meet the monitor's registration only.
    for (unsigned __int64 h = 2; h <= lastFull; ++h)
        pipe.UnRegisterNotification(h);
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

// DriverPipeBench.cpp: records through the driver pipe against raw pipe writes.
int RunDriverPipeBench();

int main(int argc, char** argv)
{
    const int child = cfu::tools::RunChildRole(argc, argv);
    if (child >= 0)
        return child;
    const int router = RunRouter();
    return RunDriverPipeBench() || router;
}
