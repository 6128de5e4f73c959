// Directory search on a real tree and shortcuts made with the shell's own
// link object in the real Start Menu.
#include "CFUtils.h"

#include "ShellTestSupport.h"

#include <shlobj.h>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace cfu::test;

namespace {

// The first of two names in the order the platform lists folder.
std::string ListedFirst(const std::string& folder, const char* a, const char* b)
{
    WIN32_FIND_DATAA entry;
    cfu::unique_hfind find(FindFirstFileA((folder + "\\*").c_str(), &entry));
    while (find && strcmp(entry.cFileName, a) && strcmp(entry.cFileName, b))
        FindNextFileA(find.get(), &entry);
    return entry.cFileName;
}

} // namespace

TEST(SearchDirectoryTest, DepthFirstInThePlatformsOrderPastMarkedFolders)
{
    ScratchDir dir;
    dir.Make({"README.txt", "Both.txt", "sub\\", "sub\\Both.txt", "sub\\deep\\", "sub\\deep\\target.txt",
              "Named.dir\\", ".hidden\\", ".hidden\\in-hidden.txt", "ro\\", "ro\\in-readonly.txt"});
    ASSERT_TRUE(SetUnixMode(dir.Path() + "\\ro", "555", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
    const std::string both = ListedFirst(dir.Path(), "sub", "Both.txt") == "sub" ? "@\\sub\\Both.txt" : "@\\Both.txt";
    const struct
    {
        const char* name;
        std::string found;   // "" for none
    } cases[] = {
        {"target.txt", "@\\sub\\deep\\target.txt"},
        {"TARGET.TXT", "@\\sub\\deep\\TARGET.TXT"},
        {"readme.TXT", "@\\readme.TXT"},
        {"named.DIR", "@\\named.DIR"},
        {"Both.txt", both},
        {"in-hidden.txt", ""},
        {"in-readonly.txt", ""},
        {"missing.txt", ""},
    };
    for (const auto& c : cases) {
        CString name = c.name, directory = dir.Path().c_str(), found = "untouched";
        EXPECT_EQ(!c.found.empty(), SearchDirectory(name, directory, found) != 0) << c.name;
        EXPECT_EQ(c.found.empty() ? "untouched" : Expand(c.found.c_str(), dir.Path()), std::string(found));
    }
    for (const std::string& missing : {dir.Path() + "\\missing", dir.Path() + std::string(600, 'x')}) {
        CString name = "README.txt", directory = missing.c_str(), found = "untouched";
        EXPECT_EQ(0, SearchDirectory(name, directory, found));
        EXPECT_STREQ("untouched", found);
    }
    SetUnixMode(dir.Path() + "\\ro", "755", FILE_ATTRIBUTE_DIRECTORY);
}

// A folder of the test's own in the user's real Start Menu, on a thread with
// COM.
class ShortcutTest : public testing::Test
{
protected:
    void SetUp() override
    {
        CoInitialize(NULL);
        char startMenu[MAX_PATH] = "";
        SHGetFolderPathA(NULL, CSIDL_STARTMENU, NULL, 0, startMenu);
        m_folder = std::string(startMenu) + "\\CFUtilsTest " + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(m_folder.c_str(), NULL);
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
        CoUninitialize();
    }
    // Saved by the shell's link object under name (in the ANSI code page).
    void MakeLink(const std::string& name, const std::string& target, const char* arguments,
                  const char* directory, int show) const
    {
        cfu::unique_com<IShellLinkA> link;
        cfu::unique_com<IPersistFile> file;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                         reinterpret_cast<void**>(link.put())));
        link.get()->SetPath(target.c_str());
        link.get()->SetArguments(arguments);
        link.get()->SetWorkingDirectory(directory);
        link.get()->SetShowCmd(show);
        ASSERT_EQ(S_OK, link.get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put())));
        ASSERT_EQ(S_OK, file.get()->Save(Wide(Path(name)).c_str(), TRUE));
    }
    std::string Path(const std::string& name) const { return m_folder + "\\" + name; }
    static std::wstring Wide(const std::string& text)
    {
        wchar_t wide[MAX_PATH * 2] = L"";
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, MAX_PATH * 2);
        return wide;
    }
    static std::string Ansi(const wchar_t* text)
    {
        char ansi[MAX_PATH * 2] = "";
        WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, sizeof ansi, NULL, NULL);
        return ansi;
    }

    std::string m_folder;
};

namespace {

// Wine's link object answers 1 for every stored show command.
int ShowCommandRead(int stored)
{
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") ? SW_SHOWNORMAL : stored;
}

// "$" is this binary. target NULL: the link cannot be read.
struct LinkCase
{
    const char* name;
    const char* target;
    const char* arguments;
    const char* directory;
    int show;
};
const LinkCase kLinks[] = {
    {"CFUtilsTest Args.lnk", "$", "--a \"b c\"", "C:\\windows", SW_SHOWMINNOACTIVE},
    {"CFUtilsTest Bare.lnk", "$", "", "", SW_SHOWNORMAL},
    {"CFUtilsTest Empty.lnk", nullptr, nullptr, nullptr, 0},
    {"CFUtilsTest Text.lnk", nullptr, nullptr, nullptr, 0},
    {"CFUtilsTest Cut.lnk", nullptr, nullptr, nullptr, 0},
    {"CFUtilsTest Missing.lnk", nullptr, nullptr, nullptr, 0},
};

} // namespace

TEST_F(ShortcutTest, ReadsWhatTheLinkObjectSavedAndNothingElse)
{
    for (const LinkCase& c : kLinks)
        if (c.target)
            MakeLink(c.name, Expand(c.target, ""), c.arguments, c.directory, c.show);
    std::ofstream(Path("CFUtilsTest Empty.lnk")).flush();
    std::ofstream(Path("CFUtilsTest Text.lnk")) << "not a shortcut";
    std::ifstream whole(Path("CFUtilsTest Args.lnk"), std::ios::binary);
    std::string bytes(40, '\0');
    whole.read(&bytes[0], 40);
    std::ofstream(Path("CFUtilsTest Cut.lnk"), std::ios::binary) << bytes;

    for (const LinkCase& c : kLinks) {
        CString link = Path(c.name).c_str(), target = "untouched", arguments = "untouched", directory = "untouched";
        int show = 0xdeadbeef;
        EXPECT_EQ(c.target != nullptr, ResolveShortcut(link, target, arguments, directory, &show) != 0) << c.name;
        EXPECT_EQ(c.target ? Expand(c.target, "") : "untouched", std::string(target));
        EXPECT_STREQ(c.target ? c.arguments : "untouched", arguments);
        EXPECT_STREQ(c.target ? c.directory : "untouched", directory);
        EXPECT_EQ(c.target ? ShowCommandRead(c.show) : int(0xdeadbeef), show);
    }
    // A path past MAX_PATH, and a thread without COM, read nothing.
    CString target = "untouched", arguments, directory;
    CString overlong = (Path("") + std::string(300, 'x') + ".lnk").c_str();
    EXPECT_EQ(0, ResolveShortcut(overlong, target, arguments, directory, NULL));
    std::thread([&] {
        CString link = Path(kLinks[0].name).c_str();
        EXPECT_EQ(0, ResolveShortcut(link, target, arguments, directory, NULL));
    }).join();
    EXPECT_STREQ("untouched", target);
}

TEST_F(ShortcutTest, StartsTheTargetInItsOwnDirectory)
{
    const std::string ansiName = Ansi(L"CFUtilsTest T\u00ebst \u00c9t\u00e9.lnk");
    MakeLink(ansiName, ProgramFile(), "", "C:\\", SW_SHOWMINIMIZED);
    MakeLink("CFUtilsTest Args.lnk", ProgramFile(), "--a \"b c\"", "", SW_SHOWNORMAL);
    std::ofstream(Path("CFUtilsTest Text.lnk")) << "not a shortcut";
    const struct
    {
        std::string name;
        const char* expected;   // NULL: nothing starts
    } cases[] = {
        {ansiName, "$"},
        {"cfutilstest ARGS.lnk", "$ --a \"b c\""},
        {"CFUtilsTest Text.lnk", nullptr},
        {"CFUtilsTest Missing.lnk", nullptr},
    };
    for (const auto& c : cases) {
        Recording recording;
        CString name = c.name.c_str();
        EXPECT_EQ(c.expected != nullptr, FindAndExecuteShortCut(name) != 0) << c.name;
        std::string line, directory;
        if (c.expected) {
            ASSERT_TRUE(recording.Wait(line, directory)) << c.name;
            EXPECT_EQ(Expand(c.expected, ""), line);
            EXPECT_EQ(0, lstrcmpiA(ProgramDirectory().c_str(), directory.c_str())) << directory;
        }
    }
}
