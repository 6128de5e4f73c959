// The driver pipe: the router's process creates the pipe and registers for
// its two messages; a driver-side process (this program re-launched) asks the
// router for the write end, duplicates it and sends a few records; the router
// side prints each record as it reads it.
#include "Demo.h"

#include "CFUtils.h"
#include "ChildProcess.h"

#include <cctype>
#include <cstdio>
#include <iterator>
#include <string>

namespace {

struct DemoRecord
{
    UINT code;
    std::string payload;
};

const DemoRecord kRecords[] = {
    {1, "axis X 512"},
    {2, "button 3 down"},
    {3, ""},
    {4, std::string("\x01\x00\xff\x7f", 4)},
};

// One write per line: the driver-side process prints to the same console at
// the same time.
void PrintLine(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
}

class PrintingDriverPipe : public CDriverPipe
{
public:
    int received = 0;

    void OnRecordRead(UINT length, UINT code, const void* pData) override
    {
        const std::string bytes(static_cast<const char*>(pData), length);
        bool text = length != 0;
        for (unsigned char c : bytes)
            text = text && std::isprint(c);
        std::string line = "    router: record code " + std::to_string(code) + ", " + std::to_string(length) + " bytes";
        if (text)
            line += ": \"" + bytes + "\"";
        char hex[4];
        for (unsigned char c : text ? std::string() : bytes)
            line += (std::snprintf(hex, sizeof hex, " %02X", c), hex);
        PrintLine(line);
        ++received;
    }
};

} // namespace

CFU_CHILD_ROLE(driver_client)
{
    CDriverPipe client;
    const int setup = client.InitialClientSide();
    PrintLine("    [driver] InitialClientSide: " + std::to_string(setup) + " (router found, write end duplicated)");
    int failures = setup != 1;
    for (const DemoRecord& r : kRecords) {
        const int written = client.WriteDataToClientPipe(UINT(r.payload.size()), r.code, (void*)r.payload.data());
        PrintLine("    [driver] WriteDataToClientPipe(" + std::to_string(r.payload.size()) + " bytes, code " +
                  std::to_string(r.code) + "): " + std::to_string(written) + ", data-ready posted");
        failures += written != 1;
    }
    return failures;
}

int RunDriverDemo()
{
    std::printf("== Driver pipe ==\n");
    CMessagePipe pipe;
    PrintingDriverPipe server;
    if (!pipe.Initialize() || !server.InitialServerSide() || !server.Register(&pipe)) {
        std::printf("  router or pipe not created\n");
        return 1;
    }
    std::printf("  router: pipe created and registered for 0x%04X and 0x%04X\n", cfu::router::kDriverDataReady,
                cfu::router::kDriverRequestWriteEnd);
    std::printf("  starting a driver-side process\n");
    cfu::tools::ChildProcess driver("driver_client");
    const long rc = driver.Started() ? driver.PumpUntilExit() : -1;
    cfu::tools::PumpPending();
    std::printf("  router: %d of %d records received; driver exited with %ld\n", server.received,
                int(std::size(kRecords)), rc);
    server.UnRegister();
    return rc == 0 && server.received == int(std::size(kRecords)) ? 0 : 1;
}
