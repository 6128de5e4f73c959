// cfutil run as a real process: its output and exit status, a router session
// across four processes, and schemes moved as .reg files with Wine's own
// regedit as the oracle both ways.
#include "CFRouter.h"
#include "TestSupport.h"

#include <algorithm>
#include <fstream>
#include <thread>

using namespace cfu::test;

namespace {

struct Outcome
{
    long status;
    std::string output;
};

Outcome Cfutil(const std::string& args, DWORD timeoutMs = kStartTimeoutMs)
{
    Outcome run;
    const std::string line = "\"" + (ModuleDirectory() / "cfutil.exe").string() + "\" " + args;
    // The tool always ends with 0 or 1 and says why. Once, in a freshly made
    // Wine prefix, a run ended at once with no output at all: a run that never
    // reached the tool's own end is tried once more.
    for (int attempt = 0; attempt < 2; ++attempt) {
        run.output.clear();
        run.status = RunProcess(line, timeoutMs, &run.output);
        if (run.status == 0 || run.status == 1 || !run.output.empty())
            break;
    }
    run.output.erase(std::remove(run.output.begin(), run.output.end(), '\r'), run.output.end());
    return run;
}

const char kProduct[] = "CFUtilsTest Cfutil";
const std::string kStore = std::string("--product \"") + kProduct + "\" --component Tool";
const std::string kSchemes = std::string("SOFTWARE\\Corvanta\\") + kProduct + "\\CurrentVersion\\Tool\\Schemes";

TEST(CfutilTest, EachCommandAnswersWithItsStatusAndOneLine)
{
    const struct
    {
        std::string args;
        long status;
        const char* output;
    } cases[] = {
        {"--help", 0, "Subcommands:"},
        {"schemes export --help", 0, "FILE"},
        {"", 1, "cfutil: A subcommand is required"},
        {"router frobnicate", 1, "cfutil: "},
        {"router send 0x8001 12x", 1, "cfutil: wParam '12x' is not a number: status 87 ("},
        {"router post 0x8001", 1, "cfutil: no router is running"},
        {"router status", 1, "status 1168 ("},
        {"driver write 7 text", 1, "cfutil: no router is running"},
        {"schemes " + kStore + " delete .Default", 1, "cfutil: cannot delete scheme '.Default': status 232 ("},
        {"schemes " + kStore + " import C:\\nowhere.reg", 1, "cfutil: "},
        {"schemes " + kStore + " list", 0, ""},    // no schemes at all: an empty list
        {"device " + kStore + " path JoyStick x", 1, "cfutil: "},
    };
    for (const auto& c : cases) {
        const Outcome run = Cfutil(c.args);
        EXPECT_EQ(c.status, run.status) << c.args << "\n" << run.output;
        EXPECT_NE(std::string::npos, run.output.find(c.output)) << c.args << "\n" << run.output;
        if (c.status) {
            EXPECT_EQ(1, std::count(run.output.begin(), run.output.end(), '\n')) << c.args << "\n" << run.output;
        }
    }
}

TEST(CfutilTest, ARouterSessionAcrossProcesses)
{
    Outcome router, listener;
    std::thread runRouter([&] { router = Cfutil("router run", 4 * kStartTimeoutMs); });
    ASSERT_TRUE(PumpUntil([] { return FindWindowA(cfu::router::kWindowClass, NULL) != NULL; }, kStartTimeoutMs));
    std::thread listen(
        [&] { listener = Cfutil("router listen 0x8123 \"CFUtilsTest Named\" --count 3", 3 * kStartTimeoutMs); });
    // The router's own printer and the listener.
    EXPECT_TRUE(PumpUntil(
        [] { return Cfutil("router status 0x8123").output.find(": 2 registration") != std::string::npos; },
        kStartTimeoutMs));

    const std::string doctor = Cfutil("doctor --resources user32.dll absent.dll").output;
    for (const char* part : {"system32\\", "; absent.dll: not found (searched: ", "router             ok"})
        EXPECT_NE(std::string::npos, doctor.find(part)) << doctor;
    EXPECT_EQ("answer 0\n", Cfutil("router send 0x8123 5 6").output);
    EXPECT_EQ(0, Cfutil("router post 0x8123 0x7 8").status);
    EXPECT_EQ(0, Cfutil("router post \"CFUtilsTest Named\" 9").status);
    listen.join();
    // A listener that dies keeps its registration, shown as gone.
    EXPECT_EQ(-1, Cfutil("router listen 0x8124", 10000).status);
    EXPECT_NE(std::string::npos, Cfutil("router status").output.find(": its window has gone"));
    EXPECT_EQ(0, Cfutil("driver write 42 \"a record\"").status);
    EXPECT_EQ(0, Cfutil("router post 0x10").status);    // WM_CLOSE ends the router
    runRouter.join();

    const UINT named = RegisterWindowMessageA("CFUtilsTest Named");
    char namedLine[96];
    sprintf(namedLine, "received 0x%04X \"CFUtilsTest Named\" wParam 0x9 lParam 0x0, posted", named);
    for (const std::string& line : {std::string("received 0x8123 wParam 0x5 lParam 0x6, posted"),
                                    std::string("received 0x8123 wParam 0x7 lParam 0x8, posted"),
                                    std::string(namedLine), std::string("listening: ended")})
        EXPECT_NE(std::string::npos, listener.output.find(line)) << line << "\n" << listener.output;
    for (const char* line : {"registration: handle ", "message 0x8123 wParam 0x5 lParam 0x6",
                             "unregistration: handle ", "driver record: code 42, 8 byte(s): a record",
                             "message 0x0010 (WM_CLOSE) wParam 0x0 lParam 0x0", "router: ended"})
        EXPECT_NE(std::string::npos, router.output.find(line)) << line << "\n" << router.output;
    EXPECT_EQ(0, router.status);
}

class CfutilSchemeTest : public testing::Test
{
protected:
    void SetUp() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, ("SOFTWARE\\Corvanta\\" + std::string(kProduct)).c_str());
        ASSERT_EQ(0, Cfutil("schemes " + kStore + " new Racing").status);
        WriteTree(HKEY_CURRENT_USER, kSchemes + "\\Racing", kRacing);
    }
    void TearDown() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, ("SOFTWARE\\Corvanta\\" + std::string(kProduct)).c_str());
        DeleteFileA(kFile);
    }
    static RegTree Racing() { return ReadTree(HKEY_CURRENT_USER, kSchemes + "\\Racing"); }
    static void Forget() { RegDeleteTreeA(HKEY_CURRENT_USER, (kSchemes + "\\Racing").c_str()); }

    static constexpr char kFile[] = "C:\\cfutil-test.reg";
    const RegTree kRacing = {
        {"", {{"", Sz("default text")}, {"Quoted \"name\"", Sz("C:\\path\\with \"quotes\"")}}},
        {"Devices", {}},
        {"Devices\\JoyStick", {}},
        {"Devices\\JoyStick\\0000",
         {{"Dead Zone", {REG_DWORD, std::string("\x2a\0\0\x80", 4)}},
          {"Curve", {REG_BINARY, std::string(40, '\xbd') + std::string("\0\x01", 2)}},
          {"Buttons", {REG_MULTI_SZ, std::string("Fire\0Jump\0\0", 11)}},
          {"Profile", {REG_EXPAND_SZ, std::string("%APPDATA%\\stick", 16)}},
          {"Serial", {REG_QWORD, std::string("\x01\x02\0\0\0\0\0\xff", 8)}},
          {"Empty", {REG_BINARY, ""}}}},
    };
};

TEST_F(CfutilSchemeTest, ExportedSchemesComeBackEqualThroughRegeditAndBack)
{
    const RegTree before = Racing();
    ASSERT_EQ(kRacing, before);
    ASSERT_EQ(0, Cfutil("schemes " + kStore + " export Racing " + kFile).status);
    Forget();
    ASSERT_EQ(0, RunProcess(std::string("regedit.exe /S ") + kFile));
    EXPECT_EQ(before, Racing()) << "cfutil's file through regedit";

    ASSERT_EQ(0, RunProcess("regedit.exe /E " + std::string(kFile) + " \"HKEY_CURRENT_USER\\" + kSchemes +
                            "\\Racing\""));
    Forget();
    const Outcome imported = Cfutil("schemes " + kStore + " import " + kFile);
    EXPECT_EQ(0, imported.status) << imported.output;
    EXPECT_EQ(before, Racing()) << "regedit's file through cfutil";
}

TEST_F(CfutilSchemeTest, AMalformedFileIsRefusedWithItsLineAndChangesNothing)
{
    const std::string key = "[HKEY_CURRENT_USER\\" + kSchemes + "\\Racing\\New]\r\n";
    const struct
    {
        std::string text;
        int line;
    } cases[] = {
        {"", 1},
        {"REGEDIT5\r\n", 1},
        {"REGEDIT4\r\n\r\n\"v\"=\"before any key\"\r\n", 3},
        {"REGEDIT4\r\n" + key + "\"v\"=dword:123456789\r\n", 3},
        {"REGEDIT4\r\n" + key + "\"v\"=hex:00,1ff\r\n", 3},
        {"REGEDIT4\r\n" + key + "\"v\"=hex:00,\\\r\n  zz\r\n", 3},
        {"REGEDIT4\r\n" + key + "\"v\"=\"unended\r\n", 3},
        {"REGEDIT4\r\n" + key + "\"v\"=-\r\n", 3},
        {"REGEDIT4\r\n" + key + "\"a\"=\"ok\"\r\n[-HKEY_CURRENT_USER\\" + kSchemes + "\\Racing]\r\n", 4},
        {"REGEDIT4\r\n" + key + "\r\n[HKEY_CURRENT_USER\\Software\\Elsewhere]\r\n", 4},
        {"REGEDIT4\r\n[HKEY_NOWHERE\\x]\r\n", 2},
        {"REGEDIT4\r\n" + key + "garbage\r\n", 3},
    };
    const RegTree before = Racing();
    for (const auto& c : cases) {
        std::ofstream(kFile, std::ios::binary) << c.text;
        const Outcome run = Cfutil("schemes " + kStore + " import " + kFile);
        EXPECT_EQ(1, run.status) << c.text;
        EXPECT_NE(std::string::npos, run.output.find("line " + std::to_string(c.line) + ":")) << c.text << run.output;
        EXPECT_EQ(before, Racing()) << c.text;
    }
}

TEST_F(CfutilSchemeTest, SchemesAreListedUsedAndDeleted)
{
    EXPECT_EQ(".Default\n", Cfutil("schemes " + kStore + " current").output);
    EXPECT_EQ(1, Cfutil("schemes " + kStore + " use Nowhere").status);
    EXPECT_EQ(0, Cfutil("schemes " + kStore + " use Racing").status);
    EXPECT_EQ("Racing\n", Cfutil("schemes " + kStore + " current").output);
    EXPECT_EQ("Racing\n", Cfutil("schemes " + kStore + " list").output);
    EXPECT_NE(std::string::npos, Cfutil("device " + kStore + " path Wheel 2").output.find(
                                     "Racing\\Devices\\Wheel\\0002"));
    EXPECT_EQ(0, Cfutil("schemes " + kStore + " delete Racing").status);
    EXPECT_EQ(".Default\n", Cfutil("schemes " + kStore + " current").output);
}

} // namespace
