// What the test programs add to the shared kit: message-sequence logs
// compared with expected tables, and the names of the kit in the tests'
// namespace.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "HiddenWindow.h"
#include "RegTree.h"

#include <filesystem>
#include <string>
#include <vector>

namespace cfu::test {

// The kit, under the tests' own namespace.
using namespace cfu::tools;

// A sandbox named after the running test, under HKCU\Software\CFUtilsTest.
inline std::string TestKeyPath()
{
    return std::string("Software\\CFUtilsTest\\") + testing::UnitTest::GetInstance()->current_test_info()->name();
}

// One message as a target or window saw it.
struct MsgEntry
{
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    int who;      // which target or window; 0 when only one records
    bool operator==(const MsgEntry& o) const
    {
        return message == o.message && wParam == o.wParam && lParam == o.lParam && who == o.who;
    }
};
using MsgLog = std::vector<MsgEntry>;

// How a mismatching sequence shows both sides, entry by entry.
void PrintTo(const MsgEntry& entry, std::ostream* out);

// Compares a recorded sequence with an expected one (a table ending in a
// zero entry).
void ExpectSequence(const MsgLog& actual, const MsgEntry* expected, const char* context);

// The platform's name of a loaded module; by default this program.
inline std::string ModulePath(HMODULE module = NULL)
{
    char path[MAX_PATH];
    return std::string(path, ::GetModuleFileNameA(module, path, MAX_PATH));
}

// The folder a loaded module came from; by default this program's, where the
// build puts the other test programs, helpers and libraries too.
inline std::filesystem::path ModuleDirectory(HMODULE module = NULL)
{
    return std::filesystem::path(ModulePath(module)).parent_path();
}

} // namespace cfu::test
