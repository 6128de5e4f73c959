// System hooks and the hot key: the router turns on the hook library's CBT
// hook, and a window that another process (this program re-launched) creates
// and destroys is reported from there; then the router registers the mode hot
// key and a synthesized key press arrives at a target registered for WM_HOTKEY.
#include "Demo.h"

#include "CFUtils.h"
#include "ChildProcess.h"
#include "HiddenWindow.h"
#include "KeyPress.h"
#include "RouterTools.h"

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The window maker to the demo: its window (lParam).
const UINT kWindowMade = WM_APP + 0x60;

const char* CbtCodeName(WPARAM code)
{
    switch (code) {
    case HCBT_CREATEWND: return "HCBT_CREATEWND";
    case HCBT_DESTROYWND: return "HCBT_DESTROYWND";
    case HCBT_ACTIVATE: return "HCBT_ACTIVATE";
    case HCBT_SETFOCUS: return "HCBT_SETFOCUS";
    default: return "another HCBT_ code";
    }
}

// Keeps what the router hands it: {message, wParam, lParam}.
class KeepingTarget : public CNotifyTarget
{
public:
    std::vector<MSG> seen;

    int Notify(CMessageNotification* n) override
    {
        MSG msg = {};
        msg.message = n->GetMessageA();
        msg.wParam = n->GetWparam();
        msg.lParam = n->GetLparam();
        seen.push_back(msg);
        return 0;
    }
    int Register(CMessagePipe*) override { return 1; }
    int UnRegister() override { return 1; }
};

HWND g_made;

LRESULT CALLBACK ControlProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != kWindowMade)
        return DefWindowProcA(hWnd, msg, wParam, lParam);
    g_made = HWND(lParam);
    return 0;
}

// The CBT notifications about the window another process makes and destroys.
bool ShowCbtHook(CMessagePipe& pipe)
{
    std::printf("  EnableCBTHook(1): %d\n", pipe.EnableCBTHook(1));
    KeepingTarget target;
    const unsigned __int64 handle = cfu::tools::RegisterTarget(pipe, &target, {cfu::router::kCbtNotification});
    HWND control = cfu::tools::MakeHiddenWindow("CFUtils Demo Hook Control", &ControlProc);
    cfu::tools::ChildProcess maker("hook_window_maker", "--control=" + std::to_string(UINT_PTR(control)));
    bool ok = maker.PumpUntilExit() == 0 && g_made;
    // The hook posts from the other process: its notifications may still be on their way.
    int reports = 0;
    cfu::tools::PumpUntil([&] {
        reports = 0;
        for (const MSG& m : target.seen)
            reports += HWND(m.lParam) == g_made;
        return reports >= 2;
    }, 5000);
    for (const MSG& m : target.seen)
        if (HWND(m.lParam) == g_made)
            std::printf("  router: CBT notification 0x%04X, %s, window %p of process %lu\n", m.message,
                        CbtCodeName(m.wParam), (void*)m.lParam, maker.Id());
    pipe.UnRegisterNotification(handle);
    DestroyWindow(control);
    std::printf("  EnableCBTHook(0): %d\n", pipe.EnableCBTHook(0));
    return ok && reports >= 2;
}

bool ShowHotKey(CMessagePipe& pipe)
{
    KeepingTarget target;
    const unsigned __int64 handle = cfu::tools::RegisterTarget(pipe, &target, {WM_HOTKEY});
    const UINT id = pipe.SetHotKey(1, 'M', HOTKEYF_SHIFT | HOTKEYF_CONTROL);
    std::printf("  SetHotKey(1, 'M', HOTKEYF_SHIFT | HOTKEYF_CONTROL): identifier 0x%04X, the atom of "
                "\"%s\"\n", id, cfu::router::kHotKeyAtom);
    std::printf("  SendInput: Shift+Ctrl+M pressed and let go\n");
    cfu::tools::PressKeys({VK_SHIFT, VK_CONTROL, 'M'});
    const bool arrived = cfu::tools::PumpUntil([&] { return !target.seen.empty(); }, 5000);
    for (const MSG& m : target.seen)
        std::printf("  target: WM_HOTKEY wParam 0x%04X, modifiers 0x%X (MOD_SHIFT | MOD_CONTROL), key '%c'\n",
                    UINT(m.wParam), LOWORD(m.lParam), char(HIWORD(m.lParam)));
    std::printf("  SetHotKey(0, 0, 0): %u\n", pipe.SetHotKey(0, 0, 0));
    pipe.UnRegisterNotification(handle);
    return id && arrived && target.seen[0].wParam == id;
}

} // namespace

int RunHookDemo()
{
    std::printf("\n== Hooks and the hot key ==\n");
    CMessagePipe pipe;
    if (!pipe.Initialize())
        return 1;
    int failures = !ShowCbtHook(pipe);
    failures += !ShowHotKey(pipe);
    std::printf("  LoadHookLibrary(0): %d\n", pipe.LoadHookLibrary(0));
    return failures;
}

CFU_CHILD_ROLE(hook_window_maker)
{
    HWND control = HWND(UINT_PTR(std::stoull(cfu::tools::ChildArg(argc, argv, "control"))));
    HWND hWnd = cfu::tools::MakeHiddenWindow("CFUtils Demo Hooked Window", &DefWindowProcA);
    std::printf("    [window maker %lu] created window %p, destroying it\n", GetCurrentProcessId(), (void*)hWnd);
    SendMessageA(control, kWindowMade, 0, LPARAM(hWnd));
    return DestroyWindow(hWnd) ? 0 : 1;
}

// The mode hot key pressed by a process of its own: scripts/demo runs this
// role against a router that cfutil runs.
CFU_CHILD_ROLE(press_mode_hot_key)
{
    return cfu::tools::PressKeys({VK_SHIFT, VK_CONTROL, 'M'}) == 6 ? 0 : 1;
}
