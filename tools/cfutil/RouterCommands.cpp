// cfutil router: run a router that prints what reaches it, or talk to the
// running one from another process.
#include "Commands.h"

#include "CFUtils.h"
#include "HiddenWindow.h"
#include "MessageLoop.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace cfu::cli {

namespace {

HWND g_quitWindow;    // the window whose WM_CLOSE a Ctrl-C stands for

BOOL WINAPI OnConsoleBreak(DWORD)
{
    PostMessageA(g_quitWindow, WM_CLOSE, 0, 0);
    return TRUE;
}

std::string MessageName(UINT message)
{
    static const struct
    {
        UINT message;
        const char* name;
    } kKnown[] = {
        {WM_CLOSE, "WM_CLOSE"},
        {WM_COPYDATA, "WM_COPYDATA"},
        {WM_HOTKEY, "WM_HOTKEY"},
        {cfu::router::kKeyboardNotification, "keyboard hook"},
        {cfu::router::kShellNotification, "shell hook"},
        {cfu::router::kCbtNotification, "CBT hook"},
        {cfu::router::kDriverDataReady, "driver data ready"},
        {cfu::router::kDriverRequestWriteEnd, "driver write end"},
    };
    for (const auto& known : kKnown)
        if (known.message == message)
            return std::string(" (") + known.name + ")";
    char name[256];
    // Registered window messages share the atom table with clipboard formats.
    if (message >= 0xC000 && GetClipboardFormatNameA(message, name, sizeof name) > 0)
        return std::string(" \"") + name + "\"";
    return "";
}

// Commands reach the router through OnCmdMsg, not through its walk.
class CPrintingPipe : public CMessagePipe
{
public:
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override
    {
        if (!pHandlerInfo)
            std::printf("command %u\n", nID);
        return CMessagePipe::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
    }
};

// Registered after the cross-process monitor, so a registration request's
// answer (the new handle) is already in the notification when it arrives.
class CPrintingTarget : public CNotifyTarget
{
public:
    int Notify(CMessageNotification* n) override
    {
        const UINT message = n->GetMessageA();
        if (message == WM_COPYDATA)
            PrintRegistration(*n);
        else if (message == m_ipcMessage && n->GetWparam() == cfu::router::kUnregisterRequest)
            std::printf("unregistration: handle %llu\n", static_cast<unsigned long long>(n->GetLparam()));
        else
            std::printf("message 0x%04X%s wParam 0x%llx lParam 0x%llx\n", message, MessageName(message).c_str(),
                        static_cast<unsigned long long>(n->GetWparam()), static_cast<unsigned long long>(n->GetLparam()));
        if (message == WM_CLOSE)
            PostQuitMessage(0);
        return 0;    // the router's answer stays what the others made it
    }
    int Register(CMessagePipe*) override { return 1; }
    int UnRegister() override { return 1; }

    UINT m_ipcMessage = RegisterWindowMessageA(cfu::router::kIpcMessage);

private:
    static void PrintRegistration(CMessageNotification& n)
    {
        const unsigned long long handle = static_cast<unsigned long long>(n.GetReturnResult());
        const COPYDATASTRUCT* cds = reinterpret_cast<const COPYDATASTRUCT*>(n.GetLparam());
        if (!handle || !cds) {
            std::printf("registration refused\n");
            return;
        }
        // The monitor answered a handle: the record was whole.
        const TAGRawRegistration* raw = static_cast<const TAGRawRegistration*>(cds->lpData);
        std::printf("registration: handle %llu, window %p, style %u, messages", handle, static_cast<void*>(raw->hWnd),
                    UINT(raw->nNotifyStyle));
        for (UINT i = 0; i < raw->cMessages; ++i)
            std::printf(" 0x%04X", raw->aIds[i]);
        std::printf("\n");
    }
};

class CPrintingDriverPipe : public CDriverPipe
{
public:
    void OnRecordRead(UINT length, UINT code, const void* pData) override
    {
        std::printf("driver record: code %u, %u byte(s): %.*s\n", code, length, int(length),
                    static_cast<const char*>(pData));
    }
};

// "Ctrl+Alt+F12", "Shift+M", "Ctrl+0x41": the virtual key and HOTKEYF_* bits.
std::pair<WORD, WORD> ParseHotKey(const std::string& text)
{
    static const std::pair<const char*, WORD> kModifiers[] = {
        {"Shift", HOTKEYF_SHIFT}, {"Ctrl", HOTKEYF_CONTROL}, {"Alt", HOTKEYF_ALT}};
    WORD modifiers = 0;
    size_t start = 0;
    for (size_t plus; (plus = text.find('+', start)) != std::string::npos; start = plus + 1) {
        const std::string part = text.substr(start, plus - start);
        auto it = std::find_if(std::begin(kModifiers), std::end(kModifiers),
                               [&](const auto& m) { return _stricmp(m.first, part.c_str()) == 0; });
        if (it == std::end(kModifiers))
            throw Failure("'" + part + "' is not Shift, Ctrl or Alt", ERROR_INVALID_PARAMETER);
        modifiers |= it->second;
    }
    const std::string key = text.substr(start);
    if (key.size() == 1 && isalnum(static_cast<unsigned char>(key[0])))
        return {WORD(toupper(static_cast<unsigned char>(key[0]))), modifiers};
    if (key.size() > 1 && toupper(static_cast<unsigned char>(key[0])) == 'F' && isdigit(static_cast<unsigned char>(key[1])))
        return {WORD(VK_F1 + ParseNumber(key.substr(1), "function key") - 1), modifiers};
    return {WORD(ParseNumber(key, "key")), modifiers};
}

void RunRouter(bool hooks, const std::string& hotKey)
{
    if (FindWindowA(cfu::router::kWindowClass, NULL))
        throw Failure("a router is running already", ERROR_ALREADY_EXISTS);
    CPrintingPipe pipe;
    if (!pipe.Initialize())
        throw Failure("cannot create the router window", GetLastError());
    CPrintingTarget printer;
    CMessageRegistration reg;
    reg.SetNotifyTarget(&printer);
    reg.SetMessageFrom(WM_USER);
    reg.SetMessageTo(0xFFFF);
    for (UINT m : {UINT(WM_COPYDATA), UINT(WM_HOTKEY), UINT(WM_CLOSE)})
        reg.AddMessageToList(m);
    pipe.RegisterForNotifications(reg);
    CPrintingDriverPipe driver;
    if (!driver.InitialServerSide() || !driver.Register(&pipe))
        throw Failure("cannot set up the driver pipe", GetLastError());
    if (hooks)
        std::printf("hooks: keyboard %d, CBT %d, shell %d\n", pipe.EnableKeyboardHook(1), pipe.EnableCBTHook(1),
                    pipe.EnableShellHook(1));
    if (!hotKey.empty()) {
        const auto [key, modifiers] = ParseHotKey(hotKey);
        const UINT id = pipe.SetHotKey(1, key, modifiers);
        if (!id)
            throw Failure("cannot register the hot key " + hotKey, GetLastError());
        std::printf("hot key %s: identifier 0x%04X\n", hotKey.c_str(), id);
    }
    g_quitWindow = pipe.m_hWnd;
    SetConsoleCtrlHandler(&OnConsoleBreak, TRUE);
    std::printf("router: running, window %p; WM_CLOSE or Ctrl-C ends it\n", static_cast<void*>(pipe.m_hWnd));
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    SetConsoleCtrlHandler(&OnConsoleBreak, FALSE);
    pipe.SetHotKey(0, 0, 0);
    if (hooks) {
        pipe.EnableKeyboardHook(0);
        pipe.EnableCBTHook(0);
        pipe.EnableShellHook(0);
        pipe.LoadHookLibrary(0);
    }
    driver.UnRegister();
    pipe.UnRegisterNotification(reg.GetHandle());
    std::printf("router: ended\n");
}

struct MessageArgs
{
    std::string message;
    std::string wParam = "0";
    std::string lParam = "0";
};

// The router's answer; Failure when it has not answered within 10 s.
DWORD_PTR SendWithin(HWND router, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(router, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &answer))
        throw Failure("the router did not answer", GetLastError() ? GetLastError() : ERROR_TIMEOUT);
    return answer;
}

void SendToRouter(const MessageArgs& args, bool post)
{
    const UINT message = MessageByName(args.message);
    const WPARAM w = WPARAM(ParseNumber(args.wParam, "wParam"));
    const LPARAM l = LPARAM(ParseNumber(args.lParam, "lParam"));
    HWND router = FindRouter();
    if (post) {
        if (!PostMessageA(router, message, w, l))
            throw Failure("cannot post to the router", GetLastError());
        std::printf("posted 0x%04X\n", message);
        return;
    }
    std::printf("answer %lld\n", static_cast<long long>(SendWithin(router, message, w, l)));
}

LRESULT CALLBACK ListenerProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* remaining = reinterpret_cast<long*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (!remaining || message < WM_USER)
        return DefWindowProcA(hWnd, message, wParam, lParam);
    std::printf("received 0x%04X%s wParam 0x%llx lParam 0x%llx, %s\n", message, MessageName(message).c_str(),
                static_cast<unsigned long long>(wParam), static_cast<unsigned long long>(lParam),
                InSendMessage() ? "sent" : "posted");
    if (--*remaining == 0)
        PostQuitMessage(0);
    return 0;
}

void Listen(const std::vector<std::string>& names, bool sent, long count)
{
    CMessageRegistration reg;
    for (const std::string& name : names)
        reg.AddMessageToList(MessageByName(name));
    HWND router = FindRouter();
    reg.SetNotifyStyle(sent ? NOTIFY_STYLE_SEND : NOTIFY_STYLE_POST);
    long remaining = count > 0 ? count : -1;
    HWND hWnd = cfu::tools::MakeHiddenWindow("cfutil listener", &ListenerProc, LONG_PTR(&remaining));
    if (!hWnd)
        throw Failure("cannot create the listener window", GetLastError());
    CRemoteMessagePipe remote;
    const unsigned __int64 handle = remote.RegisterForNotifications(hWnd, reg);
    if (!handle)
        throw Failure("the router refused the registration", ERROR_ACCESS_DENIED);
    g_quitWindow = hWnd;
    SetConsoleCtrlHandler(&OnConsoleBreak, TRUE);
    std::printf("listening: handle %llu\n", static_cast<unsigned long long>(handle));
    // Ends with the router, after count messages, or at Ctrl-C (WM_CLOSE).
    SetTimer(hWnd, 1, 500, NULL);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0 && IsWindow(router) && msg.message != WM_CLOSE)
        DispatchMessageA(&msg);
    SetConsoleCtrlHandler(&OnConsoleBreak, FALSE);
    if (IsWindow(router))
        remote.UnRegisterNotification(handle);
    DestroyWindow(hWnd);
    std::printf("listening: ended\n");
}

// One IPC request to the router; its answer.
unsigned long long Ask(HWND router, WPARAM request, LPARAM lParam)
{
    static const UINT ipc = RegisterWindowMessageA(cfu::router::kIpcMessage);
    return SendWithin(router, ipc, request, lParam);
}

void Status(const std::vector<std::string>& names)
{
    HWND router = FindRouter();
    DWORD pid = 0;
    GetWindowThreadProcessId(router, &pid);
    std::printf("router: running, window %p, process %lu\n", static_cast<void*>(router), pid);
    for (const std::string& name : names) {
        const UINT message = MessageByName(name);
        std::printf("message 0x%04X%s: %llu registration(s)\n", message, MessageName(message).c_str(),
                    Ask(router, cfu::router::kCountRequest, message));
    }
    int gone = 0;
    for (unsigned long long h = 0; (h = Ask(router, cfu::router::kGoneWindowRequest, LPARAM(h))) != 0; ++gone)
        std::printf("registration %llu: its window has gone\n", h);
    if (!gone)
        std::printf("every registered window exists\n");
}

} // namespace

void AddRouterCommands(CLI::App& app)
{
    CLI::App* router = app.add_subcommand("router", "The message router: run one, or talk to the running one");
    router->require_subcommand(1);

    static bool hooks = false;
    static std::string hotKey;
    CLI::App* run = router->add_subcommand("run", "Own a router and print everything that reaches it");
    run->add_flag("--hooks", hooks, "Turn on the keyboard, CBT and shell hooks");
    run->add_option("--hotkey", hotKey, "Register the mode hot key, e.g. Ctrl+Alt+F12");
    run->callback([] { RunRouter(hooks, hotKey); });

    static MessageArgs args;
    for (const char* name : {"send", "post"}) {
        const bool post = name[0] == 'p';
        CLI::App* cmd = router->add_subcommand(name, post ? "Post a message to the running router"
                                                          : "Send a message to the running router; prints its answer");
        cmd->add_option("MSG", args.message, "Message number or registered name")->required();
        cmd->add_option("WPARAM", args.wParam, "wParam (default 0)");
        cmd->add_option("LPARAM", args.lParam, "lParam (default 0)");
        cmd->callback([post] { SendToRouter(args, post); });
    }

    static std::vector<std::string> names;
    static bool sent = false;
    static long count = 0;
    CLI::App* listen = router->add_subcommand("listen", "Register with the running router from this process and "
                                                        "print each forwarded message");
    listen->add_option("MSG", names, "Message numbers or registered names")->required();
    listen->add_flag("--sent", sent, "Have messages sent (style 1) rather than posted");
    listen->add_option("--count", count, "End after this many messages");
    listen->callback([] { Listen(names, sent, count); });

    static std::vector<std::string> statusNames;
    CLI::App* status = router->add_subcommand("status", "Whether a router runs, and its registrations for messages");
    status->add_option("MSG", statusNames, "Message numbers or registered names");
    status->callback([] { Status(statusNames); });
}

} // namespace cfu::cli
