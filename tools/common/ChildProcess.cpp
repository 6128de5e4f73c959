#include "ChildProcess.h"

#include "library/Handles.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

namespace cfu::tools {

namespace {

constexpr char kChildArg[] = "--child=";
constexpr char kReadyArg[] = "ready";

std::map<std::string, ChildMain>& Roles()
{
    static std::map<std::string, ChildMain> roles;
    return roles;
}

struct Launched
{
    unique_handle process;
    DWORD id = 0;
};

// With a write end, the child's standard output and error go there.
Launched Start(std::string commandLine, HANDLE output = NULL)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    if (output) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = si.hStdError = output;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, output != NULL, 0, NULL, NULL, &si, &pi))
        return {};
    CloseHandle(pi.hThread);
    return {unique_handle(pi.hProcess), pi.dwProcessId};
}

long WaitAndEnd(HANDLE process, DWORD timeoutMs)
{
    if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(process, &code);
        return long(code);
    }
    TerminateProcess(process, 99);
    WaitForSingleObject(process, 5000);
    return -1;
}

// Each child of this process gets an event of its own to say it started.
std::string NewReadyEventName()
{
    static LONG counter;
    return "CFUtilsKit.Ready." + std::to_string(GetCurrentProcessId()) + "." +
           std::to_string(InterlockedIncrement(&counter));
}

} // namespace

ChildRole::ChildRole(const char* name, ChildMain main)
{
    Roles()[name] = main;
}

int RunChildRole(int argc, char** argv)
{
    if (argc < 2 || strncmp(argv[1], kChildArg, sizeof kChildArg - 1) != 0)
        return -1;
    auto it = Roles().find(argv[1] + sizeof kChildArg - 1);
    if (it == Roles().end()) {
        std::fprintf(stderr, "unknown child role %s\n", argv[1]);
        return 97;
    }
    const std::string ready = ChildArg(argc, argv, kReadyArg);
    if (unique_handle event{OpenEventA(EVENT_MODIFY_STATE, FALSE, ready.c_str())})
        SetEvent(event.get());
    return it->second(argc, argv);
}

std::string ChildArg(int argc, char** argv, const char* name)
{
    const std::string prefix = std::string("--") + name + "=";
    for (int i = 1; i < argc; ++i)
        if (strncmp(argv[i], prefix.c_str(), prefix.size()) == 0)
            return argv[i] + prefix.size();
    return "";
}

ChildProcess::ChildProcess(const char* role, const std::string& args)
{
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    const std::string readyName = NewReadyEventName();
    unique_handle ready(CreateEventA(NULL, TRUE, FALSE, readyName.c_str()));
    Launched child = Start(std::string("\"") + self + "\" " + kChildArg + role + " --" + kReadyArg + "=" +
                          readyName + " " + args);
    m_process = child.process.release();
    m_id = child.id;
    if (!m_process || !ready)
        return;
    const HANDLE either[2] = {ready.get(), m_process};
    PumpUntil([&] { return WaitForMultipleObjects(2, either, FALSE, 0) != WAIT_TIMEOUT; }, kStartTimeoutMs);
    m_started = WaitForSingleObject(ready.get(), 0) == WAIT_OBJECT_0;
}

ChildProcess::~ChildProcess()
{
    if (m_process)
        Wait(0);
}

long ChildProcess::Wait(DWORD timeoutMs)
{
    if (!m_process)
        return -1;
    unique_handle process(std::exchange(m_process, HANDLE(NULL)));
    return WaitAndEnd(process.get(), timeoutMs);
}

long ChildProcess::PumpUntilExit(DWORD timeoutMs)
{
    if (m_process)
        PumpUntil([&] { return WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0; }, timeoutMs);
    return Wait(0);
}

long RunProcess(const std::string& commandLine, DWORD timeoutMs, std::string* output)
{
    if (!output) {
        Launched child = Start(commandLine);
        return child.process ? WaitAndEnd(child.process.get(), timeoutMs) : -1;
    }
    unique_handle readEnd;
    Launched child;
    {
        // A child inherits every inheritable handle: one started on another
        // thread meanwhile must not take this pipe's write end, or the pipe
        // would not end when this child does.
        static std::mutex inheriting;
        std::lock_guard<std::mutex> lock(inheriting);
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
        unique_handle writeEnd;
        if (!CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 0))
            return -1;
        SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
        child = Start(commandLine, writeEnd.get());
    }
    if (!child.process)
        return -1;
    // Read on another thread: a child that fills the pipe would otherwise
    // never end.
    std::thread reader([&] {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(readEnd.get(), buffer, sizeof buffer, &got, NULL) && got)
            output->append(buffer, got);
    });
    const long code = WaitAndEnd(child.process.get(), timeoutMs);
    reader.join();
    return code;
}

} // namespace cfu::tools
