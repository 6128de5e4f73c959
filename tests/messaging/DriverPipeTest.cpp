// The driver pipe: an in-process client, setup without a router or a handle, and
// hostile writers, each data-ready answered within a deadline, followed by the
// library's client in another process.
#include "RouterTestSupport.h"

#include <iterator>
#include <string_view>
#include <vector>

using namespace cfu::test;
using cfu::router::kDriverDataReady;
using cfu::router::kDriverRequestWriteEnd;

namespace {

std::vector<BYTE> Pattern(UINT code, UINT from, UINT to)
{
    std::vector<BYTE> bytes;
    for (UINT i = from; i < to; ++i)
        bytes.push_back(BYTE(code * 7 + i * 13 + (i >> 8)));
    return bytes;
}

// A record as the log keeps it: {code, length, a hash of the payload, 0}.
MsgEntry Entry(UINT length, UINT code, const BYTE* p)
{
    return {code, length, LPARAM(std::hash<std::string_view>()({reinterpret_cast<const char*>(p), length})), 0};
}
MsgEntry Expected(UINT length, UINT code) { return Entry(length, code, Pattern(code, 0, length).data()); }

class RecordingDriverPipe : public CDriverPipe
{
public:
    MsgLog records;
    void OnRecordRead(UINT length, UINT code, const void* pData) override
    {
        records.push_back(Entry(length, code, static_cast<const BYTE*>(pData)));
    }
};

class DriverPipeTest : public RouterTest
{
protected:
    void SetUp() override
    {
        RouterTest::SetUp();
        ASSERT_EQ(1, server.InitialServerSide());
        ASSERT_EQ(1, server.Register(pipe.get()));
    }
    void TearDown() override
    {
        EXPECT_EQ(1, server.UnRegister());
        RouterTest::TearDown();
    }
    RecordingDriverPipe server;
};

const UINT kLengths[] = {0, 1, 3, 16, 255, 1024, cfu::router::kDriverPayloadMax};
const UINT kStreamed = 140;

// Hostile writers: each row is one write, then a data-ready sent with a deadline. Header bytes
// [headerFrom, headerTo) of {length, code}, then the code's pattern bytes [from, to).
struct HostileWrite { UINT headerFrom, headerTo, length, code, from, to; };
const HostileWrite kHostile[] = {
    {0, 8, 1000, 0x11, 0, 10},                   // announces 1000, writes 10
    {0, 0, 1000, 0x11, 10, 1000},                // the rest arrives
    {0, 8, 0xFFFFFFFF, 0x22, 0, 100},            // past the bound: what waits is dropped
    {0, 8, 3, 0x33, 0, 3},
    {0, 5, 4, 0x44, 0, 0},                       // the header cut
    {5, 8, 4, 0x44, 0, 4},
    {0, 0, 0, 0, 0, 0},                          // an empty pipe
    {0, 8, 0, 0x55, 0, 0},                       // no payload read may follow
    {0, 8, cfu::router::kDriverPayloadMax + 1, 0x66, 0, cfu::router::kDriverPayloadMax},
    {0, 8, 1, 0x77, 0, 1},
    {0, 8, 100, 0x88, 0, 30},                    // the writer dies here
    {0, 0, 100, 0x88, 30, 100},                  // another completes its record: the pipe has no framing
    {0, 8, 2, 0x99, 0, 2},
};
const UINT kDiesAfter = 11;
const MsgEntry kHostileRecords[] = {Expected(1000, 0x11), Expected(3, 0x33), Expected(4, 0x44), Expected(0, 0x55),
                                    Expected(1, 0x77),    Expected(100, 0x88), Expected(2, 0x99)};

} // namespace

// Writes kStreamed records of every length, code i, and two it must refuse; exits with the failures.
CFU_CHILD_ROLE(driver)
{
    CDriverPipe client;
    int failures = client.InitialClientSide() != 1;
    for (UINT i = 0; i < kStreamed; ++i) {
        const UINT length = kLengths[i % std::size(kLengths)];
        failures += client.WriteDataToClientPipe(length, i, Pattern(i, 0, length).data()) != 1;
    }
    BYTE big[cfu::router::kDriverPayloadMax + 1] = {};
    SetLastError(0xdeadbeef);
    failures += client.WriteDataToClientPipe(sizeof big, 1, big) != 0 || GetLastError() != ERROR_INVALID_PARAMETER;
    failures += client.WriteDataToClientPipe(3, 1, NULL) != 0;
    return failures;
}

TEST_F(DriverPipeTest, InProcessClientSecondSetupAndUnRegister)
{
    const LRESULT writeEnd = SendMessageA(hRouter, kDriverRequestWriteEnd, 0, 0);
    EXPECT_EQ(1, server.InitialServerSide());    // no second pipe
    EXPECT_EQ(writeEnd, SendMessageA(hRouter, kDriverRequestWriteEnd, 0, 0));

    CDriverPipe client;
    EXPECT_EQ(1, client.InitialClientSide());
    EXPECT_EQ(1, client.WriteDataToClientPipe(3, 0x33, Pattern(0x33, 0, 3).data()));
    EXPECT_EQ(1, client.WriteDataToClientPipe(0, 0x55, NULL));
    PumpPending();
    static const MsgEntry kTwo[] = {Expected(3, 0x33), Expected(0, 0x55), {0, 0, 0, 0}};
    ExpectSequence(server.records, kTwo, "in-process client");

    EXPECT_EQ(1, server.UnRegister());
    EXPECT_EQ(0u, pipe->CountHandlers(kDriverDataReady));
    DWORD flags;
    EXPECT_FALSE(GetHandleInformation(HANDLE(writeEnd), &flags));
    EXPECT_EQ(0, client.WriteDataToClientPipe(0, 1, NULL));    // the reader has gone
    EXPECT_EQ(1, server.InitialServerSide());
    EXPECT_EQ(1, server.Register(pipe.get()));
    EXPECT_EQ(0, SendMessageA(hRouter, kDriverRequestWriteEnd, 0, 0));
    EXPECT_EQ(0, CDriverPipe().InitialClientSide());    // a router without a write end
    EXPECT_EQ(0, server.Register(NULL));
    EXPECT_EQ(1, client.UnRegister());    // never registered: closes its handle
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, client.WriteDataToClientPipe(0, 1, NULL));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

TEST(DriverClientTest, WithoutARouterSetupFailsOnce)
{
    ASSERT_EQ(nullptr, FindWindowA(cfu::router::kWindowClass, NULL));
    CDriverPipe client;
    EXPECT_EQ(0, client.InitialClientSide());
    EXPECT_EQ(1, client.InitialClientSide());    // set up once, even when it failed
}

// --from=N: rows N.. of kHostile, where the first writer dies at kDiesAfter. Exits with 10 + the row whose
// data-ready went unanswered.
CFU_CHILD_ROLE(hostile_writer)
{
    HWND hRouter = FindWindowA(cfu::router::kWindowClass, NULL);
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(hRouter, kDriverRequestWriteEnd, 0, 0, SMTO_NORMAL, 10000, &answer);
    cfu::unique_handle pipeEnd(cfu::tools::DuplicateFromWindowProcess(hRouter, HANDLE(answer)));
    const UINT from = std::stoul(ChildArg(argc, argv, "from"));
    for (UINT i = from; i < (from < kDiesAfter ? kDiesAfter : std::size(kHostile)); ++i) {
        const HostileWrite& w = kHostile[i];
        const UINT header[2] = {w.length, w.code};
        std::vector<BYTE> bytes(reinterpret_cast<const BYTE*>(header) + w.headerFrom,
                                reinterpret_cast<const BYTE*>(header) + w.headerTo);
        const std::vector<BYTE> payload = Pattern(w.code, w.from, w.to);
        bytes.insert(bytes.end(), payload.begin(), payload.end());
        DWORD written = 0;
        if (!bytes.empty())
            WriteFile(pipeEnd.get(), bytes.data(), DWORD(bytes.size()), &written, NULL);
        if (!SendMessageTimeoutA(hRouter, kDriverDataReady, 0, 0, SMTO_NORMAL, 5000, &answer))
            return int(10 + i);
    }
    return 0;
}

TEST_F(DriverPipeTest, HostileWritersNeverStallTheRouterNorCorruptLaterRecords)
{
    for (UINT from : {0u, kDiesAfter}) {
        ChildProcess writer("hostile_writer", "--from=" + std::to_string(from));
        EXPECT_EQ(0, writer.PumpUntilExit()) << from;
    }
    // Then the library's own client in another process, every length.
    ChildProcess driver("driver");
    EXPECT_EQ(0, driver.PumpUntilExit());
    PumpPending();
    MsgLog expected(std::begin(kHostileRecords), std::end(kHostileRecords));
    for (UINT i = 0; i < kStreamed; ++i)
        expected.push_back(Expected(kLengths[i % std::size(kLengths)], i));
    EXPECT_EQ(expected, server.records) << "records among hostile writes, then streamed";
}
