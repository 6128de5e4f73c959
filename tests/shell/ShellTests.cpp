// Launchers, command lines, directory search and shortcuts on the real
// platform. Copies of this binary record how a launcher started them; the
// platform's module names, file system and link object are the oracles.
#include "CFUtils.h"

#include "TestSupport.h"
#include "library/Handles.h"

#include <shlobj.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace cfu::test;

namespace {

// A case's text with "@" standing for folder and "$" for this binary.
std::string Expand(const char* text, const std::string& folder = "")
{
    std::string out;
    for (const char* p = text; *p; ++p)
        out += *p == '@' ? folder : *p == '$' ? ModulePath() : std::string(1, *p);
    return out;
}

std::string TempName(const char* stem)
{
    static int counter;
    return (std::filesystem::temp_directory_path() / stem).string() + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++counter);
}

// A fresh folder, removed with what it holds; an entry ending in a backslash
// is a directory, any other an empty file, each made with the folders above it.
struct ScratchDir
{
    explicit ScratchDir(std::initializer_list<const char*> entries = {},
                        const std::string& place = TempName("cfu-shell-"))
        : path(place)
    {
        CreateDirectoryA(path.c_str(), NULL);
        for (const char* entry : entries) {
            const std::filesystem::path made = path + "\\" + entry;
            std::filesystem::create_directories(made.parent_path());
            if (made.has_filename())
                std::ofstream(made).flush();
        }
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    const std::string path;
};

const char kRecordVariable[] = "CFU_SHELL_RECORD";

// While one lives, a copy of this binary started by anyone, with any command
// line, writes its command line and current directory to the recording's file
// and ends before any test runs.
struct Recording
{
    Recording() { SetEnvironmentVariableA(kRecordVariable, file.c_str()); }
    ~Recording()
    {
        SetEnvironmentVariableA(kRecordVariable, NULL);
        DeleteFileA(file.c_str());
    }
    // The command line and directory a copy recorded, waited for only when a
    // launcher says it started one; both empty when nothing arrived within the
    // start-up time of a cold Wine.
    std::pair<std::string, std::string> Recorded(int started) const
    {
        std::string line, directory;
        if (started)
            PumpUntil([&] { std::ifstream in(file); return std::getline(in, line) && std::getline(in, directory); },
                      kStartTimeoutMs);
        return {line, directory};
    }
    const std::string file = TempName("cfu-record-");
};

const bool kRecorder = [] {
    const char* file = std::getenv(kRecordVariable);
    if (!file)
        return false;
    // Written aside and moved in, so the test never reads half a record.
    const std::string part = std::string(file) + ".part";
    std::ofstream(part) << GetCommandLineA() << '\n' << std::filesystem::current_path().string() << '\n';
    MoveFileA(part.c_str(), file);
    ExitProcess(0);
}();

// Process and thread handles this process holds, found by trying every handle
// value (GetProcessHandleCount always answers 0 under Wine; other kinds are
// left out, as Wine's WaitForInputIdle leaves an event behind at every call).
int OpenProcessAndThreadHandles()
{
    int count = 0;
    for (ULONG_PTR value = 4; value < 0x2000; value += 4) {
        DWORD flags;
        const HANDLE handle = reinterpret_cast<HANDLE>(value);
        count += GetHandleInformation(handle, &flags) && (GetProcessId(handle) || GetThreadId(handle));
    }
    return count;
}

// Fails the test when the launches made while it lives leave this process
// holding more of those handles than before.
struct NoHandleLeft
{
    ~NoHandleLeft() { EXPECT_EQ(before, OpenProcessAndThreadHandles()) << "a launcher left a handle open"; }
    const int before = OpenProcessAndThreadHandles();
};

} // namespace

TEST(AppModuleTest, NamesAreThePlatformsAndTheDirectoryFollowsTheModuleState)
{
    // The directory is that of the framework's current module, whichever it is.
    AFX_MODULE_STATE* state = AfxGetModuleState();
    const HINSTANCE saved = state->m_hCurrentInstanceHandle;
    for (HMODULE module : {saved, GetModuleHandleA("kernel32.dll"), HMODULE(0x12340000)}) {
        state->m_hCurrentInstanceHandle = module;
        const std::string directory(GetAppDirectory()), name = ModulePath(module);
        state->m_hCurrentInstanceHandle = saved;
        EXPECT_EQ(name, std::string(GetModuleFileNameA(module)));
        EXPECT_EQ(name.substr(0, name.rfind('\\') + 1), directory);
    }
}

// "@" is a folder holding Tool.exe, tool.EXE, Tool.com, A.exe dir\B.exe and
// the directory Dir.exe; firstExe: FindDotExeInPathAndParms, exists: VerifyFileExists.
const struct
{
    const char *line, *exePath, *params, *firstExe;
    int exists;
} kSplits[] = {
    {"@\\Tool.exe -x", "@\\Tool.exe", " -x", "@\\Tool.exe", 1},
    {"@\\A.exe dir\\B.exe /q", "@\\A.exe dir\\B.exe", " /q", "@\\A.exe", 1},
    {"@\\tool.EXE.exe", "@\\tool.EXE", ".exe", "@\\tool.EXE", 1},
    {"@\\Dir.exe\\x.exe -z", "@\\Dir.exe", "\\x.exe -z", "@\\Dir.exe", 0},
    {"@\\A.exe dir", "@\\A.exe dir", "", "@\\A.exe", 0},
    {"@\\Missing.EXE -y", "@\\Missing.EXE -y", "", "@\\Missing.EXE", 0},
    {"\"@\\Tool.exe\" -x", "\"@\\Tool.exe\" -x", "", "\"@\\Tool.exe", 0},
    {"@\\Tool.com -x", "@\\Tool.com -x", "", "@\\Tool.com -x", 0},
    {"@\\Tool.com", "@\\Tool.com", "", "@\\Tool.com", 1},
    {"Tool.exe -x", "Tool.exe", " -x", "Tool.exe", 0},   // found, but has no drive
    {"c:\\x\\APP.Exe arg", "c:\\x\\APP.Exe arg", "", "c:\\x\\APP.Exe", 0},
    {"", "", "", "", 0},
};

TEST(CommandLineTest, SplitsAtTheShortestExistingExePrefix)
{
    ScratchDir dir({"Tool.exe", "Tool.com", "A.exe dir\\B.exe", "Dir.exe\\"});
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(dir.path);
    for (const auto& c : kSplits) {
        const CString line = Expand(c.line, dir.path).c_str();
        CString exePath = "junk", params = "junk", firstExe = "junk", cut = line;
        GetExeAndParams(line, exePath, params);
        RemoveExeParms(cut);
        FindDotExeInPathAndParms(line, firstExe);
        EXPECT_EQ(Expand(c.exePath, dir.path), std::string(exePath)) << c.line;
        EXPECT_EQ(Expand(c.params, dir.path), std::string(params)) << c.line;
        EXPECT_EQ(std::string(exePath), std::string(cut)) << c.line;
        EXPECT_EQ(Expand(c.firstExe, dir.path), std::string(firstExe)) << c.line;
        EXPECT_EQ(c.exists, VerifyFileExists(line)) << c.line;
    }
    std::filesystem::current_path(saved);
}

// "$" is this binary, "@" a scratch folder; NULL directory: the caller's.
const struct
{
    const char *commandLine, *directory;
    DWORD error;   // 0: started
} kStarts[] = {
    {"\"$\" one \"two three\" 100% %1", "@", 0},
    {"$", nullptr, 0},
    {"@\\missing.exe", nullptr, ERROR_FILE_NOT_FOUND},
    {"$", "@\\missing", ERROR_DIRECTORY},
    {nullptr, nullptr, ERROR_INVALID_PARAMETER},
};

TEST(LaunchTest, StartsTheLineInTheDirectoryAndKeepsNoHandle)
{
    ScratchDir dir;
    const NoHandleLeft noHandleLeft;
    for (const auto& c : kStarts) {
        const std::string line = c.commandLine ? Expand(c.commandLine, dir.path) : "";
        const std::string directory =
            c.directory ? Expand(c.directory, dir.path) : std::filesystem::current_path().string();
        Recording recording;
        SetLastError(0xdeadbeef);
        const int started =
            StartApplication(c.commandLine ? line.c_str() : NULL, c.directory ? directory.c_str() : NULL);
        EXPECT_EQ(c.error, started ? DWORD(0) : GetLastError()) << line;
        const auto [recordedLine, recordedDirectory] = recording.Recorded(started);
        EXPECT_EQ(started ? line : "", recordedLine);
        EXPECT_STRCASEEQ(started ? directory.c_str() : "", recordedDirectory.c_str());
    }
}

// Ends the idle helper once its window shows; fails the test when none did.
void EndIdleHelper()
{
    HWND window = NULL;
    DWORD id = 0;
    PumpUntil([&] { return (window = FindWindowA("CFUtilsTestIdle", NULL)) != NULL; }, kStartTimeoutMs);
    GetWindowThreadProcessId(window, &id);
    cfu::unique_handle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    EXPECT_TRUE(process && TerminateProcess(process.get(), 0) &&
                WaitForSingleObject(process.get(), kReplyTimeoutMs) == WAIT_OBJECT_0);
}

TEST(LaunchTest, WaitsForTheNewProgramToBecomeIdle)
{
    const std::string helper = (ModuleDirectory() / "shell_idle.exe").string();
    const struct
    {
        const char* still;   // the helper's CFU_IDLE_STILL
        std::string program;
        DWORD timeout, result;
    } cases[] = {
        {nullptr, helper, kStartTimeoutMs, 0},
        {"1", helper, 300, WAIT_TIMEOUT},
        {nullptr, std::string(400, 'x') + ".exe", 300, WAIT_FAILED},
    };
    const NoHandleLeft noHandleLeft;
    for (const auto& c : cases) {
        SetEnvironmentVariableA("CFU_IDLE_STILL", c.still);
        EXPECT_EQ(c.result, StartApplicationAndWaitForIdle(c.program.c_str(), c.timeout)) << c.program;
        if (c.result != WAIT_FAILED)
            EndIdleHelper();
    }
    SetEnvironmentVariableA("CFU_IDLE_STILL", NULL);
    EXPECT_EQ(WAIT_FAILED, StartApplicationAndWaitForIdle(NULL, 0));
}

// htmlClass NULL: no ".htm" key; command NULL: no open command; "$" is this
// binary, which records how it was started; expected NULL: nothing starts.
const struct
{
    const char *htmlClass, *command, *url, *expected;
} kBrowserCases[] = {
    {"CFUtilsTest.Html", "\"$\" \"%1\"", "http://example.test/a b?q=1", "\"$\" \"http://example.test/a b?q=1\""},
    {"CFUtilsTest.Html", "\"$\" -url", "http://x/", "\"$\" -url http://x/"},
    {"CFUtilsTest.Html", "\"$\" %1 %2 100%% %1", "u%1", "\"$\" u%1 %2 100%% %1"},
    {nullptr, "\"$\" %1", "u", nullptr},
    {"", "\"$\" %1", "u", nullptr},
    {"CFUtilsTest.Missing", "\"$\" %1", "u", nullptr},
    {"CFUtilsTest.Html", nullptr, "u", nullptr},
    {"CFUtilsTest.Html", "", "u", nullptr},
};

TEST(BrowserTest, TheUrlTakesThePlaceOfTheFirstPercentOne)
{
    const SavedKey htm(HKEY_CLASSES_ROOT, ".htm"), html(HKEY_CLASSES_ROOT, "CFUtilsTest.Html");
    const NoHandleLeft noHandleLeft;
    for (const auto& c : kBrowserCases) {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ".htm");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "CFUtilsTest.Html");
        if (c.htmlClass)
            RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, c.htmlClass, 0);
        CreateKey(HKEY_CLASSES_ROOT, "CFUtilsTest.Html");
        if (c.command)
            RegSetValueA(HKEY_CLASSES_ROOT, "CFUtilsTest.Html\\shell\\open\\command", REG_SZ, Expand(c.command).c_str(),
                         0);
        // The URL's buffer, guard bytes after it, must come back unwritten.
        const std::string guarded = std::string(c.url) + '\0' + std::string(8, '\xbd');
        std::vector<char> url(guarded.begin(), guarded.end());
        Recording recording;
        const int started = StartInternetBrowser(url.data());
        EXPECT_EQ(guarded, std::string(url.begin(), url.end()));
        EXPECT_EQ(c.expected != nullptr, started != 0) << c.url;
        EXPECT_EQ(c.expected ? Expand(c.expected) : "", recording.Recorded(started).first) << c.url;
    }
    EXPECT_EQ(0, StartInternetBrowser(NULL));
}

TEST(SearchDirectoryTest, DepthFirstPastMarkedFolders)
{
    ScratchDir dir({"README.txt", "sub\\deep\\target.txt", "Named.dir\\", ".hidden\\in-hidden.txt"});
    const struct
    {
        const char *name, *under, *found;   // found NULL: none
    } cases[] = {
        {"target.txt", "", "@\\sub\\deep\\target.txt"}, {"TARGET.TXT", "", "@\\sub\\deep\\TARGET.TXT"},
        {"readme.TXT", "", "@\\readme.TXT"},            {"named.DIR", "", "@\\named.DIR"},
        {"in-hidden.txt", "", nullptr},   // a hidden folder is passed over
        {"missing.txt", "", nullptr},     {"README.txt", "\\missing", nullptr},
    };
    for (const auto& c : cases) {
        CString name = c.name, directory = (dir.path + c.under).c_str(), found = "untouched";
        EXPECT_EQ(c.found != nullptr, SearchDirectory(name, directory, found) != 0) << c.name;
        EXPECT_EQ(c.found ? Expand(c.found, dir.path) : "untouched", std::string(found));
    }
}

// Saved by the shell's link object; false when it cannot be.
bool MakeLink(const std::string& path, const char* arguments, const char* directory, int show)
{
    cfu::unique_com<IShellLinkA> link;
    cfu::unique_com<IPersistFile> file;
    wchar_t wide[MAX_PATH];
    return SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                      reinterpret_cast<void**>(link.put()))) &&
           SUCCEEDED(link.get()->SetPath(ModulePath().c_str())) && SUCCEEDED(link.get()->SetArguments(arguments)) &&
           SUCCEEDED(link.get()->SetWorkingDirectory(directory)) && SUCCEEDED(link.get()->SetShowCmd(show)) &&
           SUCCEEDED(link.get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()))) &&
           MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) &&
           SUCCEEDED(file.get()->Save(wide, TRUE));
}

// Links to this binary in a folder of the test's own in the user's real
// Start Menu, found by a name in another case. arguments NULL: no link
// there; started: what this binary records, in its own directory, whatever
// directory the link names.
TEST(ShortcutTest, ReadsWhatTheLinkObjectSavedAndStartsItsTargetInItsOwnDirectory)
{
    CoInitialize(NULL);
    char startMenu[MAX_PATH] = "";
    SHGetFolderPathA(NULL, CSIDL_STARTMENU, NULL, 0, startMenu);
    // An empty file is no shortcut either.
    const ScratchDir folder({"CFUtilsTest Text.lnk"},
                            startMenu + ("\\CFUtilsTest " + std::to_string(GetCurrentProcessId())));
    const struct
    {
        const char *name, *arguments, *directory;
        int show;
        const char* started;
    } cases[] = {
        {"CFUtilsTest Args.lnk", "--a \"b c\"", "", SW_SHOWMINNOACTIVE, "$ --a \"b c\""},
        {"CFUtilsTest Bare.lnk", "", "C:\\windows", SW_SHOWNORMAL, "$"},
        {"CFUtilsTest Text.lnk", nullptr, nullptr, 0, nullptr},
        {"CFUtilsTest Missing.lnk", nullptr, nullptr, 0, nullptr},
    };
    const std::string own = ModuleDirectory().string();
    // Wine's link object answers 1 for every stored show command.
    const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.path + "\\" + c.name;
        ASSERT_TRUE(!c.arguments || MakeLink(path, c.arguments, c.directory, c.show));
        CString link = path.c_str(), target = "untouched", arguments = "untouched",
                directory = "untouched", name = c.name;
        int show = 0xdeadbeef;
        EXPECT_EQ(c.arguments != nullptr, ResolveShortcut(link, target, arguments, directory, &show) != 0);
        EXPECT_EQ(c.arguments ? ModulePath() : "untouched", std::string(target));
        EXPECT_STREQ(c.arguments ? c.arguments : "untouched", arguments);
        EXPECT_STREQ(c.arguments ? c.directory : "untouched", directory);
        EXPECT_EQ(c.arguments ? wine ? SW_SHOWNORMAL : c.show : int(0xdeadbeef), show);

        Recording recording;
        name.MakeUpper();
        const int ran = FindAndExecuteShortCut(name);
        EXPECT_EQ(c.arguments != nullptr, ran != 0);
        const auto [line, started] = recording.Recorded(ran);
        EXPECT_EQ(c.started ? Expand(c.started) : "", line);
        EXPECT_STRCASEEQ(c.started ? own.c_str() : "", started.c_str());
    }
    CoUninitialize();
}
