// Cross-process routing with a real second process (this binary re-launched): a
// listener registers its window through WM_COPYDATA, reports what reaches it and
// unregisters with the IPC message; a hostile sender sends malformed records and
// unregistration requests.
#include "RouterTestSupport.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <thread>
#include <vector>

using namespace cfu::test;

namespace {

const UINT M = WM_APP + 0x10;
const UINT kPing = WM_APP + 0x11;
// Test to a listener: stop pumping until the event named by --stall is set.
const UINT kStall = WM_APP + 0x12;
bool g_quit;
std::string g_stallEvent;

LRESULT CALLBACK ListenerWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kListenerQuit) {
        g_quit = true;
    } else if (message == kStall) {
        SendMessageA(HWND(GetWindowLongPtrA(hWnd, GWLP_USERDATA)), kReportAnswer, kStall, 0);
        cfu::unique_handle resume(OpenEventA(SYNCHRONIZE, FALSE, g_stallEvent.c_str()));
        WaitForSingleObject(resume.get(), 20000);
    } else if (message >= WM_APP) {
        MsgEntry received = {message, wParam, lParam, InSendMessage() ? kSent : kPosted};
        COPYDATASTRUCT cds = {kReportReceived, sizeof received, &received};
        SendMessageA(HWND(GetWindowLongPtrA(hWnd, GWLP_USERDATA)), WM_COPYDATA, WPARAM(hWnd), LPARAM(&cds));
        return 0x777;    // never the router's answer
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

} // namespace

// --style; --leave: destroy the window and end without unregistering;
// --stall: the event that ends a stall (kStall).
CFU_CHILD_ROLE(listener)
{
    g_stallEvent = ChildArg(argc, argv, "stall");
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
        EXPECT_TRUE(PumpUntil([&] { return !collector.log.empty(); }, 10000));
        collector.log.resize(1);    // {kReportRegistered, handle, window}, or zeros
        handle = collector.log[0].wParam;
        listener = HWND(collector.log[0].lParam);
        collector.log.clear();
        EXPECT_NE(0u, handle);
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
    // kPing is posted from this thread after anything the router posted.
    static const MsgEntry kForwardedPosted[] = {{M, 7, 9, kPosted}, {kPing, 0, 0, kPosted}, {0, 0, 0, 0}};
    static const MsgEntry kForwardedSent[] = {{M, 7, 9, kSent}, {kPing, 0, 0, kPosted}, {0, 0, 0, 0}};
    static const MsgEntry kNothingForwarded[] = {{kPing, 0, 0, kPosted}, {0, 0, 0, 0}};
    const struct { UINT style; const MsgEntry* received; } cases[] = {
        {NOTIFY_STYLE_POST, kForwardedPosted}, {NOTIFY_STYLE_DEFAULT, kForwardedPosted},
        {NOTIFY_STYLE_SEND, kForwardedSent}, {5, kNothingForwarded}};
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
        ExpectSequence(collector.log, row.received, style.c_str());
        PostMessageA(listener, kListenerQuit, 0, 0);
        EXPECT_EQ(0, child->PumpUntilExit()) << style;
        EXPECT_EQ(1u, pipe->CountHandlers(M));
    }
    // Windows gone without unregistering: the router sends and posts to nothing.
    for (UINT style : {NOTIFY_STYLE_SEND, NOTIFY_STYLE_POST})
        EXPECT_EQ(0, StartListener(style, "--leave=1")->PumpUntilExit());
    EXPECT_EQ(3u, pipe->CountHandlers(M));
    log.clear();
    EXPECT_EQ(0x55, SendMessageA(hRouter, M, 1, 2));
    static const MsgEntry kStillRouted[] = {{M, 1, 2, 1}, {0, 0, 0, 0}};
    ExpectSequence(log, kStillRouted, "after the windows went");
}

TEST(GlobalPipeTest, RegistersOnlyWithAPipeOfThisThread)
{
    CMessageRegistration reg;
    auto expectNothingSent = [&](const char* what) {
        reg.AssignHandle(0xdeadbeef);
        reg.SetMessagePipe(reinterpret_cast<CMessagePipe*>(0xbd));
        reg.SetWindowHandle(reinterpret_cast<HWND>(0xbd));
        EXPECT_EQ(0u, CGlobalMessagePipe().RegisterForNotifications(reg)) << what;
        EXPECT_EQ(0xdeadbeefu, reg.GetHandle()) << what;
        EXPECT_EQ(reinterpret_cast<CMessagePipe*>(0xbd), reg.GetMessagePipe()) << what;
    };
    ASSERT_EQ(nullptr, FindWindowA(cfu::router::kWindowClass, NULL));
    expectNothingSent("no router");
    CRemoteMessagePipe remote;
    EXPECT_EQ(0u, remote.RegisterForNotifications(GetDesktopWindow(), reg));
    EXPECT_EQ(reinterpret_cast<HWND>(0xbd), reg.GetWindowHandle());    // not even packed
    EXPECT_EQ(0, remote.UnRegisterNotification(1));

    std::atomic<bool> stop{false};
    std::thread other([&] {
        CMessagePipe pipe;
        pipe.Initialize();
        PumpUntil([&] { return stop.load(); }, 10000);
    });
    EXPECT_TRUE(PumpUntil([] { return FindWindowA(cfu::router::kWindowClass, NULL) != NULL; }));
    expectNothingSent("router of another thread");
    stop = true;
    other.join();

    CMessagePipe pipe;    // registers the class
    CWnd plain;
    ASSERT_TRUE(plain.CreateEx(0, cfu::router::kWindowClass, "", WS_POPUP, 0, 0, 0, 0, NULL, NULL));
    expectNothingSent("plain window of the router's class");
    plain.DestroyWindow();

    // The router of this thread: the handle and the pipe written into reg.
    ASSERT_EQ(1, pipe.Initialize());
    EXPECT_EQ(2u, CGlobalMessagePipe().RegisterForNotifications(reg));
    EXPECT_EQ(&pipe, reg.GetMessagePipe());
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

// No bytes: a null lpData.
struct Request
{
    ULONG_PTR dwData;
    std::vector<BYTE> bytes;
    DWORD cbData;
};

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

// {kReportAnswer, request, answer}: the monitor holds 1, the test's own targets 2 and 3; then
// {.., 100, unregistration calls that answered 1}.
const MsgEntry kHostileAnswers[] = {
    {kReportAnswer, 0, 0, 0}, {kReportAnswer, 1, 0, 0}, {kReportAnswer, 2, 0, 0},  {kReportAnswer, 3, 4, 0},
    {kReportAnswer, 4, 5, 0}, {kReportAnswer, 5, 0, 0}, {kReportAnswer, 6, 0, 0},  {kReportAnswer, 7, 0, 0},
    {kReportAnswer, 8, 0, 0}, {kReportAnswer, 9, 6, 0}, {kReportAnswer, 10, 0, 0}, {kReportAnswer, 100, 4, 0},
    {0, 0, 0, 0}};

} // namespace

// Sends the edge requests, then one unregistration request for each of --handles=a,b,...
CFU_CHILD_ROLE(hostile)
{
    HWND collector = Collector::FromArgs(argc, argv);
    HWND hRouter = FindWindowA(cfu::router::kWindowClass, NULL);
    const std::vector<Request> requests = EdgeRequests();
    for (size_t i = 0; i < requests.size(); ++i) {
        const Request& r = requests[i];
        COPYDATASTRUCT cds = {r.dwData, r.cbData, r.bytes.empty() ? nullptr : const_cast<BYTE*>(r.bytes.data())};
        SendMessageA(collector, kReportAnswer, i, SendMessageA(hRouter, WM_COPYDATA, 0, LPARAM(&cds)));
    }
    std::string list = ChildArg(argc, argv, "handles");
    CRemoteMessagePipe remote;
    int ones = 0;
    for (char* p = &list[0]; *p; p += *p == ',')
        ones += remote.UnRegisterNotification(strtoull(p, &p, 10));
    SendMessageA(collector, kReportAnswer, 100, ones);
    return 0;
}

TEST_F(RemoteTest, MalformedRecordsRegisterNothingAndRequestsUnregister)
{
    RecordingTarget a(log, 1), b(log, 2);
    const unsigned __int64 ha = RegisterTarget(*pipe, &a, {kValid});
    RegisterTarget(*pipe, &b, {kValid});
    // 0 and an unknown handle change nothing; a and the monitor (1) go, and no more requests are taken.
    ChildProcess child("hostile", collector.Arg() + " --handles=0,99," + std::to_string(ha) + ",1");
    EXPECT_EQ(0, child.PumpUntilExit());
    ExpectSequence(collector.log, kHostileAnswers, "edge records, then unregistrations");
    EXPECT_EQ(0, pipe->UnRegisterNotification(ha));
    const UINT counts[] = {pipe->CountHandlers(kValid), pipe->CountHandlers(kValid + 1),
                           pipe->CountHandlers(kValid + 2), pipe->CountHandlers(WM_COPYDATA)};
    EXPECT_EQ((std::vector<UINT>{2, 1, 1, 0}), std::vector<UINT>(std::begin(counts), std::end(counts)));
    // Each well-formed record took a handle: the next one shows there were no others.
    EXPECT_EQ(7u, RegisterTarget(*pipe, &a, {WM_APP}));
    SendMessageA(hRouter, kValid, 1, 2);
    static const MsgEntry kOnlyB[] = {{kValid, 1, 2, 2}, {0, 0, 0, 0}};
    ExpectSequence(log, kOnlyB, "after the hostile sender");
}

TEST_F(RemoteTest, AListenerThatStopsAnsweringHoldsUpTheRouterOnlyByTheBound)
{
    const std::string eventName = "CFUtilsTest.Resume." + std::to_string(GetCurrentProcessId());
    cfu::unique_handle resume(CreateEventA(NULL, TRUE, FALSE, eventName.c_str()));
    auto stuck = StartListener(NOTIFY_STYLE_SEND, ("--stall=" + eventName).c_str());
    const HWND stuckWindow = listener;
    auto sent = StartListener(NOTIFY_STYLE_SEND);
    auto posted = StartListener(NOTIFY_STYLE_POST);
    PostMessageA(stuckWindow, kStall, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !collector.log.empty(); }));
    collector.log.clear();

    // Each forward to the stuck window costs the bound at most; the others get every message.
    const int kMessages = 3;
    const DWORD start = GetTickCount();
    for (int i = 0; i < kMessages; ++i)
        SendMessageA(hRouter, M, i, 0);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_LE(elapsed, kMessages * cfu::router::kSentForwardTimeoutMs + 1000);
    EXPECT_TRUE(PumpUntil([&] { return collector.log.size() == 2 * kMessages; }));
    for (const MsgEntry& e : collector.log)
        EXPECT_EQ(M, e.message);

    // Pumping again, the stuck listener receives what comes next.
    SetEvent(resume.get());
    collector.log.clear();
    SendMessageA(hRouter, M, 42, 0);
    EXPECT_TRUE(PumpUntil([&] {
        return std::count_if(collector.log.begin(), collector.log.end(),
                             [](const MsgEntry& e) { return e.wParam == 42; }) == 3;
    }));
}
