// Any process on the desktop can send the router WM_COPYDATA. A hostile
// sender (this binary re-launched) sends malformed and random records; the
// router must refuse every one whose lists reach past cbData, register each
// well-formed one, keep routing, and take no access violation while at it
// (Wine swallows a fault inside a cross-process SendMessageA, so the router
// process counts its own first-chance faults).
#include "RemoteTestSupport.h"

#include <cstring>
#include <random>
#include <vector>

using namespace cfu::test;

namespace {

const UINT kValidMessage = WM_APP + 0x301;
const UINT kValidMessage2 = WM_APP + 0x302;
const UINT kValidMessage3 = WM_APP + 0x303;
const UINT kValidCommand = 0x7301;
const size_t kHeader = 40;

// A record as a sender lays it out: header, messages, commands, tail.
std::vector<BYTE> Record(UINT cMessages, UINT cCommands, const std::vector<UINT>& ids = {})
{
    std::vector<BYTE> bytes(48 + 4 * ids.size(), 0);
    TAGRawRegistration header = {};
    header.cbSize = UINT(bytes.size());
    header.nNotifyStyle = NOTIFY_STYLE(5);    // never forwarded anywhere
    header.cMessages = cMessages;
    header.cCommands = cCommands;
    memcpy(bytes.data(), &header, kHeader);
    if (!ids.empty())
        memcpy(bytes.data() + kHeader, ids.data(), 4 * ids.size());
    return bytes;
}

LRESULT Send(HWND hRouter, ULONG_PTR dwData, const void* data, DWORD cbData)
{
    COPYDATASTRUCT cds = {dwData, cbData, const_cast<void*>(data)};
    return SendMessageA(hRouter, WM_COPYDATA, 0, LPARAM(&cds));
}

struct EdgeCase
{
    ULONG_PTR dwData;
    std::vector<BYTE> record;
    DWORD cbData;
    bool nullData;
};

std::vector<EdgeCase> EdgeCases()
{
    std::vector<BYTE> sizeLies = Record(1, 0, {kValidMessage3});
    memset(sizeLies.data(), 0xFF, 4);
    return {
        {0x43, Record(1, 0, {kValidMessage}), 52, false},                       // other dwData
        {0x44, {}, 0, true},                                                     // no data at all
        {0x44, Record(0, 0), 39, false},                                         // header cut short
        {0x44, Record(0, 0), 40, false},                                         // header alone
        {0x44, Record(2, 1, {kValidMessage, kValidMessage2, kValidCommand}), 52, false},
        {0x44, Record(2, 1, {kValidMessage, kValidMessage2, kValidCommand}), 51, false},
        {0x44, Record(0x40000000, 0x40000000), 48, false},                       // 4 × count wraps to 0
        {0x44, Record(0xFFFFFFFF, 1), 48, false},                                // count sum wraps to 0
        {0x44, Record(0x3FFFFFFF, 0), 64, false},                                // 40 + 4 × count wraps to 36
        {0x44, sizeLies, 44, false},                                             // size field ignored
        {0x44, {}, 100, true},                                                   // null data, nonzero size
    };
}

// Expected answers, handle 1 being the monitor's.
const MsgEntry kEdgeAnswers[] = {
    {kReportAnswer, 0, 0, 0},  {kReportAnswer, 1, 0, 0}, {kReportAnswer, 2, 0, 0},
    {kReportAnswer, 3, 2, 0},  {kReportAnswer, 4, 3, 0}, {kReportAnswer, 5, 0, 0},
    {kReportAnswer, 6, 0, 0},  {kReportAnswer, 7, 0, 0}, {kReportAnswer, 8, 0, 0},
    {kReportAnswer, 9, 4, 0},  {kReportAnswer, 10, 0, 0}, {0, 0, 0, 0},
};

// Counts this process's first-chance access violations while it lives.
class FaultCounter
{
public:
    FaultCounter() : m_handler(AddVectoredExceptionHandler(1, &FaultCounter::Count)) { s_faults = 0; }
    ~FaultCounter() { RemoveVectoredExceptionHandler(m_handler); }
    LONG Faults() const { return s_faults; }

private:
    static LONG CALLBACK Count(EXCEPTION_POINTERS* info)
    {
        if (info->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION)
            InterlockedIncrement(&s_faults);
        return EXCEPTION_CONTINUE_SEARCH;
    }
    static LONG s_faults;
    PVOID m_handler;
};
LONG FaultCounter::s_faults;

} // namespace

CFU_CHILD_ROLE(edges)
{
    HWND collector = Collector::FromArgs(argc, argv);
    HWND hRouter = FindWindowA(kRouterClass, NULL);
    std::vector<EdgeCase> cases = EdgeCases();
    for (size_t i = 0; i < cases.size(); ++i) {
        const EdgeCase& c = cases[i];
        LRESULT answer = Send(hRouter, c.dwData, c.nullData ? nullptr : c.record.data(), c.cbData);
        SendMessageA(collector, kReportAnswer, i, answer);
    }
    return 0;
}

TEST_F(RouterTest, MalformedRecordsAreRefused)
{
    Collector collector;
    FaultCounter faults;
    ChildProcess child("edges", collector.Arg());
    EXPECT_EQ(0, PumpUntilExit(child));
    EXPECT_EQ(0, faults.Faults());
    ExpectSequence(collector.log, kEdgeAnswers, "edge records");
    EXPECT_EQ(1u, pipe->CountHandlers(kValidMessage));
    EXPECT_EQ(1u, pipe->CountHandlers(kValidMessage2));
    EXPECT_EQ(1u, pipe->CountHandlers(kValidMessage3));
    EXPECT_EQ(1u, pipe->CountHandlers(WM_COPYDATA));
    RecordingTarget a(log, 1);
    EXPECT_EQ(5u, RegisterTarget(*pipe, &a, {}));
}

namespace {

const UINT kFloodMessage = WM_APP + 0x310;

// One random request and whether the router must take it.
struct FloodRecord
{
    ULONG_PTR dwData;
    std::vector<BYTE> bytes;
    DWORD cbData;
    bool nullData;
    bool wellFormed;
};

FloodRecord RandomRecord(std::mt19937& rng)
{
    auto below = [&](UINT n) { return UINT(rng() % n); };
    FloodRecord r = {0x44, {}, 0, false, false};
    const UINT kind = below(10);
    if (kind < 3) {
        // Random bytes; counts that happen to fit are made huge.
        r.bytes.resize(below(120));
        for (BYTE& b : r.bytes)
            b = BYTE(rng());
        if (r.bytes.size() >= kHeader)
            memset(&r.bytes[32], 0xFF, 4);
        r.cbData = DWORD(r.bytes.size());
        r.nullData = r.bytes.empty() && below(2);
        return r;
    }
    // A record the router must take: only kFloodMessage, never forwarded.
    const UINT cMessages = 1 + below(8), cCommands = below(4);
    std::vector<UINT> ids(cMessages, kFloodMessage);
    ids.insert(ids.end(), cCommands, kValidCommand);
    r.bytes = Record(cMessages, cCommands, ids);
    const DWORD exact = DWORD(kHeader + 4 * ids.size());
    r.cbData = DWORD(r.bytes.size());
    r.wellFormed = true;
    if (kind < 5) {
        r.cbData = exact + below(DWORD(r.bytes.size()) - exact + 1);    // with or without tail
    } else if (kind < 8) {
        r.cbData = below(exact);                                         // truncated
        r.wellFormed = false;
    } else if (kind < 9) {
        const UINT huge[] = {0xFFFFFFFF, 0x80000000, 0x40000000, 0x3FFFFFFF, 0x3FFFFFF7};
        UINT count = huge[below(5)];
        memcpy(&r.bytes[32 + 4 * below(2)], &count, 4);                  // counts past cbData
        r.wellFormed = false;
    } else {
        r.dwData = rng() | 1;                                            // not 0x44
        r.wellFormed = r.dwData == 0x44;
    }
    return r;
}

} // namespace

// --seed, --count: reports {0, requests taken} and {1, answers that were not
// what the record deserved: 0 for a malformed one, the next handle otherwise}.
CFU_CHILD_ROLE(flood)
{
    HWND collector = Collector::FromArgs(argc, argv);
    HWND hRouter = FindWindowA(kRouterClass, NULL);
    std::mt19937 rng(strtoul(ChildArg(argc, argv, "seed").c_str(), nullptr, 10));
    const long count = strtol(ChildArg(argc, argv, "count").c_str(), nullptr, 10);
    LRESULT taken = 0, wrong = 0, lastHandle = 0;
    for (long i = 0; i < count; ++i) {
        FloodRecord r = RandomRecord(rng);
        LRESULT answer = Send(hRouter, r.dwData, r.nullData ? nullptr : r.bytes.data(), r.cbData);
        if (!r.wellFormed) {
            wrong += answer != 0;
            continue;
        }
        wrong += lastHandle && answer != lastHandle + 1;
        lastHandle = answer;
        taken += answer != 0;
    }
    SendMessageA(collector, kReportAnswer, 0, taken);
    SendMessageA(collector, kReportAnswer, 1, wrong);
    return 0;
}

TEST_F(RouterTest, RandomFloodLeavesOnlyWellFormedRegistrations)
{
    Collector collector;
    RecordingTarget a(log, 1);
    a.setResult = true;
    a.result = 0x66;
    EXPECT_EQ(2u, RegisterTarget(*pipe, &a, {WM_APP}));
    FaultCounter faults;
    ChildProcess child("flood", collector.Arg() + " --seed=20261205 --count=4000");
    EXPECT_EQ(0, PumpUntilExit(child, 60000));
    EXPECT_EQ(0, faults.Faults());
    ASSERT_EQ(2u, collector.log.size());
    const LPARAM taken = collector.log[0].lParam;
    EXPECT_GT(taken, 500);
    EXPECT_EQ(0, collector.log[1].lParam) << "answers that were not what the record deserved";

    // Every registration made took a handle: the next one shows there were
    // no others.
    EXPECT_EQ(UINT(taken), pipe->CountHandlers(kFloodMessage));
    RecordingTarget b(log, 2);
    EXPECT_EQ(3u + taken, RegisterTarget(*pipe, &b, {WM_APP}));
    EXPECT_EQ(1u, pipe->CountHandlers(WM_COPYDATA));
    EXPECT_EQ(0x66, SendMessageA(hRouter, WM_APP, 1, 2));
    static const MsgEntry kStillRouted[] = {{WM_APP, 1, 2, 1}, {WM_APP, 1, 2, 2}, {0, 0, 0, 0}};
    ExpectSequence(log, kStillRouted, "after the flood");
}
