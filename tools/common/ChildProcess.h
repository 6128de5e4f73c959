// A second process for tests, the demo and the benchmarks: the running
// program re-launched in a role (--child=<role>), so there is one binary to
// build and no path to find.
//
// Two kinds of wait, kept apart on purpose: a process start-up, which a cold
// Wine can stretch to tens of seconds, is waited for once by the constructor;
// everything after that (a message, a reply, the child's exit once told to
// end) gets a short deadline of its own.
#pragma once

#include "MessageLoop.h"

#include <string>

namespace cfu::tools {

// How long a child may take to reach its role.
constexpr DWORD kStartTimeoutMs = 60000;

// A role that the program plays when started with --child=<name>. The
// function's result is the child's exit code.
using ChildMain = int (*)(int argc, char** argv);
struct ChildRole
{
    ChildRole(const char* name, ChildMain main);
};

#define CFU_CHILD_ROLE(name)                                                   \
    static int name##_child_main(int argc, char** argv);                        \
    static ::cfu::tools::ChildRole name##_child_role(#name, &name##_child_main); \
    static int name##_child_main([[maybe_unused]] int argc, [[maybe_unused]] char** argv)

// Runs the role named by --child=<role> and returns its exit code (97 for an
// unknown role); -1 when the program was not started as a child.
int RunChildRole(int argc, char** argv);

// The value of --name=value among a child's arguments, or "" when absent.
std::string ChildArg(int argc, char** argv, const char* name);

// The running program in a role. The constructor returns once the child has
// reached its role (pumping this thread's messages meanwhile), or has died,
// or kStartTimeoutMs passed. The destructor terminates a child still running,
// so nothing is left behind.
class ChildProcess
{
public:
    ChildProcess(const char* role, const std::string& args = "");
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The child reached its role.
    bool Started() const { return m_started; }
    HANDLE Process() const { return m_process; }
    DWORD Id() const { return m_id; }
    // The exit code, or -1 if the child has not ended within timeoutMs (it is
    // then terminated).
    long Wait(DWORD timeoutMs = kReplyTimeoutMs);
    // As Wait, pumping this thread's messages while waiting.
    long PumpUntilExit(DWORD timeoutMs = kReplyTimeoutMs);

private:
    HANDLE m_process = NULL;
    DWORD m_id = 0;
    bool m_started = false;
};

// Runs a command line (any program) and returns its exit code, or -1 when it
// could not start or did not end within timeoutMs (it is then terminated).
// With output, what the program wrote to its standard output and error.
long RunProcess(const std::string& commandLine, DWORD timeoutMs = kStartTimeoutMs, std::string* output = nullptr);

} // namespace cfu::tools
