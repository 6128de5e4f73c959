// The router window in its own process: handle numbering, the walk in handle
// order with its answers, re-entrance, posts, commands, WM_CLOSE, layout and
// destruction. Every message goes through the real window procedure.
#include "RouterTestSupport.h"

#include <cstring>

using namespace cfu::test;

namespace {

const UINT M1 = WM_APP + 1;
const UINT M2 = WM_APP + 2;
const UINT M3 = WM_APP + 3;

} // namespace

using PipeTest = RouterTest;

TEST_F(PipeTest, HandlesCountUpFromTheMonitorAndAreNeverReused)
{
    RecordingTarget a(log, 1);
    CMessageRegistration reg;
    reg.SetNotifyTarget(&a);
    reg.AddMessageToList(M1);
    EXPECT_EQ(2u, pipe->RegisterForNotifications(reg));
    EXPECT_EQ(2u, reg.GetHandle());
    EXPECT_EQ(pipe.get(), reg.GetMessagePipe());
    EXPECT_EQ(3u, RegisterTarget(*pipe, &a, {M1}));
    EXPECT_EQ(0, a.registerCalls);
    EXPECT_EQ(2u, pipe->CountHandlers(M1));

    EXPECT_EQ(0, pipe->UnRegisterNotification(0));
    EXPECT_EQ(1, pipe->UnRegisterNotification(3));
    EXPECT_EQ(0, pipe->UnRegisterNotification(3));
    EXPECT_EQ(3u + 1, RegisterTarget(*pipe, &a, {M1}));
    // The caller's object keeps its handle after unregistering.
    EXPECT_EQ(1, pipe->UnRegisterNotification(2));
    EXPECT_EQ(2u, reg.GetHandle());
    EXPECT_EQ(5u, RegisterTarget(*pipe, &a, {M1}));
    EXPECT_EQ(0, a.unregisterCalls);
}

TEST_F(PipeTest, LayoutOfTheRouter)
{
    // The monitor is the pipe's first registration: the IPC message and
    // WM_COPYDATA, both through the one registration of handle 1.
    const UINT ipc = RegisterWindowMessageA(kIpcMessageName);
    EXPECT_EQ(1u, pipe->CountHandlers(ipc));
    EXPECT_EQ(1u, pipe->CountHandlers(WM_COPYDATA));

    RecordingTarget a(log, 1);
    RegisterTarget(*pipe, &a, {M1});
    CMessageNotification n;
    pipe->PostMessageToHandler(2, n);

    EXPECT_EQ(144u, sizeof(CMessagePipe));
    EXPECT_EQ(0, FieldAt<BOOL>(pipe.get(), 16));                  // hot key registered
    EXPECT_EQ(0u, FieldAt<UINT32>(pipe.get(), 20));               // hot key identifier
    EXPECT_EQ(RegisterWindowMessageA(kInternalMessageName), FieldAt<UINT32>(pipe.get(), 24));
    for (size_t hook = 32; hook <= 56; hook += 8)                 // hook library and hooks
        EXPECT_EQ(0u, FieldAt<UINT_PTR>(pipe.get(), hook));
    EXPECT_EQ(3u, FieldAt<UINT64>(pipe.get(), 64));               // next handle
    CObject* pMonitor = FieldAt<CObject*>(pipe.get(), 72);
    ASSERT_NE(nullptr, pMonitor);
    EXPECT_STREQ("CRemoteMonitor", pMonitor->GetRuntimeClass()->m_lpszClassName);
    EXPECT_EQ(RUNTIME_CLASS(CNotifyTarget), pMonitor->GetRuntimeClass()->m_pBaseClass);
    EXPECT_EQ(1u, static_cast<CNotifyTarget*>(pMonitor)->CurrentCount());
    EXPECT_EQ(1, FieldAt<INT_PTR>(pipe.get(), 80 + 16));          // pending posts
    EXPECT_EQ(2, FieldAt<INT_PTR>(pipe.get(), 112 + 24));         // registrations
    PumpPending();
}

TEST_F(PipeTest, WindowIsHiddenPopupFoundByClass)
{
    EXPECT_EQ(hRouter, FindWindowA(kRouterClass, NULL));
    EXPECT_EQ(hRouter, FindWindowA(kRouterClass, kRouterClass));
    LONG style = GetWindowLongA(hRouter, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_VISIBLE);
    RECT rc;
    GetWindowRect(hRouter, &rc);
    EXPECT_EQ(-1000, rc.left);
    EXPECT_EQ(-1000, rc.top);
    EXPECT_EQ(rc.left, rc.right);
    EXPECT_EQ(0, pipe->Initialize());    // a second window is refused
}

TEST_F(PipeTest, EveryMatchTakesItsTurnAndTheLastNonzeroAnswerStands)
{
    RecordingTarget a(log, 1), b(log, 2), c(log, 3);
    RegisterTarget(*pipe, &a, {}, 0x8000, 0x80FF);
    RegisterTarget(*pipe, &b, {M1});
    RegisterTarget(*pipe, &c, {M2});
    a.setResult = true;
    a.result = 5;
    b.answer = 0;
    EXPECT_EQ(5, SendMessageA(hRouter, M1, 7, 9));
    static const MsgEntry kBothWantM1[] = {{M1, 7, 9, 1}, {M1, 7, 9, 2}, {0, 0, 0, 0}};
    ExpectSequence(log, kBothWantM1, "two targets");

    // What a target sees: the pipe's copy, a message notification, no window.
    EXPECT_EQ(UINT(NOTIFY_TYPE_MESSAGE), b.last.GetNotifyType());
    EXPECT_EQ(10u, b.last.GetMessageDisposition());
    EXPECT_EQ(nullptr, b.last.GetWindowHandle());
    ASSERT_NE(nullptr, b.last.GetMessageRegistration());
    EXPECT_EQ(3u, b.last.GetMessageRegistration()->GetHandle());
    EXPECT_EQ(&b, b.last.GetMessageRegistration()->MessageTarget());
    EXPECT_EQ(5, b.last.GetReturnResult());    // a's answer is not cleared

    // b answers nonzero without setting a result: a's value stands.
    b.answer = 1;
    EXPECT_EQ(5, SendMessageA(hRouter, M1, 0, 0));
    b.setResult = true;
    b.result = 6;
    EXPECT_EQ(6, SendMessageA(hRouter, M1, 0, 0));
    // A result set by a target that answers 0 is not the router's answer...
    a.answer = 0;
    b.answer = 0;
    EXPECT_EQ(0, SendMessageA(hRouter, M1, 0, 0));
    // ...and nobody answering still keeps it from the default handling.
    EXPECT_EQ(0, SendMessageA(hRouter, 0x80FF, 0, 0));
}

TEST_F(PipeTest, UnwantedMessagesGetTheDefaultHandling)
{
    RecordingTarget a(log, 1);
    RegisterTarget(*pipe, &a, {M1});
    EXPECT_EQ(0u, pipe->CountHandlers(WM_GETTEXT));
    char title[64] = {};
    LRESULT length = SendMessageA(hRouter, WM_GETTEXT, sizeof title, LPARAM(title));
    EXPECT_STREQ(kRouterClass, title);
    EXPECT_EQ(LRESULT(strlen(kRouterClass)), length);
    EXPECT_TRUE(log.empty());
}

TEST_F(PipeTest, TargetUnregisteringItselfDoesNotStopTheWalk)
{
    RecordingTarget a(log, 1), b(log, 2), c(log, 3);
    unsigned __int64 ha = RegisterTarget(*pipe, &a, {M1});
    RegisterTarget(*pipe, &b, {M1});
    RegisterTarget(*pipe, &c, {M1});
    a.onNotify = [&](CMessageNotification&) { pipe->UnRegisterNotification(ha); };
    SendMessageA(hRouter, M1, 1, 0);
    SendMessageA(hRouter, M1, 2, 0);
    static const MsgEntry kSelfRemoval[] = {
        {M1, 1, 0, 1}, {M1, 1, 0, 2}, {M1, 1, 0, 3}, {M1, 2, 0, 2}, {M1, 2, 0, 3}, {0, 0, 0, 0}};
    ExpectSequence(log, kSelfRemoval, "self removal");
}

TEST_F(PipeTest, TargetUnregisteringTheNextOneSkipsIt)
{
    RecordingTarget a(log, 1), b(log, 2), c(log, 3);
    RegisterTarget(*pipe, &a, {M1});
    unsigned __int64 hb = RegisterTarget(*pipe, &b, {M1});
    RegisterTarget(*pipe, &c, {M1});
    a.onNotify = [&](CMessageNotification&) { pipe->UnRegisterNotification(hb); };
    SendMessageA(hRouter, M1, 0, 0);
    static const MsgEntry kNextRemoved[] = {{M1, 0, 0, 1}, {M1, 0, 0, 3}, {0, 0, 0, 0}};
    ExpectSequence(log, kNextRemoved, "next removed");
}

TEST_F(PipeTest, TargetUnregisteringAnEarlierOneKeepsItsPlace)
{
    RecordingTarget a(log, 1), b(log, 2), c(log, 3);
    unsigned __int64 ha = RegisterTarget(*pipe, &a, {M1});
    RegisterTarget(*pipe, &b, {M1});
    RegisterTarget(*pipe, &c, {M1});
    b.onNotify = [&](CMessageNotification&) { pipe->UnRegisterNotification(ha); };
    SendMessageA(hRouter, M1, 0, 0);
    static const MsgEntry kEarlierRemoved[] = {{M1, 0, 0, 1}, {M1, 0, 0, 2}, {M1, 0, 0, 3}, {0, 0, 0, 0}};
    ExpectSequence(log, kEarlierRemoved, "earlier removed");
}

TEST_F(PipeTest, TargetRegisteringNewOnesMidWalk)
{
    // New registrations go to the tail: the walk reaches them when it goes on
    // from a registration that had a successor.
    RecordingTarget a(log, 1), b(log, 2), d(log, 4), e(log, 5);
    RegisterTarget(*pipe, &a, {M1});
    RegisterTarget(*pipe, &b, {M1});
    a.onNotify = [&](CMessageNotification& n) {
        if (n.GetWparam() == 1)
            RegisterTarget(*pipe, &d, {M1});
    };
    SendMessageA(hRouter, M1, 1, 0);
    static const MsgEntry kAddedAfterSuccessor[] = {{M1, 1, 0, 1}, {M1, 1, 0, 2}, {M1, 1, 0, 4}, {0, 0, 0, 0}};
    ExpectSequence(log, kAddedAfterSuccessor, "added mid-walk");

    // From the last registration the noted successor is none: the walk ends.
    log.clear();
    d.onNotify = [&](CMessageNotification& n) {
        if (n.GetWparam() == 2)
            RegisterTarget(*pipe, &e, {M1});
    };
    SendMessageA(hRouter, M1, 2, 0);
    static const MsgEntry kAddedByLast[] = {{M1, 2, 0, 1}, {M1, 2, 0, 2}, {M1, 2, 0, 4}, {0, 0, 0, 0}};
    ExpectSequence(log, kAddedByLast, "added by the last");
    EXPECT_EQ(4u, pipe->CountHandlers(M1));
}

TEST_F(PipeTest, RemovalAndAdditionInOneNotify)
{
    // The count is unchanged, yet the noted successor is gone.
    RecordingTarget a(log, 1), b(log, 2), c(log, 3), d(log, 4);
    RegisterTarget(*pipe, &a, {M1});
    unsigned __int64 hb = RegisterTarget(*pipe, &b, {M1});
    RegisterTarget(*pipe, &c, {M1});
    a.onNotify = [&](CMessageNotification&) {
        pipe->UnRegisterNotification(hb);
        RegisterTarget(*pipe, &d, {M1});
    };
    SendMessageA(hRouter, M1, 0, 0);
    static const MsgEntry kSwapped[] = {{M1, 0, 0, 1}, {M1, 0, 0, 3}, {M1, 0, 0, 4}, {0, 0, 0, 0}};
    ExpectSequence(log, kSwapped, "removed and added");
}

TEST_F(PipeTest, NestedMessageRunsItsOwnWalk)
{
    RecordingTarget a(log, 1), b(log, 2), c(log, 3);
    RegisterTarget(*pipe, &a, {M1});
    RegisterTarget(*pipe, &b, {M2});
    unsigned __int64 hc = RegisterTarget(*pipe, &c, {M1, M2});
    a.onNotify = [&](CMessageNotification&) { SendMessageA(hRouter, M2, 5, 0); };
    // The inner walk's target removes one the outer walk has yet to reach.
    b.onNotify = [&](CMessageNotification&) { pipe->UnRegisterNotification(hc); };
    SendMessageA(hRouter, M1, 4, 0);
    static const MsgEntry kNested[] = {{M1, 4, 0, 1}, {M2, 5, 0, 2}, {0, 0, 0, 0}};
    ExpectSequence(log, kNested, "nested");
}

TEST_F(PipeTest, DirectDeliveryByHandle)
{
    RecordingTarget a(log, 1);
    unsigned __int64 ha = RegisterTarget(*pipe, &a, {M1});
    a.answer = 0;
    CMessageNotification n;
    n.InitializeMessage(reinterpret_cast<HWND>(0x55), M3, 1, 2, NULL);
    n.SetMessageDisposition(77);
    n.SetReturnResult(0x1234);
    // Delivered as it stands, and its result returned whatever Notify said.
    EXPECT_EQ(0x1234, pipe->SendMessageToHandler(ha, n));
    EXPECT_EQ(77u, a.last.GetMessageDisposition());
    EXPECT_EQ(reinterpret_cast<HWND>(0x55), a.last.GetWindowHandle());
    EXPECT_EQ(0u, a.last.GetNotifyType());
    EXPECT_EQ(0, pipe->SendMessageToHandler(0, n));
    EXPECT_EQ(0, pipe->SendMessageToHandler(99, n));
    static const MsgEntry kOnce[] = {{M3, 1, 2, 1}, {0, 0, 0, 0}};
    ExpectSequence(log, kOnce, "send to handler");
}

TEST_F(PipeTest, PostsArriveInPostingOrderAndDeadHandlesAreDropped)
{
    RecordingTarget a(log, 1), b(log, 2), c(log, 3);
    unsigned __int64 ha = RegisterTarget(*pipe, &a, {});
    unsigned __int64 hb = RegisterTarget(*pipe, &b, {});
    unsigned __int64 hc = RegisterTarget(*pipe, &c, {});
    CMessageNotification n1, n2, n3, n4;
    n1.InitializeMessage(NULL, M1, 1, 0, NULL);
    n2.InitializeMessage(NULL, M1, 2, 0, NULL);
    n3.InitializeMessage(NULL, M1, 3, 0, NULL);
    n4.InitializeMessage(NULL, M1, 4, 0, NULL);
    EXPECT_EQ(1, pipe->PostMessageToHandler(hb, n1));
    EXPECT_EQ(1, pipe->PostMessageToHandler(hc, n2));
    EXPECT_EQ(1, pipe->PostMessageToHandler(hb, n3));
    EXPECT_EQ(1, pipe->PostMessageToHandler(ha, n4));
    EXPECT_TRUE(log.empty());
    pipe->UnRegisterNotification(hc);
    PumpPending();
    static const MsgEntry kPosts[] = {{M1, 1, 0, 2}, {M1, 3, 0, 2}, {M1, 4, 0, 1}, {0, 0, 0, 0}};
    ExpectSequence(log, kPosts, "posts");

    // An internal message with no post behind it does nothing.
    const UINT internal = RegisterWindowMessageA(kInternalMessageName);
    EXPECT_EQ(0, SendMessageA(hRouter, internal, ha, 0));
    // The internal message is not offered to registrations that want it.
    RecordingTarget all(log, 9);
    RegisterTarget(*pipe, &all, {}, 0, 0xFFFFFFFF);
    log.clear();
    pipe->PostMessageToHandler(ha, n1);
    PumpPending();
    static const MsgEntry kOnlyTheTarget[] = {{M1, 1, 0, 1}, {0, 0, 0, 0}};
    ExpectSequence(log, kOnlyTheTarget, "internal message");
}

TEST_F(PipeTest, PostedNotifyAnswersTheInternalMessage)
{
    RecordingTarget a(log, 1);
    unsigned __int64 ha = RegisterTarget(*pipe, &a, {});
    a.answer = 0x77;
    CMessageNotification n;
    pipe->PostMessageToHandler(ha, n);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, hRouter, 0, 0, PM_REMOVE));
    EXPECT_EQ(RegisterWindowMessageA(kInternalMessageName), msg.message);
    EXPECT_EQ(ha, msg.wParam);
    EXPECT_EQ(0, msg.lParam);
    EXPECT_EQ(0x77, DispatchMessageA(&msg));
}

TEST_F(PipeTest, CommandGoesToTheFirstRegistrationThatListsIt)
{
    RecordingTarget a(log, 1), b(log, 2);
    RegisterTarget(*pipe, &a, {M1}, 0, 0, {100, 200});
    RegisterTarget(*pipe, &b, {}, 0, 0, {100, 300});
    a.answer = 0;
    EXPECT_EQ(1, SendMessageA(hRouter, WM_COMMAND, MAKEWPARAM(100, 0), 0));
    EXPECT_EQ(UINT(NOTIFY_TYPE_COMMAND), a.last.GetNotifyType());
    EXPECT_EQ(nullptr, a.last.GetMessageRegistration());
    EXPECT_EQ(1, SendMessageA(hRouter, WM_COMMAND, MAKEWPARAM(300, 0), 0));
    // An accelerator is a plain command too; a control's notification is not.
    EXPECT_EQ(1, SendMessageA(hRouter, WM_COMMAND, MAKEWPARAM(200, 1), 0));
    EXPECT_EQ(0, SendMessageA(hRouter, WM_COMMAND, MAKEWPARAM(200, 5), LPARAM(hRouter)));
    EXPECT_EQ(0, SendMessageA(hRouter, WM_COMMAND, MAKEWPARAM(400, 0), 0));
    static const MsgEntry kCommands[] = {{100, 0, 0, 1}, {300, 0, 0, 2}, {200, 0, 0, 1}, {0, 0, 0, 0}};
    ExpectSequence(log, kCommands, "commands");

    // A registration that wants WM_COMMAND itself takes it before the routing.
    RecordingTarget c(log, 3);
    RegisterTarget(*pipe, &c, {WM_COMMAND});
    c.setResult = true;
    c.result = 9;
    log.clear();
    EXPECT_EQ(9, SendMessageA(hRouter, WM_COMMAND, MAKEWPARAM(100, 0), 0));
    static const MsgEntry kTakenAsMessage[] = {{WM_COMMAND, 100, 0, 3}, {0, 0, 0, 0}};
    ExpectSequence(log, kTakenAsMessage, "WM_COMMAND as a message");
}

namespace {

MsgLog* g_closeLog;

LRESULT CALLBACK LoggingWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE)
        g_closeLog->push_back({message, 0, 0, int(GetWindowLongPtrA(hWnd, GWLP_USERDATA))});
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

HWND MakeWindow(DWORD exStyle, int who)
{
    return MakeTestWindow("CFUtilsTest Logging", &LoggingWndProc, who, exStyle);
}

} // namespace

TEST_F(PipeTest, CloseReachesTheFirstToolWindowAndSparesTheRouter)
{
    g_closeLog = &log;
    HWND plain = MakeWindow(0, 10);
    HWND tool1 = MakeWindow(WS_EX_TOOLWINDOW, 11);
    HWND tool2 = MakeWindow(WS_EX_TOOLWINDOW, 12);
    RecordingTarget a(log, 1);
    RegisterTarget(*pipe, &a, {WM_CLOSE});
    a.answer = 0;

    EXPECT_EQ(0, SendMessageA(hRouter, WM_CLOSE, 0, 0));
    // The tool window's close is posted: only the registration has it yet.
    static const MsgEntry kOffered[] = {{WM_CLOSE, 0, 0, 1}, {0, 0, 0, 0}};
    ExpectSequence(log, kOffered, "WM_CLOSE offered");
    PumpPending();
    ASSERT_EQ(2u, log.size());
    EXPECT_TRUE(log[1].who == 11 || log[1].who == 12) << log[1].who;
    EXPECT_EQ(log[1].who == 11 ? FALSE : TRUE, IsWindow(tool1));
    EXPECT_EQ(log[1].who == 12 ? FALSE : TRUE, IsWindow(tool2));
    EXPECT_TRUE(IsWindow(plain));
    EXPECT_TRUE(IsWindow(hRouter));

    // With no registration for it, WM_CLOSE still stays away from the
    // default handling, which would destroy the router.
    pipe->UnRegisterNotification(2);
    EXPECT_EQ(0, SendMessageA(hRouter, WM_CLOSE, 0, 0));
    PumpPending();
    EXPECT_TRUE(IsWindow(hRouter));
    EXPECT_FALSE(IsWindow(tool1) && IsWindow(tool2));
    EXPECT_EQ(3u, log.size());
    DestroyWindow(plain);
    DestroyWindow(tool1);
    DestroyWindow(tool2);
}

TEST(PipeLifetimeTest, DestructionDropsEverythingWithoutTellingTargets)
{
    MsgLog log;
    RecordingTarget a(log, 1);
    CMessageNotification n;
    HWND hRouter;
    {
        CMessagePipe pipe;
        ASSERT_EQ(1, pipe.Initialize());
        hRouter = pipe.m_hWnd;
        unsigned __int64 ha = RegisterTarget(pipe, &a, {M1});
        pipe.PostMessageToHandler(ha, n);
        pipe.PostMessageToHandler(ha, n);
    }
    PumpPending();
    EXPECT_FALSE(IsWindow(hRouter));
    EXPECT_EQ(NULL, FindWindowA(kRouterClass, NULL));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(0, a.unregisterCalls);
    EXPECT_EQ(1u, a.CurrentCount());

    // The class stays registered; a second pipe reuses it.
    CMessagePipe again;
    EXPECT_EQ(1, again.Initialize());
    EXPECT_EQ(1u, again.CountHandlers(WM_COPYDATA));
}
