// Launchers and command-line splitting. Copies of this binary record how they
// were started; the platform's module names and file system are the oracles.
#include "CFUtils.h"

#include "ShellTestSupport.h"

#include <vector>

using namespace cfu::test;

namespace {

const bool kRecorder = RecordIfAsked();

std::string PlatformModuleName(HMODULE module)
{
    char name[MAX_PATH + 1] = "";
    DWORD length = ::GetModuleFileNameA(module, name, MAX_PATH);
    return std::string(name, length);
}

std::string DirectoryOf(const std::string& file)
{
    return file.substr(0, file.rfind('\\') + 1);
}

// Runs a launch and checks that it leaves this process no handle more.
template <class Launch>
auto WithoutHandleLeak(Launch launch)
{
    const int before = OpenProcessAndThreadHandles();
    auto result = launch();
    const DWORD error = GetLastError();
    EXPECT_EQ(before, OpenProcessAndThreadHandles()) << "a launcher left a handle open";
    SetLastError(error);
    return result;
}

} // namespace

TEST(AppModuleTest, NamesAreThePlatformsAndTheDirectoryFollowsTheModuleState)
{
    for (HMODULE module : {GetModuleHandleA(NULL), GetModuleHandleA("CFUtils.dll"),
                           GetModuleHandleA("kernel32.dll")})
        EXPECT_EQ(PlatformModuleName(module), std::string(GetModuleFileNameA(module)));
    EXPECT_EQ("", std::string(GetModuleFileNameA(HINSTANCE(0x12340000))));
    EXPECT_EQ(DirectoryOf(PlatformModuleName(NULL)), std::string(GetAppDirectory()));

    // The directory is that of the framework's current module, whichever it is.
    AFX_MODULE_STATE* state = AfxGetModuleState();
    HINSTANCE saved = state->m_hCurrentInstanceHandle;
    state->m_hCurrentInstanceHandle = GetModuleHandleA("kernel32.dll");
    CString directory = GetAppDirectory();
    state->m_hCurrentInstanceHandle = HINSTANCE(0x12340000);
    CString none = GetAppDirectory();
    state->m_hCurrentInstanceHandle = saved;
    EXPECT_EQ(DirectoryOf(PlatformModuleName(GetModuleHandleA("kernel32.dll"))), std::string(directory));
    EXPECT_EQ("", std::string(none));
}

// "@" is a folder holding Tool.exe, tool.EXE, Tool.com, A.exe dir\B.exe and
// the directory Dir.exe.
struct SplitCase
{
    const char* line;
    const char* exePath;
    const char* params;
    const char* firstExe;   // FindDotExeInPathAndParms
    int exists;             // VerifyFileExists
};
const SplitCase kSplits[] = {
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
    {"no program", "no program", "", "no program", 0},
    {"", "", "", "", 0},
};

TEST(CommandLineTest, SplitsAtTheShortestExistingExePrefix)
{
    ScratchDir dir;
    dir.Make({"Tool.exe", "Tool.com", "A.exe dir\\", "A.exe dir\\B.exe", "Dir.exe\\"});
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    SetCurrentDirectoryA(dir.Path().c_str());
    for (const SplitCase& c : kSplits) {
        const CString line = Expand(c.line, dir.Path()).c_str();
        CString exePath = "junk", params = "junk", firstExe = "junk", cut = line;
        GetExeAndParams(line, exePath, params);
        RemoveExeParms(cut);
        FindDotExeInPathAndParms(line, firstExe);
        EXPECT_EQ(Expand(c.exePath, dir.Path()), std::string(exePath)) << c.line;
        EXPECT_EQ(Expand(c.params, dir.Path()), std::string(params)) << c.line;
        EXPECT_EQ(std::string(exePath), std::string(cut)) << c.line;
        EXPECT_EQ(Expand(c.firstExe, dir.Path()), std::string(firstExe)) << c.line;
        EXPECT_EQ(c.exists, VerifyFileExists(line)) << c.line;
    }
    SetCurrentDirectoryA(saved);

    // A line of thousands of pieces, none of them existing, is all program.
    std::string pieces;
    for (int i = 0; i < 5000; ++i)
        pieces += "x.exe ";
    CString exePath, params;
    GetExeAndParams(pieces.c_str(), exePath, params);
    EXPECT_EQ(pieces, std::string(exePath));
    EXPECT_TRUE(params.IsEmpty());
}

// "$" is this binary, "@" a scratch folder; NULL directory: the caller's.
struct StartCase
{
    const char* commandLine;
    const char* directory;
    DWORD error;   // 0: started
};
const StartCase kStarts[] = {
    {"\"$\" one \"two three\" 100% %1", "@", 0},
    {"$", nullptr, 0},
    {"@\\missing.exe", nullptr, ERROR_FILE_NOT_FOUND},
    {"$", "@\\missing", ERROR_DIRECTORY},
    {nullptr, nullptr, ERROR_INVALID_PARAMETER},
};

TEST(LaunchTest, StartsTheLineInTheDirectoryAndKeepsNoHandle)
{
    ScratchDir dir;
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    for (const StartCase& c : kStarts) {
        const std::string line = c.commandLine ? Expand(c.commandLine, dir.Path()) : "";
        const std::string directory = c.directory ? Expand(c.directory, dir.Path()) : current;
        Recording recording;
        SetLastError(0xdeadbeef);
        const int started = WithoutHandleLeak([&] {
            return StartApplication(c.commandLine ? line.c_str() : NULL, c.directory ? directory.c_str() : NULL);
        });
        EXPECT_EQ(c.error == 0, started != 0) << line;
        if (!started) {
            EXPECT_EQ(c.error, GetLastError()) << line;
            continue;
        }
        std::string recordedLine, recordedDirectory;
        ASSERT_TRUE(recording.Wait(recordedLine, recordedDirectory)) << line;
        EXPECT_EQ(line, recordedLine);
        EXPECT_EQ(0, lstrcmpiA(directory.c_str(), recordedDirectory.c_str())) << recordedDirectory;
    }
    // Far past what the platform accepts as a command line.
    const std::string overlong = ProgramFile() + " " + std::string(40000, 'x');
    EXPECT_EQ(0, WithoutHandleLeak([&] { return StartApplication(overlong.c_str(), NULL); }));
}

TEST(LaunchTest, WaitsForTheNewProgramToBecomeIdle)
{
    struct
    {
        std::string program;
        DWORD timeout;
        DWORD result;
        const char* helper;
    } cases[] = {
        {IdleHelper("pump"), kStartTimeoutMs, 0, "pump"},
        {IdleHelper("still"), 300, WAIT_TIMEOUT, "still"},
        {ProgramDirectory() + "\\missing.exe", 300, WAIT_FAILED, nullptr},
        {std::string(400, 'x') + ".exe", 300, WAIT_FAILED, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.result, WithoutHandleLeak([&] {
                      return StartApplicationAndWaitForIdle(c.program.c_str(), c.timeout);
                  })) << c.program;
        if (c.helper) {
            EXPECT_TRUE(EndIdleHelper(c.helper)) << c.helper;
        }
    }
    EXPECT_EQ(WAIT_FAILED, StartApplicationAndWaitForIdle(NULL, 0));
}

// ".htm" as the registry held it is set aside for the test and put back.
class BrowserTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = RegCopyTreeA(HKEY_CLASSES_ROOT, ".htm", m_backup.Key()) == ERROR_SUCCESS;
    }
    void TearDown() override
    {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, kClass);
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ".htm");
        if (m_saved)
            RegCopyTreeA(m_backup.Key(), NULL, CreateKey(HKEY_CLASSES_ROOT, ".htm").get());
    }
    // htmlClass NULL: no ".htm" key; command NULL: no open command.
    static void Associate(const char* htmlClass, const char* command)
    {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ".htm");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, kClass);
        if (htmlClass)
            RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, htmlClass, 0);
        CreateKey(HKEY_CLASSES_ROOT, kClass);
        if (command)
            RegSetValueA(HKEY_CLASSES_ROOT, (std::string(kClass) + "\\shell\\open\\command").c_str(), REG_SZ,
                         Expand(command, "").c_str(), 0);
    }

    static constexpr const char* kClass = "CFUtilsTest.Html";
    RegSandbox m_backup{HKEY_CURRENT_USER, TestKeyPath()};
    bool m_saved = false;
};

// "$" is this binary, which records how it was started. expected NULL:
// nothing may start.
struct BrowserCase
{
    const char* htmlClass;
    const char* command;
    const char* url;
    const char* expected;
};
const BrowserCase kBrowserCases[] = {
    {"CFUtilsTest.Html", "\"$\" \"%1\"", "http://example.test/a b?q=1", "\"$\" \"http://example.test/a b?q=1\""},
    {"CFUtilsTest.Html", "\"$\" -url", "http://x/", "\"$\" -url http://x/"},
    {"CFUtilsTest.Html", "\"$\" %1 %2 100%% %1", "u%1", "\"$\" u%1 %2 100%% %1"},
    {nullptr, "\"$\" %1", "u", nullptr},
    {"", "\"$\" %1", "u", nullptr},
    {"CFUtilsTest.Missing", "\"$\" %1", "u", nullptr},
    {"CFUtilsTest.Html", nullptr, "u", nullptr},
    {"CFUtilsTest.Html", "", "u", nullptr},
};

TEST_F(BrowserTest, TheUrlTakesThePlaceOfTheFirstPercentOne)
{
    for (const BrowserCase& c : kBrowserCases) {
        Associate(c.htmlClass, c.command);
        const std::string guarded = std::string(c.url) + '\0' + std::string(8, '\xbd');
        std::vector<char> url(guarded.begin(), guarded.end());
        Recording recording;
        const int started = WithoutHandleLeak([&] { return StartInternetBrowser(url.data()); });
        EXPECT_EQ(guarded, std::string(url.begin(), url.end())) << "the URL's buffer was written";
        EXPECT_EQ(c.expected != nullptr, started != 0) << c.url;
        std::string line, directory;
        if (started && c.expected) {
            ASSERT_TRUE(recording.Wait(line, directory)) << c.url;
            EXPECT_EQ(Expand(c.expected, ""), line);
        }
    }
    EXPECT_EQ(0, StartInternetBrowser(NULL));
}
