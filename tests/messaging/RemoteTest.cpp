// Cross-process routing with a real second process (this binary re-launched): a
// listener registers its window through WM_COPYDATA, reports what reaches it and
// unregisters with the IPC message; a hostile sender sends malformed records and
// unregistration requests.
#include "RouterTestSupport.h"

#include <algorithm>
#include <cstring>
#include <thread>
#include <tuple>
#include <vector>

using namespace cfu::test;

namespace {

const UINT M = WM_APP + 0x10;
const UINT kPing = WM_APP + 0x11;
bool g_quit;
cfu::unique_handle g_resume;

LRESULT CALLBACK ListenerWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kListenerQuit) {
        g_quit = true;
    } else if (message >= WM_APP) {
        if (cfu::unique_handle resume = std::move(g_resume))    // a stall at the first message only
            WaitForSingleObject(resume.get(), 20000);
        MsgEntry received = {message, wParam, lParam, InSendMessage() ? kSent : kPosted};
        COPYDATASTRUCT cds = {kReportReceived, sizeof received, &received};
        SendMessageA(HWND(GetWindowLongPtrA(hWnd, GWLP_USERDATA)), WM_COPYDATA, WPARAM(hWnd), LPARAM(&cds));
        return 0x777;    // never the router's answer
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

} // namespace

// --style; --leave: destroy the window and end without unregistering;
// --stall: the event that ends a stall at the first message.
CFU_CHILD_ROLE(listener)
{
    const std::string stall = ChildArg(argc, argv, "stall");
    g_resume.reset(stall.empty() ? NULL : OpenEventA(SYNCHRONIZE, FALSE, stall.c_str()));
    HWND collector = Collector::FromArgs(argc, argv);
    HWND hWnd = MakeHiddenWindow("CFUtilsTest Listener", &ListenerWndProc, LONG_PTR(collector));
    CMessageRegistration reg;
    reg.AddMessageToList(M);
    reg.SetNotifyStyle(NOTIFY_STYLE(std::stoul(ChildArg(argc, argv, "style"))));
    CRemoteMessagePipe remote;
    unsigned __int64 handle = remote.RegisterForNotifications(hWnd, reg);
    SendMessageA(collector, kReportRegistered, WPARAM(handle), LPARAM(hWnd));
    if (!ChildArg(argc, argv, "leave").empty())
        return DestroyWindow(hWnd) ? 0 : 2;
    const int rc = PumpUntil([] { return g_quit; }, 20000) ? 0 : 3;
    return remote.UnRegisterNotification(handle) == 1 && reg.GetHandle() == 0 ? rc : 4;    // handle not written
}

namespace {

class RemoteTest : public RouterTest
{
protected:
    // Starts a listener for M with the style and waits until it registered.
    std::unique_ptr<ChildProcess> StartListener(UINT style, const char* extra = "")
    {
        collector.log.clear();
        const std::string args = collector.Arg() + " --style=" + std::to_string(style) + " " + extra;
        auto child = std::make_unique<ChildProcess>("listener", args);
        // Its first window and its registration are the child's start-up too.
        EXPECT_TRUE(PumpUntil([&] { return !collector.log.empty(); }, kStartTimeoutMs));
        collector.log.resize(1);    // {kReportRegistered, handle, window}, or zeros
        handle = collector.log[0].wParam;
        listener = HWND(collector.log[0].lParam);
        collector.log.clear();
        return child;
    }

    Collector collector;
    unsigned __int64 handle = 0;
    HWND listener = NULL;
};

} // namespace

TEST_F(RemoteTest, EachStyleDeliversTheRoutersMessageOrNothing)
{
    RecordingTarget a(log, 1);
    a.result = 0x55;
    EXPECT_EQ(2u, RegisterTarget(*pipe, &a, {M}));
    // How M reaches the listener's window (0: never).
    const struct { UINT style; int how; } cases[] = {
        {NOTIFY_STYLE_POST, kPosted}, {NOTIFY_STYLE_DEFAULT, kPosted}, {NOTIFY_STYLE_SEND, kSent}, {5, 0}};
    unsigned __int64 next = 3;
    for (const auto& row : cases) {
        const std::string style = "style " + std::to_string(row.style);
        auto child = StartListener(row.style);
        // Remote and in-process registrations share one sequence.
        EXPECT_EQ(next, handle);
        EXPECT_EQ(next + 1, RegisterTarget(*pipe, &a, {}));
        next += 2;
        EXPECT_EQ(0x55, SendMessageA(hRouter, M, 7, 9)) << style;
        PostMessageA(listener, kPing, 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return !collector.log.empty() && collector.log.back().message == kPing; }));
        // kPing is posted from this thread after anything the router posted.
        const MsgEntry received[] = {{M, 7, 9, row.how}, {kPing, 0, 0, kPosted}, {0, 0, 0, 0}};
        ExpectSequence(collector.log, received + (row.how ? 0 : 1), style.c_str());
        PostMessageA(listener, kListenerQuit, 0, 0);
        EXPECT_EQ(0, child->PumpUntilExit()) << style;
        EXPECT_EQ(1u, pipe->CountHandlers(M));
    }
    // Windows gone without unregistering: the router sends and posts to nothing.
    for (UINT style : {NOTIFY_STYLE_SEND, NOTIFY_STYLE_POST})
        EXPECT_EQ(0, StartListener(style, "--leave=1")->PumpUntilExit());
    EXPECT_EQ(3u, pipe->CountHandlers(M));
    EXPECT_EQ(0x55, SendMessageA(hRouter, M, 1, 2));
}

TEST(GlobalPipeTest, RegistersOnlyWithAPipeOfThisThread)
{
    CMessageRegistration reg;
    auto expectNothingSent = [&](const char* what) {
        reg.AssignHandle(0xdeadbeef);
        reg.SetMessagePipe(reinterpret_cast<CMessagePipe*>(0xbd));
        reg.SetWindowHandle(reinterpret_cast<HWND>(0xbd));
        EXPECT_EQ(0u, CGlobalMessagePipe().RegisterForNotifications(reg)) << what;
        EXPECT_TRUE(reg.GetHandle() == 0xdeadbeef && reg.GetMessagePipe() == reinterpret_cast<void*>(0xbd)) << what;
    };
    ASSERT_EQ(nullptr, FindWindowA(cfu::router::kWindowClass, NULL));
    expectNothingSent("no router");
    EXPECT_EQ(0u, CRemoteMessagePipe().RegisterForNotifications(GetDesktopWindow(), reg));
    EXPECT_EQ(reinterpret_cast<HWND>(0xbd), reg.GetWindowHandle());    // not even packed
    EXPECT_EQ(0, CRemoteMessagePipe().UnRegisterNotification(1));

    CMessagePipe pipe;    // registers the class
    CWnd plain;
    ASSERT_TRUE(plain.CreateEx(0, cfu::router::kWindowClass, "", WS_POPUP, 0, 0, 0, 0, NULL, NULL));
    expectNothingSent("plain window of the router's class");
    plain.DestroyWindow();

    ASSERT_EQ(1, pipe.Initialize());
    std::thread([&] { expectNothingSent("router of another thread"); }).join();
    // The router of this thread: the handle and the pipe written into reg.
    EXPECT_EQ(2u, CGlobalMessagePipe().RegisterForNotifications(reg));
    EXPECT_TRUE(reg.GetHandle() == 2 && reg.GetMessagePipe() == &pipe);
    EXPECT_EQ(1, pipe.UnRegisterNotification(2));
}

// Hostile input: any process on the desktop can send the router WM_COPYDATA.
namespace {

const UINT kValid = WM_APP + 0x301;    // and the next two
const UINT kValidCommand = 0x7301;
const size_t kHeader = 40;

// A record as a sender lays it out: header, messages, commands, tail. Style 5: never forwarded.
std::vector<BYTE> Record(UINT cMessages, UINT cCommands, const std::vector<UINT>& ids = {})
{
    std::vector<BYTE> bytes(48 + 4 * ids.size(), 0);
    const TAGRawRegistration header = {UINT(bytes.size()), 0, 0, 0, NULL, 0, NOTIFY_STYLE(5), cMessages, cCommands, {}};
    memcpy(bytes.data(), &header, kHeader);
    std::copy(ids.begin(), ids.end(), reinterpret_cast<UINT*>(bytes.data() + kHeader));
    return bytes;
}

// dwData, the record (no bytes: a null lpData), cbData.
using Request = std::tuple<ULONG_PTR, std::vector<BYTE>, DWORD>;

std::vector<Request> EdgeRequests()
{
    std::vector<BYTE> sizeLies = Record(1, 0, {kValid + 2});
    memset(sizeLies.data(), 0xFF, 4);
    const std::vector<BYTE> two = Record(2, 1, {kValid, kValid + 1, kValidCommand});
    return {
        {0x43, Record(1, 0, {kValid}), 52},               // other dwData
        {0x44, {}, 0},                                    // no data at all
        {0x44, Record(0, 0), 39},                         // header cut short
        {0x44, Record(0, 0), 40},                         // header alone
        {0x44, two, 52},
        {0x44, two, 51},
        {0x44, Record(0x40000000, 0x40000000), 48},       // 4 × count wraps to 0
        {0x44, Record(0xFFFFFFFF, 1), 48},                // count sum wraps to 0
        {0x44, Record(0x3FFFFFFF, 0), 64},                // 40 + 4 × count wraps to 36
        {0x44, sizeLies, 44},                             // size field ignored
        {0x44, {}, 100},                                  // null data, nonzero size
    };
}

} // namespace

// Sends the edge requests, each answer reported.
CFU_CHILD_ROLE(hostile)
{
    HWND collector = Collector::FromArgs(argc, argv);
    HWND hRouter = FindWindowA(cfu::router::kWindowClass, NULL);
    WPARAM i = 0;
    for (const auto& [dwData, bytes, cbData] : EdgeRequests()) {
        COPYDATASTRUCT cds = {dwData, cbData, bytes.empty() ? nullptr : const_cast<BYTE*>(bytes.data())};
        SendMessageA(collector, kReportAnswer, i++, SendMessageA(hRouter, WM_COPYDATA, 0, LPARAM(&cds)));
    }
    return 0;
}

TEST_F(RemoteTest, MalformedRecordsRegisterNothingAndRequestsUnregister)
{
    RecordingTarget a(log, 1), b(log, 2);
    const unsigned __int64 ha = RegisterTarget(*pipe, &a, {kValid});
    RegisterTarget(*pipe, &b, {kValid});
    ChildProcess child("hostile", collector.Arg());
    EXPECT_EQ(0, child.PumpUntilExit());
    // A well-formed record's answer is its handle: the monitor holds 1, the test's own targets 2 and 3.
    std::vector<LPARAM> answers(collector.log.size());
    std::transform(collector.log.begin(), collector.log.end(), answers.begin(), [](const auto& e) { return e.lParam; });
    EXPECT_EQ((std::vector<LPARAM>{0, 0, 0, 4, 5, 0, 0, 0, 0, 6, 0}), answers);
    // Unregistration requests (a listener sends them from its own process): 0 and an unknown handle
    // change nothing; a and the monitor (1) go, and no more requests are taken.
    for (unsigned __int64 h : {0ull, 99ull, ha, 1ull})
        EXPECT_EQ(1, CRemoteMessagePipe().UnRegisterNotification(h));
    EXPECT_EQ(0, pipe->UnRegisterNotification(ha));
    EXPECT_EQ((std::vector<UINT>{2, 1, 1, 0}), (std::vector<UINT>{pipe->CountHandlers(kValid),
              pipe->CountHandlers(kValid + 1), pipe->CountHandlers(kValid + 2), pipe->CountHandlers(WM_COPYDATA)}));
    // Each well-formed record took a handle: the next one shows there were no others.
    EXPECT_EQ(7u, RegisterTarget(*pipe, &a, {WM_APP}));
}

TEST_F(RemoteTest, AListenerThatStopsAnsweringHoldsUpTheRouterOnlyByTheBound)
{
    const std::string eventName = "CFUtilsTest.Resume." + std::to_string(GetCurrentProcessId());
    cfu::unique_handle resume(CreateEventA(NULL, TRUE, FALSE, eventName.c_str()));
    auto stuck = StartListener(NOTIFY_STYLE_SEND, ("--stall=" + eventName).c_str());
    auto sent = StartListener(NOTIFY_STYLE_SEND);
    auto posted = StartListener(NOTIFY_STYLE_POST);

    // Each forward to the stuck window costs the bound at most; the others get every message.
    const int kMessages = 3;
    const DWORD start = GetTickCount();
    for (int i = 0; i < kMessages; ++i)
        SendMessageA(hRouter, M, i, 0);
    EXPECT_LE(GetTickCount() - start, kMessages * cfu::router::kSentForwardTimeoutMs + 1000);
    EXPECT_TRUE(PumpUntil([&] { return collector.log.size() == 2 * kMessages; }));

    // Pumping again, the stuck listener receives what comes next.
    SetEvent(resume.get());
    SendMessageA(hRouter, M, 42, 0);
    EXPECT_TRUE(PumpUntil([&] {
        return std::count_if(collector.log.begin(), collector.log.end(),
                             [](const MsgEntry& e) { return e.wParam == 42; }) == 3;
    }));
}
