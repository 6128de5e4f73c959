// Shared helpers of the test programs: child processes made by re-launching
// the test binary with a role, bounded waits, registry sandboxes and
// message-sequence logs.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include "MessageLoop.h"
#include <string>
#include <vector>

namespace cfu::test {

// A role that the test binary plays when started with --child=<name>.
// The function's result is the child's exit code.
using ChildMain = int (*)(int argc, char** argv);
struct ChildRole
{
    ChildRole(const char* name, ChildMain main);
};

#define CFU_CHILD_ROLE(name)                                                  \
    static int name##_child_main(int argc, char** argv);                       \
    static ::cfu::test::ChildRole name##_child_role(#name, &name##_child_main); \
    static int name##_child_main([[maybe_unused]] int argc, [[maybe_unused]] char** argv)

// The value of --name=value among a child's arguments, or "" when absent.
std::string ChildArg(int argc, char** argv, const char* name);

// A second process running this test binary in a role. Its destructor
// terminates a child still running, so no test leaves one behind.
class ChildProcess
{
public:
    ChildProcess(const char* role, const std::string& args = "");
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_pi.hProcess != NULL; }
    HANDLE Process() const { return m_pi.hProcess; }
    DWORD Id() const { return m_pi.dwProcessId; }
    // The exit code, or -1 if the child has not ended within timeoutMs.
    long Wait(DWORD timeoutMs = 10000);

private:
    PROCESS_INFORMATION m_pi{};
};

// Runs a command line (any program) and returns its exit code, or -1 when it
// could not start or did not end within timeoutMs (it is then terminated).
long RunProcess(const std::string& commandLine, DWORD timeoutMs = 10000);

using cfu::tools::PumpPending;
using cfu::tools::PumpUntil;

// A registry key of the test's own under HKCU\Software\CFUtilsTest, deleted
// and created afresh on construction and deleted on destruction.
class RegSandbox
{
public:
    explicit RegSandbox(const std::string& name);
    ~RegSandbox();
    HKEY Key() const { return m_key; }
    // "Software\CFUtilsTest\<name>", relative to HKCU.
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    HKEY m_key = NULL;
};

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

// Compares a recorded sequence with an expected one (a table ending in a
// zero entry); on mismatch, fails with a numbered expected-versus-actual list.
void ExpectSequence(const MsgLog& actual, const MsgEntry* expected, const char* context);

} // namespace cfu::test
