// Records through the driver pipe, from a writer process (this program
// re-launched) to the router's process, against a raw loop of WriteFile plus
// PostMessageA between the same two processes into a plain window that reads
// each record with ReadFile. Times are per record, from the first write until
// the reader has taken the last record of a batch.
#include "library/CFUtils.h"

#include "Bench.h"
#include "ChildProcess.h"
#include "HiddenWindow.h"
#include "RouterTools.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using cfu::router::kDriverRecordHeader;

const UINT kRawWriteEnd = WM_APP + 1;    // writer to control: the raw pipe's write end
const UINT kExpect = WM_APP + 2;         // writer to control: lParam records follow
const UINT kRawDataReady = WM_APP + 3;   // writer to control: one raw record is waiting
const UINT kBatchDone = WM_APP + 4;      // control to writer: the batch has been read

HANDLE g_rawRead;
HWND g_writer;
long g_expected, g_read;

void CountRecord()
{
    if (++g_read == g_expected)
        PostMessageA(g_writer, kBatchDone, 0, 0);
}

class CountingDriverPipe : public CDriverPipe
{
public:
    void OnRecordRead(UINT, UINT, const void*) override { CountRecord(); }
};

// The raw reader: the header, then the payload it announces.
void ReadRawRecord()
{
    BYTE record[cfu::router::kDriverPipeBuffer];
    DWORD read = 0;
    UINT length = 0;
    ReadFile(g_rawRead, record, kDriverRecordHeader, &read, NULL);
    memcpy(&length, record, sizeof length);
    if (length)
        ReadFile(g_rawRead, record + kDriverRecordHeader, length, &read, NULL);
    CountRecord();
}

LRESULT CALLBACK ControlProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case kRawWriteEnd:
        g_writer = HWND(wParam);
        return LRESULT(lParam);
    case kExpect:
        g_expected = long(lParam);
        g_read = 0;
        return 1;
    case kRawDataReady:
        ReadRawRecord();
        return 0;
    }
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

/////////////////////////////////////////////////////////////////////////////
// The writer

bool g_done;

LRESULT CALLBACK WriterProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != kBatchDone)
        return DefWindowProcA(hWnd, msg, wParam, lParam);
    g_done = true;
    return 0;
}

// Runs batch() over `records` records `runs` times; the per-record time.
template <class Batch>
cfu::bench::Timing TimeRecords(HWND control, long records, Batch batch)
{
    cfu::bench::Timing t = cfu::bench::Time(
        [&] {
            g_done = false;
            SendMessageA(control, kExpect, 0, records);
            for (long i = 0; i < records; ++i)
                batch(i);
            cfu::tools::PumpUntil([] { return g_done; }, 60000);
        },
        1);
    return {t.minNs / double(records), t.medianNs / double(records)};
}

CFU_CHILD_ROLE(writer)
{
    HWND control = HWND(UINT_PTR(std::stoull(cfu::tools::ChildArg(argc, argv, "control"))));
    HWND hWnd = cfu::tools::MakeHiddenWindow("bench driver writer", &WriterProc);
    const HANDLE rawValue = HANDLE(UINT_PTR(std::stoull(cfu::tools::ChildArg(argc, argv, "raw"))));
    SendMessageA(control, kRawWriteEnd, WPARAM(hWnd), LPARAM(rawValue));
    cfu::unique_handle raw(cfu::tools::DuplicateFromWindowProcess(control, rawValue));
    CDriverPipe client;
    if (!raw || !client.InitialClientSide())
        return 1;
    for (UINT payload : {16u, 1024u}) {
        std::vector<BYTE> record(kDriverRecordHeader + payload, 0x5A);
        memcpy(record.data(), &payload, sizeof payload);
        const long records = 1000;
        cfu::bench::Timing lib = TimeRecords(control, records, [&](long i) {
            client.WriteDataToClientPipe(payload, UINT(i), record.data() + kDriverRecordHeader);
        });
        cfu::bench::Timing rawTime = TimeRecords(control, records, [&](long) {
            DWORD written = 0;
            WriteFile(raw.get(), record.data(), DWORD(record.size()), &written, NULL);
            PostMessageA(control, kRawDataReady, 0, 0);
        });
        const std::string name = "driver pipe record, " + std::to_string(payload) + "-byte payload";
        cfu::bench::Report(name.c_str(), lib, rawTime);
        std::printf("  (lib %.0f records/s, %.0f payload bytes/s; raw %.0f records/s, %.0f payload bytes/s)\n",
                    1e9 / lib.medianNs, payload * 1e9 / lib.medianNs, 1e9 / rawTime.medianNs,
                    payload * 1e9 / rawTime.medianNs);
    }
    DestroyWindow(hWnd);
    return 0;
}

} // namespace

// Called from the messaging benchmark's main.
int RunDriverPipeBench()
{
    CMessagePipe pipe;
    CountingDriverPipe server;
    if (!pipe.Initialize() || !server.InitialServerSide() || !server.Register(&pipe)) {
        std::printf("router not created: the prefix needs the null graphics driver\n");
        return 1;
    }
    HANDLE hRawWrite = NULL;
    CreatePipe(&g_rawRead, &hRawWrite, NULL, cfu::router::kDriverPipeBuffer);
    cfu::unique_handle rawRead(g_rawRead), rawWrite(hRawWrite);
    HWND control = cfu::tools::MakeHiddenWindow("bench driver control", &ControlProc);
    cfu::tools::ChildProcess writer("writer", "--control=" + std::to_string(UINT_PTR(control)) +
                                                  " --raw=" + std::to_string(UINT_PTR(hRawWrite)));
    const long rc = writer.Started() ? writer.PumpUntilExit(300000) : -1;
    server.UnRegister();
    DestroyWindow(control);
    if (rc != 0)
        std::printf("writer failed (%ld)\n", rc);
    return rc != 0;
}
