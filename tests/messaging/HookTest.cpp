// System hooks and the hot key: every on/off answer in every state of the hook
// library, proven by what the hooks then report; hook notifications from a
// window of another process; the hot key against the platform's own table of
// registered hot keys and a synthesized key press.
#include "RouterTestSupport.h"
#include "KeyPress.h"

#include <commctrl.h>

#include <optional>
#include <string>

using namespace cfu::test;
namespace router = cfu::router;

namespace {

// The hooks whose notifications a probe saw, as bits.
enum { kKeyboard = 1, kShell = 2, kCbt = 4 };
const WORD kProbeKey = VK_F9;
int g_keyUps;

LRESULT CALLBACK FocusWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_keyUps += message == WM_KEYUP;
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

// Narrows LoadLibraryA's search for a bare name to one folder, or to the
// system folder alone, leaving out the program's folder where the real hook
// library sits.
class DllSearch
{
public:
    explicit DllSearch(const char* folder)
    {
        if (!folder) {
            SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
            return;
        }
        wchar_t path[MAX_PATH];
        const DWORD n = GetModuleFileNameW(NULL, path, MAX_PATH);
        std::wstring dir(path, n);
        dir.resize(dir.rfind(L'\\') + 1);
        dir.append(folder, folder + strlen(folder));
        SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_USER_DIRS);
        m_cookie = AddDllDirectory(dir.c_str());
    }
    ~DllSearch()
    {
        if (m_cookie)
            RemoveDllDirectory(m_cookie);
        SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    }

private:
    DLL_DIRECTORY_COOKIE m_cookie = nullptr;
};

class HookTest : public RouterTest
{
protected:
    void TearDown() override
    {
        if (pipe)
            TurnAllOff(*pipe, "at the end");
        RouterTest::TearDown();
    }

    // The owner's duty before the pipe goes: hooks off, library freed. Then
    // nothing may report any more and the library must have left the process.
    void TurnAllOff(CMessagePipe& subject, const std::string& context)
    {
        subject.EnableKeyboardHook(0);
        subject.EnableCBTHook(0);
        subject.EnableShellHook(0);
        EXPECT_EQ(1, subject.LoadHookLibrary(0)) << context;
        EXPECT_EQ(nullptr, GetModuleHandleA(router::kHookLibrary)) << context;
        EXPECT_EQ(0, Probe()) << context << ": a hook left behind";
    }

    // The notifications about one visible window that is made, focused, typed
    // into and destroyed. Other processes' hooks report their own windows too
    // (Wine's explorer.exe among them): only this window's are counted.
    int Probe()
    {
        MsgLog seen;
        RecordingTarget target(seen, 0);
        const unsigned __int64 handle = RegisterTarget(
            *pipe, &target, {router::kKeyboardNotification, router::kShellNotification, router::kCbtNotification});
        HWND hWnd = MakeHiddenWindow("CFUtilsTest Focus", &FocusWndProc);
        ShowWindow(hWnd, SW_SHOW);
        SetForegroundWindow(hWnd);
        SetFocus(hWnd);
        g_keyUps = 0;
        EXPECT_EQ(2u, PressKeys({kProbeKey}));
        // The keyboard hook runs, and posts, as the key leaves the queue.
        EXPECT_TRUE(PumpUntil([] { return g_keyUps > 0; }, 5000));
        DestroyWindow(hWnd);
        PumpPending();
        pipe->UnRegisterNotification(handle);
        int bits = 0;
        for (const MsgEntry& e : seen) {
            if (e.message == router::kKeyboardNotification && e.wParam == kProbeKey)
                bits |= kKeyboard;
            else if (e.lParam == LPARAM(hWnd))
                bits |= e.message == router::kShellNotification ? kShell : kCbt;
        }
        return bits;
    }
};

using Switch = int (CMessagePipe::*)(int);
struct Operation
{
    const char* name;
    Switch call;
    const char* exportName;    // the one it needs beyond loading
    int hook;
};
const Operation kLoad = {"LoadHookLibrary", &CMessagePipe::LoadHookLibrary, nullptr, 0};
const Operation kKeyboardHook = {"EnableKeyboardHook", &CMessagePipe::EnableKeyboardHook, "SetKeyboardHook", kKeyboard};
const Operation kCbtHook = {"EnableCBTHook", &CMessagePipe::EnableCBTHook, "CbtProc", kCbt};
const Operation kShellHook = {"EnableShellHook", &CMessagePipe::EnableShellHook, "SetShellHook", kShell};

enum State { kFresh, kLibraryHeld, kAlreadyOn, kNoLibrary, kNoExport, kNoWindow };
const char* const kStateNames[] = {"fresh", "library held", "already on", "library missing", "export missing",
                                   "before Initialize"};

} // namespace

TEST_F(HookTest, EveryAnswerInEveryState)
{
    const struct {
        const Operation& op;
        State state;
        int enable, result;
        bool libraryHeld, reports;
    } cases[] = {
        {kLoad, kFresh, 1, 1, true, false},           {kLoad, kFresh, 0, 1, false, false},
        {kLoad, kLibraryHeld, 1, 1, true, false},     {kLoad, kLibraryHeld, 0, 1, false, false},
        {kLoad, kNoLibrary, 1, 0, false, false},      {kLoad, kNoLibrary, 0, 1, false, false},

        {kKeyboardHook, kFresh, 1, 1, true, true},    {kKeyboardHook, kFresh, 0, 0, false, false},
        {kKeyboardHook, kAlreadyOn, 1, 1, true, true}, {kKeyboardHook, kAlreadyOn, 0, 1, true, false},
        {kKeyboardHook, kNoLibrary, 1, 1, false, false}, {kKeyboardHook, kNoLibrary, 0, 0, false, false},
        {kKeyboardHook, kNoExport, 1, 0, true, false}, {kKeyboardHook, kNoWindow, 1, 0, true, false},

        {kCbtHook, kFresh, 1, 1, true, true},         {kCbtHook, kFresh, 0, 1, false, false},
        {kCbtHook, kAlreadyOn, 1, 1, true, true},     {kCbtHook, kAlreadyOn, 0, 1, true, false},
        {kCbtHook, kNoLibrary, 1, 1, false, false},   {kCbtHook, kNoLibrary, 0, 1, false, false},
        {kCbtHook, kNoExport, 1, 1, true, false},     {kCbtHook, kNoWindow, 1, 1, true, false},

        {kShellHook, kFresh, 1, 1, true, true},       {kShellHook, kFresh, 0, 1, false, false},
        {kShellHook, kAlreadyOn, 1, 1, true, true},   {kShellHook, kAlreadyOn, 0, 1, true, false},
        {kShellHook, kNoLibrary, 1, 1, false, false}, {kShellHook, kNoLibrary, 0, 1, false, false},
        {kShellHook, kNoExport, 1, 0, true, false},   {kShellHook, kNoWindow, 1, 0, true, false},
    };
    for (const auto& row : cases) {
        const std::string context = std::string(row.op.name) + "(" + std::to_string(row.enable) + "), " +
                                    kStateNames[row.state];
        CMessagePipe bare;
        CMessagePipe& subject = row.state == kNoWindow ? bare : *pipe;
        std::optional<DllSearch> search;
        if (row.state == kNoLibrary)
            search.emplace(nullptr);
        if (row.state == kNoExport)
            search.emplace(("hook-without-" + std::string(row.op.exportName)).c_str());
        if (row.state == kLibraryHeld || row.state == kAlreadyOn) {
            const Switch prepare = row.state == kLibraryHeld ? &CMessagePipe::LoadHookLibrary : row.op.call;
            ASSERT_EQ(1, (subject.*prepare)(1)) << context;
        }

        EXPECT_EQ(row.result, (subject.*row.op.call)(row.enable)) << context;
        EXPECT_EQ(row.libraryHeld, GetModuleHandleA(router::kHookLibrary) != NULL) << context;
        EXPECT_EQ(row.reports ? row.op.hook : 0, Probe()) << context;
        TurnAllOff(subject, context);
    }
}

// Makes a hidden top-level window, tells the collector which, and destroys it.
CFU_CHILD_ROLE(window_maker)
{
    HWND collector = Collector::FromArgs(argc, argv);
    HWND hWnd = MakeHiddenWindow("CFUtilsTest Hooked", &DefWindowProcA, 0);
    SendMessageA(collector, kReportRegistered, 0, LPARAM(hWnd));
    return DestroyWindow(hWnd) ? 0 : 2;
}

TEST_F(HookTest, AWindowOfAnotherProcessReachesTheTargetThroughTheHooks)
{
    ASSERT_EQ(1, pipe->EnableCBTHook(1));
    ASSERT_EQ(1, pipe->EnableShellHook(1));
    RecordingTarget target(log, 1);
    const unsigned __int64 handle = RegisterTarget(*pipe, &target, {router::kCbtNotification, router::kShellNotification});
    Collector collector;
    ChildProcess child("window_maker", collector.Arg());
    EXPECT_EQ(0, child.PumpUntilExit());
    ASSERT_EQ(1u, collector.log.size());
    const LPARAM childWindow = collector.log[0].lParam;
    // Only that window's notifications, its handle written as 1. Wine's shell
    // hook reports a hidden window too; Windows would not.
    MsgLog about;
    PumpUntil([&] {
        for (const MsgEntry& e : log)
            if (e.lParam == childWindow)
                about.push_back({e.message, e.wParam, 1, e.who});
        log.clear();
        return about.size() >= 4;
    }, 5000);
    static const MsgEntry kLifeOfTheWindow[] = {
        {router::kCbtNotification, HCBT_CREATEWND, 1, 1},
        {router::kShellNotification, HSHELL_WINDOWCREATED, 1, 1},
        {router::kCbtNotification, HCBT_DESTROYWND, 1, 1},
        {router::kShellNotification, HSHELL_WINDOWDESTROYED, 1, 1},
        {0, 0, 0, 0}};
    ExpectSequence(about, kLifeOfTheWindow, "a window of the child process");
    pipe->UnRegisterNotification(handle);
}

namespace {

class HotKeyTest : public RouterTest
{
protected:
    void TearDown() override
    {
        DestroyWindow(other);
        RouterTest::TearDown();
    }

    // Which of the 16 MOD_* combinations of vk the platform refuses to
    // another window as already taken, a bit per combination.
    unsigned Taken(WORD vk)
    {
        unsigned taken = 0;
        for (UINT modifiers = 0; modifiers < 16; ++modifiers) {
            SetLastError(0xdeadbeef);
            if (RegisterHotKey(other, 1, modifiers, vk)) {
                UnregisterHotKey(other, 1);
                continue;
            }
            EXPECT_EQ(DWORD(ERROR_HOTKEY_ALREADY_REGISTERED), GetLastError());
            taken |= 1u << modifiers;
        }
        return taken;
    }

    HWND other = MakeHiddenWindow("CFUtilsTest Other", &DefWindowProcA);
};

} // namespace

TEST_F(HotKeyTest, ModifiersAreConvertedBitByBit)
{
    const struct { WORD hotKeyFlags; UINT modifiers; } cases[] = {
        {HOTKEYF_SHIFT | HOTKEYF_CONTROL, MOD_SHIFT | MOD_CONTROL},
        {HOTKEYF_SHIFT, MOD_SHIFT}, {HOTKEYF_CONTROL, MOD_CONTROL}, {HOTKEYF_ALT, MOD_ALT}, {HOTKEYF_EXT, MOD_WIN},
        {0xFFFF, MOD_SHIFT | MOD_CONTROL | MOD_ALT | MOD_WIN}, {0xFFF0, 0}};
    for (const auto& row : cases) {
        const UINT id = pipe->SetHotKey(1, 'M', row.hotKeyFlags);
        EXPECT_NE(0u, id) << row.hotKeyFlags;
        EXPECT_EQ(GlobalFindAtomA(router::kHotKeyAtom), id);
        EXPECT_EQ(1u << row.modifiers, Taken('M')) << row.hotKeyFlags;
    }
}

TEST_F(HotKeyTest, ASynthesizedKeyReachesTheTargetUntilReplacedRemovedOrDestroyed)
{
    RecordingTarget target(log, 1);
    RegisterTarget(*pipe, &target, {WM_HOTKEY});
    const UINT first = pipe->SetHotKey(1, 'M', HOTKEYF_SHIFT | HOTKEYF_CONTROL);
    PressKeys({VK_SHIFT, VK_CONTROL, 'M'});
    EXPECT_TRUE(PumpUntil([&] { return log.size() == 1; }, 5000));
    const UINT second = pipe->SetHotKey(1, 'K', HOTKEYF_ALT);
    EXPECT_EQ(0u, Taken('M'));
    EXPECT_EQ(1u << MOD_ALT, Taken('K'));
    // The old combination is no key any more: had it reported, it would stand
    // before the new one's report.
    PressKeys({VK_SHIFT, VK_CONTROL, 'M'});
    PressKeys({VK_MENU, 'K'});
    EXPECT_TRUE(PumpUntil([&] { return log.size() >= 2; }, 5000));
    const MsgEntry expected[] = {{WM_HOTKEY, first, MAKELPARAM(MOD_SHIFT | MOD_CONTROL, 'M'), 1},
                                 {WM_HOTKEY, second, MAKELPARAM(MOD_ALT, 'K'), 1},
                                 {0, 0, 0, 0}};
    ExpectSequence(log, expected, "hot keys");

    EXPECT_EQ(0u, pipe->SetHotKey(0, 'K', HOTKEYF_ALT));
    EXPECT_EQ(0u, Taken('K'));
    EXPECT_EQ(0, GlobalFindAtomA(router::kHotKeyAtom));
    EXPECT_NE(0u, pipe->SetHotKey(1, 'K', HOTKEYF_ALT));
    pipe.reset();
    EXPECT_EQ(0u, Taken('K'));
    EXPECT_EQ(0, GlobalFindAtomA(router::kHotKeyAtom));
}

TEST_F(HotKeyTest, RefusedOrWithoutAWindowItIsZeroAndLeavesNothing)
{
    ASSERT_TRUE(RegisterHotKey(other, 1, MOD_ALT, 'K'));
    EXPECT_EQ(0u, pipe->SetHotKey(1, 'K', HOTKEYF_ALT));
    EXPECT_EQ(0, GlobalFindAtomA(router::kHotKeyAtom));
    EXPECT_EQ(0u, pipe->SetHotKey(0, 0, 0));
    UnregisterHotKey(other, 1);
    CMessagePipe bare;
    EXPECT_EQ(0u, bare.SetHotKey(1, 'K', HOTKEYF_ALT));
    EXPECT_EQ(0u, Taken('K'));
    EXPECT_EQ(0, GlobalFindAtomA(router::kHotKeyAtom));
}
