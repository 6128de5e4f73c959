// System hooks and the hot key: every on/off answer in every state of the hook library, proven by
// what the hooks then report; a window of another process reported by the hooks; the hot key
// against the platform's own table of hot keys and a synthesized key press.
#include "RouterTestSupport.h"
#include "KeyPress.h"

#include <commctrl.h>

#include <filesystem>
#include <iterator>
#include <utility>

using namespace cfu::test;
namespace router = cfu::router;

namespace {

enum { kKeyboard = 1, kShell = 2, kCbt = 4 };    // what a probe found
int g_keyUps;

LRESULT CALLBACK FocusWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_keyUps += message == WM_KEYUP;
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

class HookTest : public RouterTest
{
protected:
    void TearDown() override
    {
        if (pipe)
            TurnAllOff(*pipe);
        RouterTest::TearDown();
    }

    // The owner's duty before the pipe goes; then the library must have left
    // the process, and nothing may report.
    void TurnAllOff(CMessagePipe& subject)
    {
        subject.EnableKeyboardHook(0);
        subject.EnableCBTHook(0);
        subject.EnableShellHook(0);
        EXPECT_EQ(1, subject.LoadHookLibrary(0));
        EXPECT_EQ(nullptr, GetModuleHandleA(router::kHookLibrary));
        EXPECT_EQ(0, Probe()) << "a hook left behind";
    }

    // Which hooks report about a visible window that is made, focused, typed
    // into and destroyed. Hooks in other processes (Wine's explorer.exe) report
    // their own windows: only this one counts.
    int Probe()
    {
        MsgLog seen;
        RecordingTarget target(seen, 0);
        const unsigned __int64 handle = RegisterTarget(
            *pipe, &target, {router::kKeyboardNotification, router::kShellNotification, router::kCbtNotification});
        HWND hWnd = MakeHiddenWindow("CFUtilsTest Focus", &FocusWndProc);
        ShowWindow(hWnd, SW_SHOW);
        SetFocus(hWnd);
        g_keyUps = 0;
        EXPECT_EQ(2u, PressKeys({VK_F9}));
        // The keyboard hook runs, and posts, as the key leaves the queue.
        EXPECT_TRUE(PumpUntil([] { return g_keyUps > 0; }));
        DestroyWindow(hWnd);
        PumpPending();
        pipe->UnRegisterNotification(handle);
        int found = 0;
        for (const MsgEntry& e : seen)
            if (e.message == router::kKeyboardNotification)
                found |= e.wParam == VK_F9 ? kKeyboard : 0;
            else if (e.lParam == LPARAM(hWnd))
                found |= e.message == router::kShellNotification ? kShell : kCbt;
        return found;
    }
};

// Which of the 16 MOD_* combinations of vk the platform refuses to another
// window as taken (ERROR_HOTKEY_ALREADY_REGISTERED), a bit per combination.
unsigned Taken(WORD vk)
{
    HWND other = MakeHiddenWindow("CFUtilsTest Other", &DefWindowProcA);
    unsigned taken = 0;
    for (UINT modifiers = 0; modifiers < 16; ++modifiers) {
        SetLastError(0xdeadbeef);
        if (RegisterHotKey(other, 1, modifiers, vk))
            UnregisterHotKey(other, 1);
        else
            taken |= unsigned(GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED) << modifiers;
    }
    DestroyWindow(other);
    return taken;
}

using HotKeyTest = RouterTest;
using Switch = int (CMessagePipe::*)(int);
enum State { kFresh, kLibraryHeld, kAlreadyOn, kNoLibrary, kNoExport, kNoWindow };

} // namespace

TEST_F(HookTest, EveryAnswerInEveryState)
{
    // Switches go by position: in a constant table mingw-w64 stores a DLL
    // function's import stub, elsewhere the function's own address, and the
    // two compare unequal. lacking: the export a test library leaves out.
    const Switch switches[] = {&CMessagePipe::LoadHookLibrary, &CMessagePipe::EnableKeyboardHook,
                               &CMessagePipe::EnableCBTHook, &CMessagePipe::EnableShellHook};
    const std::string lacking[] = {"", "SetKeyboardHook", "CbtProc", "SetShellHook"};
    enum { load, keyboard, cbt, shell };
    // held: the library is loaded afterwards; reports: what a probe then finds.
    const struct { int op; State state; int enable, result; bool held; int reports; } cases[] = {
        {load, kFresh, 1, 1, true, 0},                  {load, kFresh, 0, 1, false, 0},
        {load, kLibraryHeld, 1, 1, true, 0},            {load, kLibraryHeld, 0, 1, false, 0},
        {load, kNoLibrary, 1, 0, false, 0},             {load, kNoLibrary, 0, 1, false, 0},
        {keyboard, kFresh, 1, 1, true, kKeyboard},      {keyboard, kFresh, 0, 0, false, 0},
        {keyboard, kAlreadyOn, 1, 1, true, kKeyboard},  {keyboard, kAlreadyOn, 0, 1, true, 0},
        {keyboard, kNoLibrary, 1, 1, false, 0},         {keyboard, kNoLibrary, 0, 0, false, 0},
        {keyboard, kNoExport, 1, 0, true, 0},           {keyboard, kNoWindow, 1, 0, true, 0},
        {cbt, kFresh, 1, 1, true, kCbt},                {cbt, kFresh, 0, 1, false, 0},
        {cbt, kAlreadyOn, 1, 1, true, kCbt},            {cbt, kAlreadyOn, 0, 1, true, 0},
        {cbt, kNoLibrary, 1, 1, false, 0},              {cbt, kNoLibrary, 0, 1, false, 0},
        {cbt, kNoExport, 1, 1, true, 0},                {cbt, kNoWindow, 1, 1, true, 0},
        {shell, kFresh, 1, 1, true, kShell},            {shell, kFresh, 0, 1, false, 0},
        {shell, kAlreadyOn, 1, 1, true, kShell},        {shell, kAlreadyOn, 0, 1, true, 0},
        {shell, kNoLibrary, 1, 1, false, 0},            {shell, kNoLibrary, 0, 1, false, 0},
        {shell, kNoExport, 1, 0, true, 0},              {shell, kNoWindow, 1, 0, true, 0},
    };
    const std::filesystem::path folder = ModuleDirectory();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& row = cases[i];
        SCOPED_TRACE("row " + std::to_string(i));
        CMessagePipe bare;
        CMessagePipe& subject = row.state == kNoWindow ? bare : *pipe;
        // The program's own folder, where the real library sits, is left out
        // of the search: system32 alone, or a library that lacks one export.
        DLL_DIRECTORY_COOKIE variant = NULL;
        if (row.state == kNoLibrary)
            SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (row.state == kNoExport && SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_USER_DIRS))
            variant = AddDllDirectory((folder / ("hook-without-" + lacking[row.op])).c_str());
        if (row.state == kLibraryHeld || row.state == kAlreadyOn) {
            EXPECT_EQ(1, (subject.*switches[row.state == kLibraryHeld ? load : row.op])(1));
        }

        EXPECT_EQ(row.result, (subject.*switches[row.op])(row.enable));
        EXPECT_EQ(row.held, GetModuleHandleA(router::kHookLibrary) != NULL);
        EXPECT_EQ(row.reports, Probe());
        TurnAllOff(subject);
        if (variant)
            RemoveDllDirectory(variant);
        SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    }
}

// Makes a hidden top-level window, tells the collector which, and destroys it.
CFU_CHILD_ROLE(window_maker)
{
    HWND hWnd = MakeHiddenWindow("CFUtilsTest Hooked", &DefWindowProcA);
    SendMessageA(Collector::FromArgs(argc, argv), kReportRegistered, 0, LPARAM(hWnd));
    return DestroyWindow(hWnd) ? 0 : 2;
}

TEST_F(HookTest, AWindowOfAnotherProcessIsReportedThroughTheRouter)
{
    ASSERT_EQ(1, pipe->EnableCBTHook(1));
    ASSERT_EQ(1, pipe->EnableShellHook(1));
    RecordingTarget target(log, 1);
    const unsigned __int64 handle =
        RegisterTarget(*pipe, &target, {router::kCbtNotification, router::kShellNotification});
    Collector collector;
    EXPECT_EQ(0, ChildProcess("window_maker", collector.Arg()).PumpUntilExit());
    ASSERT_EQ(1u, collector.log.size());
    // That window's notifications only, its handle written as 1. Wine's shell
    // hook reports a hidden window too; Windows would not.
    MsgLog about;
    PumpUntil([&] {
        for (const MsgEntry& e : std::exchange(log, {}))
            if (e.lParam == collector.log[0].lParam)
                about.push_back({e.message, e.wParam, 1, 1});
        return about.size() >= 4;
    });
    static const MsgEntry kLifeOfTheWindow[] = {
        {router::kCbtNotification, HCBT_CREATEWND, 1, 1}, {router::kShellNotification, HSHELL_WINDOWCREATED, 1, 1},
        {router::kCbtNotification, HCBT_DESTROYWND, 1, 1}, {router::kShellNotification, HSHELL_WINDOWDESTROYED, 1, 1},
        {0, 0, 0, 0}};
    ExpectSequence(about, kLifeOfTheWindow, "a window of the child process");
    pipe->UnRegisterNotification(handle);
}

TEST_F(HotKeyTest, ConvertedReportedReplacedRefusedRemovedAndDestroyed)
{
    const struct { WORD hotKeyFlags; UINT modifiers; } cases[] = {
        {HOTKEYF_SHIFT | HOTKEYF_CONTROL, MOD_SHIFT | MOD_CONTROL}, {HOTKEYF_SHIFT, MOD_SHIFT},
        {HOTKEYF_CONTROL, MOD_CONTROL}, {HOTKEYF_ALT, MOD_ALT}, {HOTKEYF_EXT, MOD_WIN},
        {0xFFFF, MOD_SHIFT | MOD_CONTROL | MOD_ALT | MOD_WIN}, {0xFFF0, 0}};
    for (const auto& row : cases) {
        const UINT id = pipe->SetHotKey(1, 'M', row.hotKeyFlags);
        EXPECT_EQ(GlobalFindAtomA(router::kHotKeyAtom), id);
        EXPECT_EQ(1u << row.modifiers, Taken('M')) << row.hotKeyFlags;
    }
    RecordingTarget target(log, 1);
    RegisterTarget(*pipe, &target, {WM_HOTKEY});
    const UINT id = pipe->SetHotKey(1, 'K', HOTKEYF_ALT);
    EXPECT_EQ(0u, Taken('M'));
    PressKeys({VK_MENU, 'K'});
    EXPECT_TRUE(PumpUntil([&] { return !log.empty(); }));
    EXPECT_EQ(MsgLog({{WM_HOTKEY, id, MAKELPARAM(MOD_ALT, 'K'), 1}}), log);

    EXPECT_EQ(0u, pipe->SetHotKey(0, 'K', HOTKEYF_ALT));
    {
        CMessagePipe holder;
        ASSERT_EQ(1, holder.Initialize());
        EXPECT_NE(0u, holder.SetHotKey(1, 'K', HOTKEYF_ALT));
        EXPECT_EQ(0u, pipe->SetHotKey(1, 'K', HOTKEYF_ALT));
    }
    EXPECT_EQ(0u, CMessagePipe().SetHotKey(1, 'K', HOTKEYF_ALT));
    EXPECT_NE(0u, pipe->SetHotKey(1, 'K', HOTKEYF_ALT));
    pipe.reset();
    // Removed, refused, never set, then destroyed: a reference or a key kept by any step would still be held.
    EXPECT_EQ(0u, Taken('K'));
    EXPECT_EQ(0, GlobalFindAtomA(router::kHotKeyAtom));
}
