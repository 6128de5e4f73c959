#include "TestSupport.h"

#include <sstream>

namespace cfu::test {

std::string ChildArg(int argc, char** argv, const char* name)
{
    std::string prefix = std::string("--") + name + "=";
    for (int i = 1; i < argc; ++i)
        if (strncmp(argv[i], prefix.c_str(), prefix.size()) == 0)
            return argv[i] + prefix.size();
    return "";
}

namespace {

PROCESS_INFORMATION Start(std::string commandLine)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return PROCESS_INFORMATION{};
    return pi;
}

long WaitAndClose(PROCESS_INFORMATION& pi, DWORD timeoutMs)
{
    if (!pi.hProcess)
        return -1;
    long result = -1;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        result = long(code);
    } else {
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    pi = PROCESS_INFORMATION{};
    return result;
}

} // namespace

ChildProcess::ChildProcess(const char* role, const std::string& args)
{
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    m_pi = Start(std::string("\"") + self + "\" --child=" + role + " " + args);
}

ChildProcess::~ChildProcess()
{
    if (m_pi.hProcess)
        WaitAndClose(m_pi, 0);
}

long ChildProcess::Wait(DWORD timeoutMs)
{
    return WaitAndClose(m_pi, timeoutMs);
}

long RunProcess(const std::string& commandLine, DWORD timeoutMs)
{
    PROCESS_INFORMATION pi = Start(commandLine);
    return WaitAndClose(pi, timeoutMs);
}

RegSandbox::RegSandbox(const std::string& name) : m_path("Software\\CFUtilsTest\\" + name)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
    RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &m_key, NULL);
}

RegSandbox::~RegSandbox()
{
    if (m_key)
        RegCloseKey(m_key);
    RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
}

void ExpectSequence(const MsgLog& actual, const MsgEntry* expected, const char* context)
{
    size_t count = 0;
    while (expected[count].message || expected[count].wParam || expected[count].lParam || expected[count].who)
        ++count;
    bool same = count == actual.size();
    for (size_t i = 0; same && i < count; ++i)
        same = actual[i] == expected[i];
    if (same)
        return;
    std::ostringstream diff;
    diff << context << ": sequence differs\n";
    for (size_t i = 0; i < std::max(count, actual.size()); ++i) {
        auto line = [](const MsgEntry* e) {
            std::ostringstream s;
            if (!e)
                return std::string("(none)");
            s << "msg 0x" << std::hex << e->message << " w 0x" << e->wParam << " l 0x" << e->lParam
              << std::dec << " who " << e->who;
            return s.str();
        };
        diff << "  " << i << ": expected " << line(i < count ? &expected[i] : nullptr) << ", got "
             << line(i < actual.size() ? &actual[i] : nullptr)
             << ((i < count && i < actual.size() && actual[i] == expected[i]) ? "" : "   <--") << "\n";
    }
    ADD_FAILURE() << diff.str();
}

} // namespace cfu::test
