// Synthesized key presses, for hot keys and keyboard hooks in the tests and
// the demo.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <iterator>
#include <vector>

namespace cfu::tools {

// Presses the keys in order and lets them go in reverse order, through
// SendInput; the number of events the platform took (twice the keys when all).
inline UINT PressKeys(std::initializer_list<WORD> keys)
{
    std::vector<INPUT> inputs;
    auto add = [&](WORD vk, DWORD flags) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    for (WORD vk : keys)
        add(vk, 0);
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it)
        add(*it, KEYEVENTF_KEYUP);
    return SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
}

} // namespace cfu::tools
