// Cross-process tests: a collector window in the test process that child
// processes report to, and the reports they send.
#pragma once

#include "RouterTestSupport.h"

#include <string>

namespace cfu::test {

// Child to collector: a listener registered (wParam handle, lParam window).
const UINT kReportRegistered = WM_APP + 0x200;
// Child to collector: a numbered answer (wParam number, lParam answer).
const UINT kReportAnswer = WM_APP + 0x201;
// Test to listener window: unregister and end.
const UINT kListenerQuit = WM_APP + 0x202;
// WM_COPYDATA dwData of a ReceivedMessage report.
const ULONG_PTR kReportReceived = 0x52;

// What a listener's window received, and whether it was sent or posted.
struct ReceivedMessage
{
    UINT message;
    UINT sent;
    WPARAM wParam;
    LPARAM lParam;
};

// who in the collector's log of received messages.
enum { kPosted = 1, kSent = 2 };

// A window of the test process that logs children's reports:
// {message, wParam, lParam, kPosted/kSent} for received messages and
// {kReportAnswer, number, answer, 0} for answers.
class Collector
{
public:
    Collector();
    ~Collector();
    Collector(const Collector&) = delete;
    Collector& operator=(const Collector&) = delete;

    // The argument that gives a child this window.
    std::string Arg() const;
    static HWND FromArgs(int argc, char** argv);

    HWND hWnd = NULL;
    MsgLog log;
    unsigned __int64 handle = 0;
    HWND listener = NULL;
    bool registered = false;

private:
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
};

// Pumps this thread's messages (the router's among them) until the child
// ends; its exit code, or -1 after timeoutMs.
long PumpUntilExit(ChildProcess& child, DWORD timeoutMs = 15000);

} // namespace cfu::test
