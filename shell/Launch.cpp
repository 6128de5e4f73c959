// Program and browser launchers. Every start is fire-and-forget: the new
// process inherits nothing but the caller's environment, and no handle to it
// outlives the call.
#include "library/CFUtils.h"
#include "library/Handles.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

// CreateProcessA with the launchers' fixed settings; the process handle goes
// to *process when asked for, the thread handle is closed at once.
BOOL CreatePlainProcess(const char* application, const char* commandLine,
                        const char* currentDirectory, cfu::unique_handle* process = nullptr)
{
    // The platform faults, rather than failing, when given neither.
    if (!application && !commandLine) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The platform takes a writable command line; the caller's stays untouched.
    std::vector<char> line;
    if (commandLine)
        line.assign(commandLine, commandLine + strlen(commandLine) + 1);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(application, commandLine ? line.data() : NULL, NULL, NULL, FALSE,
                        NORMAL_PRIORITY_CLASS, NULL, currentDirectory, &startup, &info))
        return FALSE;
    cfu::unique_handle thread(info.hThread);
    cfu::unique_handle owned(info.hProcess);
    if (process)
        *process = std::move(owned);
    return TRUE;
}

// The default value of root\keyName\subkey as RegQueryValueA reads it, sized
// by a first call. An empty text counts as missing: it names no class and no
// command.
bool ReadDefaultText(HKEY root, const char* keyName, const char* subkey, CString& text)
{
    cfu::unique_hkey key;
    if (RegOpenKeyExA(root, keyName, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return false;
    LONG size = 0;
    if (RegQueryValueA(key.get(), subkey, NULL, &size) != ERROR_SUCCESS || size <= 1)
        return false;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[size_t(size)]);
    if (!buffer || RegQueryValueA(key.get(), subkey, buffer.get(), &size) != ERROR_SUCCESS)
        return false;
    text = CString(buffer.get(), int(strnlen(buffer.get(), size_t(size))));
    return !text.IsEmpty();
}

// The open command of the class registered for ".htm" with the URL in place
// of its first "%1", or after a blank at its end when it has none.
bool BrowserCommandLine(const char* url, CString& commandLine)
{
    CString htmlClass;
    CString command;
    if (!ReadDefaultText(HKEY_CLASSES_ROOT, ".htm", NULL, htmlClass) ||
        !ReadDefaultText(HKEY_CLASSES_ROOT, htmlClass, "shell\\open\\command", command))
        return false;
    const int at = command.Find("%1");
    commandLine = at < 0 ? command + " " + url : command.Left(at) + url + command.Mid(at + 2);
    return true;
}

} // namespace

int StartApplication(const char* commandLine, const char* currentDirectory)
{
    return CreatePlainProcess(NULL, commandLine, currentDirectory);
}

DWORD StartApplicationAndWaitForIdle(const char* applicationPath, DWORD timeout)
{
    cfu::unique_handle process;
    if (!CreatePlainProcess(applicationPath, NULL, NULL, &process))
        return WAIT_FAILED;
    return WaitForInputIdle(process.get(), timeout);
}

int StartInternetBrowser(char* url)
{
    CString commandLine;
    if (!url) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!BrowserCommandLine(url, commandLine))
        return 0;
    return CreatePlainProcess(NULL, commandLine, NULL);
}
