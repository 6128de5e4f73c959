// Notification targets that record what the router hands them, and a fixture
// with an initialised router on the test's thread.
#pragma once

#include "library/CFUtils.h"
#include "TestSupport.h"

#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>

namespace cfu::test {

// The router's names, spelt out here as other programs spell them.
constexpr char kRouterClass[] = "Corvanta Flydeck Internal Message Router";
constexpr char kIpcMessageName[] = "Corvanta Flydeck Ipc Message";
constexpr char kInternalMessageName[] = "Corvanta Flydeck Internal Message";

// A field read at a byte offset, as another module compiled against the
// header sees it.
template <class T>
T FieldAt(const void* object, size_t offset)
{
    T value;
    memcpy(&value, static_cast<const BYTE*>(object) + offset, sizeof value);
    return value;
}

// A hidden popup of a class of its own (registered on first use), carrying
// userData in GWLP_USERDATA.
inline HWND MakeTestWindow(const char* className, WNDPROC proc, LONG_PTR userData, DWORD exStyle = 0)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    HWND hWnd = CreateWindowExA(exStyle, className, "", WS_POPUP, 0, 0, 0, 0, NULL, NULL, wc.hInstance, NULL);
    SetWindowLongPtrA(hWnd, GWLP_USERDATA, userData);
    return hWnd;
}

// Logs every notification as {message, wParam, lParam, who}, optionally acts
// inside Notify, then answers `answer`, setting `result` first when asked.
class RecordingTarget : public CNotifyTarget
{
public:
    RecordingTarget(MsgLog& log, int who) : m_log(log), m_who(who) {}

    int answer = 1;
    bool setResult = false;
    LRESULT result = 0;
    std::function<void(CMessageNotification&)> onNotify;
    CMessageNotification last;
    int registerCalls = 0;
    int unregisterCalls = 0;

    int Notify(CMessageNotification* pNotification) override
    {
        m_log.push_back({pNotification->GetMessageA(), pNotification->GetWparam(),
                         pNotification->GetLparam(), m_who});
        last = *pNotification;
        if (setResult)
            pNotification->SetReturnResult(result);
        if (onNotify)
            onNotify(*pNotification);
        return answer;
    }
    int Register(CMessagePipe*) override { return ++registerCalls; }
    int UnRegister() override { return ++unregisterCalls; }

private:
    MsgLog& m_log;
    int m_who;
};

// Registers target for the messages, range and commands given; the handle.
inline unsigned __int64 RegisterTarget(CMessagePipe& pipe, CNotifyTarget* pTarget,
                                       std::initializer_list<UINT> messages, UINT from = 0,
                                       UINT to = 0, std::initializer_list<UINT> commands = {})
{
    CMessageRegistration reg;
    reg.SetNotifyTarget(pTarget);
    reg.SetMessageFrom(from);
    reg.SetMessageTo(to);
    for (UINT m : messages)
        reg.AddMessageToList(m);
    for (UINT c : commands)
        reg.AddCommandToList(c);
    return pipe.RegisterForNotifications(reg);
}

// An initialised router on this thread, destroyed with the test.
class RouterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pipe = std::make_unique<CMessagePipe>();
        ASSERT_EQ(1, pipe->Initialize());
        hRouter = pipe->m_hWnd;
    }
    void TearDown() override
    {
        pipe.reset();
        PumpPending();
    }

    std::unique_ptr<CMessagePipe> pipe;
    HWND hRouter = NULL;
    MsgLog log;
};

} // namespace cfu::test
