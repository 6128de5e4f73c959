// The messages the suite's example programs exchange through the router.
// Registered window messages have the same number in every process, which is
// what lets a component in another process ask the router for them.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace example {

// Posted on: wParam is the device number, lParam its new state.
inline UINT DeviceChanged() { return RegisterWindowMessageA("FlyDeck Example Device Changed"); }
// Sent on: the remote component answers, but the router does not pass that on.
inline UINT Query() { return RegisterWindowMessageA("FlyDeck Example Query"); }
// Posted on: the remote component unregisters and ends.
inline UINT Shutdown() { return RegisterWindowMessageA("FlyDeck Example Shutdown"); }

// One whole line per write, so that two processes sharing the console do not
// tear each other's lines.
inline void Say(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fflush(stdout);
}

} // namespace example
