// Names and codes that the router shares with components in other processes.
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

} // namespace cfu::router
