#include "ShellTestSupport.h"

#include "library/Handles.h"

#include <filesystem>
#include <fstream>

namespace cfu::test {

namespace {

const char kRecordVariable[] = "CFU_SHELL_RECORD";

std::string UniqueTempName(const char* stem)
{
    static LONG counter;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + stem + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(InterlockedIncrement(&counter));
}

template <class Pred>
bool PollUntil(Pred pred, DWORD timeoutMs)
{
    for (const DWORD start = GetTickCount(); !pred(); Sleep(20))
        if (GetTickCount() - start > timeoutMs)
            return false;
    return true;
}

DWORD Attributes(const std::string& path)
{
    WIN32_FIND_DATAA entry;
    unique_hfind find(FindFirstFileA(path.c_str(), &entry));
    return find ? entry.dwFileAttributes : INVALID_FILE_ATTRIBUTES;
}

} // namespace

std::string ProgramFile()
{
    char name[MAX_PATH];
    return std::string(name, GetModuleFileNameA(NULL, name, MAX_PATH));
}

std::string ProgramDirectory()
{
    const std::string file = ProgramFile();
    return file.substr(0, file.rfind('\\'));
}

std::string Expand(const char* text, const std::string& folder)
{
    std::string out;
    for (const char* p = text; *p; ++p)
        out += *p == '@' ? folder : *p == '$' ? ProgramFile() : std::string(1, *p);
    return out;
}

ScratchDir::ScratchDir() : m_path(UniqueTempName("cfu-shell-"))
{
    CreateDirectoryA(m_path.c_str(), NULL);
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

void ScratchDir::Make(std::initializer_list<const char*> entries) const
{
    for (const char* entry : entries) {
        const std::string path = m_path + "\\" + entry;
        if (path.back() == '\\')
            CreateDirectoryA(path.c_str(), NULL);
        else
            std::ofstream(path).flush();
    }
}

bool SetUnixMode(const std::string& directory, const char* mode, DWORD expectedAttributes)
{
    using UnixName = char*(CDECL*)(LPCWSTR);
    auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName)
        return false;
    const std::wstring wide(directory.begin(), directory.end());
    char* name = unixName(wide.c_str());
    if (!name)
        return false;
    std::string commandLine = std::string("/bin/chmod ") + mode + " \"" + name + "\"";
    HeapFree(GetProcessHeap(), 0, name);
    // Wine starts a Unix program (its arguments split by the platform's
    // rules) but cannot wait on it: the attributes tell when it is done.
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA("Z:\\bin\\chmod", &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &info))
        return false;
    unique_handle process(info.hProcess), thread(info.hThread);
    return PollUntil([&] { return Attributes(directory) == expectedAttributes; }, kStartTimeoutMs);
}

Recording::Recording() : m_file(UniqueTempName("cfu-record-") + ".txt")
{
    SetEnvironmentVariableA(kRecordVariable, m_file.c_str());
}

Recording::~Recording()
{
    SetEnvironmentVariableA(kRecordVariable, NULL);
    DeleteFileA(m_file.c_str());
}

bool Recording::Wait(std::string& commandLine, std::string& directory) const
{
    return PollUntil(
        [&] {
            std::ifstream in(m_file);
            return std::getline(in, commandLine) && std::getline(in, directory);
        },
        kStartTimeoutMs);
}

bool RecordIfAsked()
{
    char file[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA(kRecordVariable, file, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    char directory[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, directory);
    // Written aside and moved in, so the test never reads half a record.
    const std::string part = std::string(file) + ".part";
    std::ofstream(part) << GetCommandLineA() << '\n' << directory << '\n';
    MoveFileA(part.c_str(), file);
    ExitProcess(0);
}

int OpenProcessAndThreadHandles()
{
    // The platform gives the lowest free value, and this process holds a few
    // dozen handles: the first two thousand values cover them all.
    int count = 0;
    for (ULONG_PTR value = 4; value < 0x2000; value += 4) {
        const HANDLE handle = reinterpret_cast<HANDLE>(value);
        DWORD flags;
        if (GetHandleInformation(handle, &flags) && (GetProcessId(handle) || GetThreadId(handle)))
            ++count;
    }
    return count;
}

std::string IdleHelper(const char* mode)
{
    return ProgramDirectory() + "\\shell_idle_" + mode + ".exe";
}

bool EndIdleHelper(const char* mode)
{
    const std::string windowClass = std::string("CFUtilsTestIdle_") + mode;
    HWND window = NULL;
    if (!PollUntil([&] { return (window = FindWindowA(windowClass.c_str(), NULL)) != NULL; }, kStartTimeoutMs))
        return false;
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    unique_handle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    return process && TerminateProcess(process.get(), 0) &&
           WaitForSingleObject(process.get(), kReplyTimeoutMs) == WAIT_OBJECT_0;
}

} // namespace cfu::test
