// Notification targets that record what the router hands them, a router on
// the test's thread, and a collector window that child processes report to.
#pragma once

#include "library/CFUtils.h"
#include "RouterTools.h"
#include "TestSupport.h"

#include <memory>
#include <optional>
#include <string>

namespace cfu::test {

// Logs each notification as {message, wParam, lParam, who}, sets `result` if any, answers `answer`.
class RecordingTarget : public CNotifyTarget
{
public:
    RecordingTarget(MsgLog& log, int who) : sink(log), who(who) {}

    MsgLog& sink;
    const int who;
    int answer = 1;
    std::optional<LRESULT> result;
    CMessageNotification last;

    int Notify(CMessageNotification* pNotification) override
    {
        sink.push_back({pNotification->GetMessageA(), pNotification->GetWparam(), pNotification->GetLparam(), who});
        last = *pNotification;
        if (result)
            pNotification->SetReturnResult(*result);
        return answer;
    }
    // The pipe never calls these: a target registers and unregisters itself.
    int Register(CMessagePipe*) override { ADD_FAILURE() << "Register called"; return 0; }
    int UnRegister() override { ADD_FAILURE() << "UnRegister called"; return 0; }
};

// An initialised router on this thread, destroyed with the test. Wine swallows a fault inside a
// cross-process SendMessageA (the sender gets 0): the router's process counts its own access violations.
class RouterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        s_faults = 0;
        m_handler = AddVectoredExceptionHandler(1, [](EXCEPTION_POINTERS* info) -> LONG {
            if (info->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION)
                InterlockedIncrement(&s_faults);
            return EXCEPTION_CONTINUE_SEARCH;
        });
        pipe = std::make_unique<CMessagePipe>();
        ASSERT_EQ(1, pipe->Initialize());
        hRouter = pipe->m_hWnd;
    }
    void TearDown() override
    {
        pipe.reset();
        PumpPending();
        RemoveVectoredExceptionHandler(m_handler);
        EXPECT_EQ(0, s_faults) << "access violations in the router's process";
    }

    std::unique_ptr<CMessagePipe> pipe;
    HWND hRouter = NULL;
    MsgLog log;
    static inline LONG s_faults = 0;
    PVOID m_handler = nullptr;
};

// Child to collector: registered (wParam handle, lParam window); an answer (wParam number, lParam
// answer); WM_COPYDATA kReportReceived: a MsgEntry a listener's window received, who kPosted or kSent.
// Test to a listener's window: unregister and end.
const UINT kReportRegistered = WM_APP + 0x200;
const UINT kReportAnswer = WM_APP + 0x201;
const UINT kListenerQuit = WM_APP + 0x202;
const ULONG_PTR kReportReceived = 0x52;
enum { kPosted = 1, kSent = 2 };

// Logs children's reports: a received message as the listener saw it, others as {message, wParam, lParam, 0}.
class Collector
{
public:
    Collector() : hWnd(MakeHiddenWindow("CFUtilsTest Collector", &WndProc, LONG_PTR(&log))) {}
    ~Collector() { DestroyWindow(hWnd); }
    std::string Arg() const { return "--collector=" + std::to_string(UINT_PTR(hWnd)); }
    static HWND FromArgs(int argc, char** argv) { return HWND(std::stoull(ChildArg(argc, argv, "collector"))); }

    MsgLog log;
    HWND hWnd;

private:
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        MsgLog* pLog = reinterpret_cast<MsgLog*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
        const COPYDATASTRUCT* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (pLog && message == WM_COPYDATA && cds->dwData == kReportReceived && cds->cbData == sizeof(MsgEntry))
            pLog->push_back(*static_cast<const MsgEntry*>(cds->lpData));
        else if (pLog && message >= WM_APP)
            pLog->push_back({message, wParam, lParam, 0});
        else
            return DefWindowProcA(hWnd, message, wParam, lParam);
        return 1;
    }
};

} // namespace cfu::test
