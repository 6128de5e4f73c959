// Shell shortcuts: reading one through the shell's link object, and starting
// the program behind one found in the user's Start Menu.
#include "library/CFUtils.h"
#include "library/Handles.h"

#include <shlobj.h>

namespace {

using unique_pidl = cfu::unique_any<cfu::null_handle_traits<LPITEMIDLIST, &::CoTaskMemFree>>;

// What a shortcut stores; its text fields are MAX_PATH buffers as the link
// object fills them.
struct LinkFields
{
    char target[MAX_PATH] = "";
    char arguments[MAX_PATH] = "";
    char workingDirectory[MAX_PATH] = "";
    int showCommand = 0;
};

bool ReadLink(IShellLinkA* link, LinkFields& fields)
{
    WIN32_FIND_DATAA findData;
    return SUCCEEDED(link->GetPath(fields.target, MAX_PATH, &findData, SLGP_UNCPRIORITY)) &&
           SUCCEEDED(link->GetArguments(fields.arguments, MAX_PATH)) &&
           SUCCEEDED(link->GetShowCmd(&fields.showCommand)) &&
           SUCCEEDED(link->GetWorkingDirectory(fields.workingDirectory, MAX_PATH));
}

// Loads linkPath into a new link object and reads it.
bool LoadLink(const char* linkPath, LinkFields& fields)
{
    cfu::unique_com<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(link.put()))))
        return false;
    // Declared after the link object, so released before it.
    cfu::unique_com<IPersistFile> file;
    if (FAILED(link.get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()))))
        return false;
    WCHAR widePath[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH))
        return false;
    return SUCCEEDED(file.get()->Load(widePath, STGM_READ)) && ReadLink(link.get(), fields);
}

// The current user's Start Menu folder; false when the shell cannot name it.
bool StartMenuFolder(CString& folder)
{
    unique_pidl list;
    char path[MAX_PATH];
    if (FAILED(SHGetSpecialFolderLocation(GetDesktopWindow(), CSIDL_STARTMENU, list.put())) ||
        !SHGetPathFromIDListA(list.get(), path))
        return false;
    folder = path;
    return true;
}

// The program part's directory, without its last backslash; "" when the
// program part has none.
CString ProgramDirectory(const CString& commandLine)
{
    CString exePath;
    CString params;
    GetExeAndParams(commandLine, exePath, params);
    return commandLine.Left(exePath.ReverseFind('\\'));
}

} // namespace

int ResolveShortcut(CString& linkPath, CString& targetPath, CString& arguments,
                    CString& workingDirectory, int* showCommand)
{
    LinkFields fields;
    if (!LoadLink(linkPath, fields))
        return 0;
    targetPath = fields.target;
    arguments = fields.arguments;
    workingDirectory = fields.workingDirectory;
    if (showCommand)
        *showCommand = fields.showCommand;
    return 1;
}

int FindAndExecuteShortCut(CString& shortcutName)
{
    CString startMenu;
    CString linkPath;
    CString target;
    CString arguments;
    CString workingDirectory;
    int showCommand = 0;
    if (!StartMenuFolder(startMenu) || !SearchDirectory(shortcutName, startMenu, linkPath) ||
        !ResolveShortcut(linkPath, target, arguments, workingDirectory, &showCommand))
        return 0;
    // The shortcut's own directory and show command are not used: the program
    // starts in its own directory, in the default window state.
    const CString commandLine = arguments.IsEmpty() ? target : target + " " + arguments;
    // A program without a directory starts in the caller's.
    const CString directory = ProgramDirectory(commandLine);
    return StartApplication(commandLine, directory.IsEmpty() ? NULL : static_cast<const char*>(directory));
}
