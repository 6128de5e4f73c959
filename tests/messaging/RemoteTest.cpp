// Cross-process routing with a real second process: a listener (this binary
// re-launched) registers with a window of its own through WM_COPYDATA,
// reports what reaches that window, and unregisters with the IPC message.
#include "RemoteTestSupport.h"

#include <atomic>
#include <cstdlib>
#include <thread>

using namespace cfu::test;

namespace {

const UINT M = WM_APP + 0x10;
const UINT kPing = WM_APP + 0x11;
const LRESULT kListenerAnswer = 0x777;

UINT NumberArg(int argc, char** argv, const char* name)
{
    return UINT(strtoul(ChildArg(argc, argv, name).c_str(), nullptr, 0));
}

LRESULT CALLBACK ListenerWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kListenerQuit) {
        PostQuitMessage(0);
        return 0;
    }
    if (message < WM_APP)
        return DefWindowProcA(hWnd, message, wParam, lParam);
    ReceivedMessage r = {message, UINT(InSendMessage() ? 1 : 0), wParam, lParam};
    COPYDATASTRUCT cds = {kReportReceived, sizeof r, &r};
    SendMessageA(HWND(GetWindowLongPtrA(hWnd, GWLP_USERDATA)), WM_COPYDATA, WPARAM(hWnd), LPARAM(&cds));
    return kListenerAnswer;
}


// Pumps until kListenerQuit; false after timeoutMs.
bool PumpUntilQuit(DWORD timeoutMs)
{
    SetTimer(NULL, 0, timeoutMs, NULL);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (msg.message == WM_TIMER && !msg.hwnd)
            return false;
        DispatchMessageA(&msg);
    }
    return true;
}

} // namespace

// --message, --style; --leave: destroy the window and end without unregistering.
CFU_CHILD_ROLE(listener)
{
    HWND collector = Collector::FromArgs(argc, argv);
    HWND hWnd = MakeTestWindow("CFUtilsTest Listener", &ListenerWndProc, LONG_PTR(collector));
    CMessageRegistration reg;
    reg.AddMessageToList(NumberArg(argc, argv, "message"));
    reg.SetNotifyStyle(NOTIFY_STYLE(NumberArg(argc, argv, "style")));
    reg.SetCallbackMessage(WM_APP + 0x99);
    CRemoteMessagePipe remote;
    unsigned __int64 handle = remote.RegisterForNotifications(hWnd, reg);
    SendMessageA(collector, kReportRegistered, WPARAM(handle), LPARAM(hWnd));
    if (!handle)
        return 2;
    if (!ChildArg(argc, argv, "leave").empty()) {
        DestroyWindow(hWnd);
        return 0;
    }
    int rc = PumpUntilQuit(20000) ? 0 : 3;
    return remote.UnRegisterNotification(handle) == 1 ? rc : 4;
}

// --handles=a,b,...: one unregistration request each; exit code: how many
// calls returned 1.
CFU_CHILD_ROLE(unregister)
{
    std::string list = ChildArg(argc, argv, "handles");
    CRemoteMessagePipe remote;
    int ones = 0;
    for (char* p = &list[0]; *p;) {
        ones += remote.UnRegisterNotification(strtoull(p, &p, 10));
        if (*p == ',')
            ++p;
    }
    return ones;
}

namespace {

class RemoteTest : public RouterTest
{
protected:
    // Starts a listener for M with the style and waits until it registered.
    void StartListener(std::unique_ptr<ChildProcess>& child, UINT style, const char* extra = "")
    {
        collector.registered = false;
        child = std::make_unique<ChildProcess>(
            "listener", collector.Arg() + " --message=" + std::to_string(M) + " --style=" +
                            std::to_string(style) + " " + extra);
        ASSERT_TRUE(child->Started());
        ASSERT_TRUE(PumpUntil([&] { return collector.registered; }, 10000));
        ASSERT_NE(0u, collector.handle);
    }
    // Tells the listener to unregister and end; its exit code.
    long StopListener(ChildProcess& child)
    {
        PostMessageA(collector.listener, kListenerQuit, 0, 0);
        return PumpUntilExit(child);
    }

    Collector collector;
};

} // namespace

TEST(RemoteNoRouterTest, NothingIsSentWithoutARouter)
{
    ASSERT_EQ(nullptr, FindWindowA(kRouterClass, NULL));
    HWND sentinel = reinterpret_cast<HWND>(0xdeadbeef);
    CMessageRegistration reg;
    reg.SetWindowHandle(sentinel);
    CRemoteMessagePipe remote;
    EXPECT_EQ(0u, remote.RegisterForNotifications(GetDesktopWindow(), reg));
    EXPECT_EQ(sentinel, reg.GetWindowHandle());    // not even packed
    EXPECT_EQ(0, remote.UnRegisterNotification(1));

    CGlobalMessagePipe global;
    reg.AssignHandle(0xdeadbeef);
    EXPECT_EQ(0u, global.RegisterForNotifications(reg));
    EXPECT_EQ(0xdeadbeefu, reg.GetHandle());
    EXPECT_EQ(nullptr, reg.GetMessagePipe());
}

TEST_F(RemoteTest, PostedStylesForwardTheRoutersMessage)
{
    RecordingTarget a(log, 1);
    a.setResult = true;
    a.result = 0x55;
    EXPECT_EQ(2u, RegisterTarget(*pipe, &a, {M}));
    unsigned __int64 expectedHandle = 3;
    for (UINT style : {NOTIFY_STYLE_POST, NOTIFY_STYLE_DEFAULT}) {
        std::unique_ptr<ChildProcess> child;
        StartListener(child, style);
        // Remote and in-process registrations share one sequence.
        EXPECT_EQ(expectedHandle, collector.handle);
        EXPECT_EQ(expectedHandle + 1, RegisterTarget(*pipe, &a, {}));
        expectedHandle += 2;

        collector.log.clear();
        EXPECT_EQ(0x55, SendMessageA(hRouter, M, 7, 9));
        ASSERT_TRUE(PumpUntil([&] { return !collector.log.empty(); }));
        static const MsgEntry kPostedM[] = {{M, 7, 9, kPosted}, {0, 0, 0, 0}};
        ExpectSequence(collector.log, kPostedM, "posted style");
        EXPECT_EQ(2u, pipe->CountHandlers(M));
        EXPECT_EQ(0, StopListener(*child));
        EXPECT_EQ(1u, pipe->CountHandlers(M));
    }
}

TEST_F(RemoteTest, SentStyleWaitsForTheWindowButNotForItsAnswer)
{
    std::unique_ptr<ChildProcess> child;
    StartListener(child, NOTIFY_STYLE_SEND);
    // The window has answered, and reported, before the router returns.
    EXPECT_EQ(0, SendMessageA(hRouter, M, 7, 9));
    static const MsgEntry kSentM[] = {{M, 7, 9, kSent}, {0, 0, 0, 0}};
    ExpectSequence(collector.log, kSentM, "sent style");

    RecordingTarget a(log, 1);
    a.setResult = true;
    a.result = 5;
    RegisterTarget(*pipe, &a, {M});
    EXPECT_EQ(5, SendMessageA(hRouter, M, 8, 10));
    EXPECT_EQ(0, StopListener(*child));
}

TEST_F(RemoteTest, UndeliverableStyleReceivesNothing)
{
    std::unique_ptr<ChildProcess> child;
    StartListener(child, 5);
    EXPECT_EQ(0, SendMessageA(hRouter, M, 7, 9));
    // Posted from this thread after anything the router would have posted.
    PostMessageA(collector.listener, kPing, 1, 2);
    ASSERT_TRUE(PumpUntil([&] { return !collector.log.empty(); }));
    static const MsgEntry kOnlyPing[] = {{kPing, 1, 2, kPosted}, {0, 0, 0, 0}};
    ExpectSequence(collector.log, kOnlyPing, "style 5");
    EXPECT_EQ(0, StopListener(*child));
}

TEST_F(RemoteTest, GoneWindowsDoNotDisturbTheRouter)
{
    for (UINT style : {NOTIFY_STYLE_SEND, NOTIFY_STYLE_POST}) {
        std::unique_ptr<ChildProcess> child;
        StartListener(child, style, "--leave=1");
        EXPECT_EQ(0, PumpUntilExit(*child));
    }
    RecordingTarget a(log, 1);
    a.setResult = true;
    a.result = 3;
    RegisterTarget(*pipe, &a, {M});
    EXPECT_EQ(3u, pipe->CountHandlers(M));
    EXPECT_EQ(3, SendMessageA(hRouter, M, 1, 2));
    static const MsgEntry kStillRouted[] = {{M, 1, 2, 1}, {0, 0, 0, 0}};
    ExpectSequence(log, kStillRouted, "after the windows went");
}

TEST_F(RemoteTest, UnregistrationRequestsReachInProcessRegistrations)
{
    RecordingTarget a(log, 1), b(log, 2);
    unsigned __int64 ha = RegisterTarget(*pipe, &a, {M});
    RegisterTarget(*pipe, &b, {M});
    // 0 and an unknown handle change nothing; each call still answers 1.
    ChildProcess child("unregister", "--handles=0,99," + std::to_string(ha));
    EXPECT_EQ(3, PumpUntilExit(child));
    EXPECT_EQ(1u, pipe->CountHandlers(M));
    EXPECT_EQ(0, pipe->UnRegisterNotification(ha));
    SendMessageA(hRouter, M, 0, 0);
    static const MsgEntry kOnlyB[] = {{M, 0, 0, 2}, {0, 0, 0, 0}};
    ExpectSequence(log, kOnlyB, "after unregistration");
}

TEST_F(RemoteTest, UnregisteringTheMonitorLeavesARouterThatRoutes)
{
    RecordingTarget a(log, 1);
    a.setResult = true;
    a.result = 4;
    RegisterTarget(*pipe, &a, {M});
    ChildProcess child("unregister", "--handles=1");
    EXPECT_EQ(1, PumpUntilExit(child));
    EXPECT_EQ(0u, pipe->CountHandlers(WM_COPYDATA));
    EXPECT_EQ(4, SendMessageA(hRouter, M, 0, 0));
    static const MsgEntry kRouted[] = {{M, 0, 0, 1}, {0, 0, 0, 0}};
    ExpectSequence(log, kRouted, "without the monitor");
}

TEST_F(RemoteTest, GlobalPipeOnTheRoutersThread)
{
    RecordingTarget a(log, 1);
    CMessageRegistration reg;
    reg.SetNotifyTarget(&a);
    reg.AddMessageToList(M);
    CGlobalMessagePipe global;
    EXPECT_EQ(2u, global.RegisterForNotifications(reg));
    EXPECT_EQ(pipe.get(), reg.GetMessagePipe());
    SendMessageA(hRouter, M, 4, 0);
    EXPECT_EQ(1, reg.GetMessagePipe()->UnRegisterNotification(reg.GetHandle()));
    SendMessageA(hRouter, M, 5, 0);
    static const MsgEntry kOnce[] = {{M, 4, 0, 1}, {0, 0, 0, 0}};
    ExpectSequence(log, kOnce, "global pipe");
}

TEST(GlobalPipeTest, WindowThatIsNoPipeOfThisThreadGivesZero)
{
    CMessageRegistration reg;
    auto expectUntouched = [&](const char* what) {
        reg.AssignHandle(0xdeadbeef);
        reg.SetMessagePipe(reinterpret_cast<CMessagePipe*>(0xbd));
        CGlobalMessagePipe global;
        EXPECT_EQ(0u, global.RegisterForNotifications(reg)) << what;
        EXPECT_EQ(0xdeadbeefu, reg.GetHandle()) << what;
        EXPECT_EQ(reinterpret_cast<CMessagePipe*>(0xbd), reg.GetMessagePipe()) << what;
    };

    // A router on another thread of this process.
    HANDLE ready = CreateEventA(NULL, TRUE, FALSE, NULL);
    std::atomic<bool> stop{false};
    std::thread other([&] {
        CMessagePipe pipe;
        pipe.Initialize();
        SetEvent(ready);
        PumpUntil([&] { return stop.load(); }, 10000);
    });
    if (WaitForSingleObject(ready, 5000) == WAIT_OBJECT_0) {
        EXPECT_NE(nullptr, FindWindowA(kRouterClass, NULL));
        expectUntouched("router of another thread");
    } else {
        ADD_FAILURE() << "no router on the other thread";
    }
    stop = true;
    other.join();
    CloseHandle(ready);

    // A window of the router's class that is a plain CWnd.
    CMessagePipe classOnly;
    CWnd plain;
    ASSERT_TRUE(plain.CreateEx(0, kRouterClass, "", WS_POPUP, 0, 0, 0, 0, NULL, NULL));
    ASSERT_EQ(plain.m_hWnd, FindWindowA(kRouterClass, NULL));
    expectUntouched("plain window");
}
