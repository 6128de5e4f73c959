// The router's contract with other processes: window class, registered
// message names, request codes and the private messages that hooks, the hot
// key and the driver pipe send to the router window. Plain <windows.h>, so
// that the hook library, driver-side clients and tools can include it
// without the MFC-compatible layer.
#pragma once

#include <windows.h>

namespace cfu::router {

// Window class and title of the router window; components find it by class.
constexpr char kWindowClass[] = "Corvanta Flydeck Internal Message Router";
// Posted to the router window to deliver one pending post (wParam = handle).
constexpr char kInternalMessage[] = "Corvanta Flydeck Internal Message";
// Sent to the router window to drop a registration.
constexpr char kIpcMessage[] = "Corvanta Flydeck Ipc Message";

// dwData of a WM_COPYDATA that carries a packed registration.
constexpr ULONG_PTR kRegisterRequest = 0x44;
// wParam of the IPC message that asks to drop the handle in lParam.
constexpr WPARAM kUnregisterRequest = 0x45;
// wParam of the IPC message that asks how many registrations want the message
// in lParam; the answer is the count.
constexpr WPARAM kCountRequest = 0x46;
// wParam of the IPC message that asks for the first handle after the one in
// lParam whose registration names a window that no longer exists; 0: none.
// Such a registration stays until it is dropped: forwards to it do nothing.
constexpr WPARAM kGoneWindowRequest = 0x47;

// The longest the router waits on a window registered for sent forwards
// (NOTIFY_STYLE_SEND) before it goes on without the answer, which it discards
// anyway. Across processes a healthy window answers in well under a
// millisecond; half a second bounds what one hung component costs the rest.
constexpr UINT kSentForwardTimeoutMs = 500;

// The hook library, loaded by name. Its exports (undecorated):
//   HHOOK SetKeyboardHook(HWND router, UINT message)   WH_KEYBOARD, all threads
//   HHOOK SetShellHook(HWND router, UINT message)      WH_SHELL, all threads
//   void  SetHookWindowHandle(HWND router, UINT message)  where CbtProc reports
//   LRESULT CbtProc(int, WPARAM, LPARAM)               the WH_CBT procedure
//   void  SetHookHandle(HHOOK)                         the CBT hook, for chaining
constexpr char kHookLibrary[] = "CFEHook.dll";

// Hook notifications. The hook library posts them (never sends: a hook runs
// inside another program's call) to the router window from whichever process
// the hook ran in, so they carry values, never pointers.
// wParam: the virtual-key code; lParam: the keystroke flags as WH_KEYBOARD has
// them (repeat count, scan code, extended, previous state, transition). Once
// per keystroke, when it is taken from a thread's queue.
constexpr UINT kKeyboardNotification = WM_USER + 0x9C;   // 0x049C
// wParam: the HSHELL_* code; lParam: the shell hook's wParam (the window, for
// window events). Wine reports hidden top-level windows too.
constexpr UINT kShellNotification = WM_USER + 0x76;      // 0x0476
// wParam: the HCBT_* code; lParam: the CBT hook's wParam (the window for
// HCBT_CREATEWND, HCBT_DESTROYWND, HCBT_ACTIVATE, HCBT_SETFOCUS,
// HCBT_MINMAX, HCBT_MOVESIZE; the command for HCBT_SYSCOMMAND).
constexpr UINT kCbtNotification = WM_USER + 0x65;        // 0x0465

// Global atom whose value identifies the mode hot key (WM_HOTKEY's wParam).
constexpr char kHotKeyAtom[] = "QUIVEX_CHANGE_MODE_HOT_KEY_IDENTIFIER";

// Driver pipe: posted after each record; sent to ask for the pipe's write end.
constexpr UINT kDriverDataReady = WM_USER + 0x7C;         // 0x047C
constexpr UINT kDriverRequestWriteEnd = WM_USER + 0x7D;   // 0x047D
// A record is a 4-byte length, a 4-byte code and length bytes of payload.
// The pipe's buffer bounds a whole record: the writer announces a record only
// once all of it is in the pipe, so a longer one would wait for ever.
constexpr UINT kDriverPipeBuffer = 2048;
constexpr UINT kDriverRecordHeader = 8;
constexpr UINT kDriverPayloadMax = kDriverPipeBuffer - kDriverRecordHeader;

} // namespace cfu::router
