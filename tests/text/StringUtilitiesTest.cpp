// The string utilities as one table of texts and what each function makes of
// them, with the warning box of ScanField through the application object.
#include "library/CFUtils.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <thread>
#include <vector>

namespace {

// Takes every message box over (a real one never returns headless): text|type|help.
struct BoxRecorder : CWinApp
{
    std::vector<std::string> boxes;
    int DoMessageBox(LPCSTR prompt, UINT type, UINT help) override
    {
        boxes.push_back(std::string(prompt) + "|" + std::to_string(type) + "|" + std::to_string(help));
        return IDOK;
    }
};

enum Op { kScan, kScanKeep, kPunch, kExtension, kPath };

struct Case
{
    Op op;
    std::string input;
    std::string result;
    std::string rest = {};   // kScan, kScanKeep: the line afterwards
    int width = 0;           // kPunch
};

const std::string k20 = "abcdefghijklmnopqrst";
const std::string kLong(600, 'x');
const std::string kHeld(511, 'x');

const Case kCases[] = {
    {kScan, "a,b,c", "a", "b,c"},
    {kScan, "\"x, y\",z", "x, y", "z"},
    {kScan, "   a\t ,b", "a\t ", "b"},                      // blanks kept once a character is
    {kScan, ",b", "", "b"},
    {kScan, "\"\"a\"\" b", "a b", ""},                     // no escape: "" copies nothing
    {kScan, "\" a", "a", ""},                                // unmatched: a box
    {kScan, " " + kLong + ",rest", kHeld, "rest"},           // cut, and the scan goes on to the comma
    {kScan, "\"" + kLong, kHeld, ""},                        // the box text is cut at 400
    {kScanKeep, "a/b\\c,d", "a/b\\c", "d"},
    {kScanKeep, "\" a", "", "\" a"},                         // unmatched: nothing taken, no box
    {kPunch, k20, "abcd...qrst", "", 11},
    {kPunch, k20, "abc...rst", "", 10},
    {kPunch, k20, k20, "", 20},
    {kPunch, k20, "...", "", 4},
    {kPunch, k20, "...", "", INT_MIN},
    {kExtension, "C:\\dir.d\\file", "C:\\dir.d\\file"},
    {kExtension, "archive.tar.gz", "archive.tar"},
    {kExtension, ".profile", ""},
    {kExtension, "a.b/c", "a"},                              // a slash is not looked at
    {kPath, "C:\\a\\b.txt", "b.txt"},
    {kPath, "a/b\\c.txt", "c.txt"},
    {kPath, "x\\y/z.txt", "y/z.txt"},
    {kPath, "C:file.txt", "file.txt"},
    {kPath, "a:b:c", "b:c"},
    {kPath, "d/e.txt", "e.txt"},
};

TEST(StringUtilitiesTest, Table)
{
    BoxRecorder app;
    std::vector<std::string> boxes;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.input.substr(0, 40) + " (" + std::to_string(c.op) + ")");
        CString line(c.input.c_str());
        std::string result;
        switch (c.op) {
        case kScan: result = ScanField(line); break;
        case kScanKeep: result = ScanFieldKeepSlashes(line); break;
        case kPunch: result = CenterPunched(line, c.width); break;
        case kPath: result = MinusPath(line); break;
        case kExtension:
            result = MinusExtension(c.input.c_str());
            EXPECT_EQ(result != c.input, RemoveFileExtension(line) == TRUE);
        }
        EXPECT_EQ(c.result, result);
        EXPECT_EQ(c.op <= kScanKeep ? c.rest : c.op == kExtension ? c.result : c.input, std::string(line));
        // A box for every line that ends inside quotes, and only from ScanField.
        if (c.op == kScan && std::count(c.input.begin(), c.input.end(), '"') % 2)
            boxes.push_back(("Unmatched quote in field: " + c.input).substr(0, 400) + "|48|0");
        ASSERT_EQ(boxes, app.boxes);
    }
    EXPECT_EQ(2u, boxes.size());
    EXPECT_EQ("", std::string(MinusExtension(nullptr)));
}

TEST(StringUtilitiesTest, FormatsAreCutAt400CharactersOnEachThreadApart)
{
    for (size_t length : {0, 400, 401, 100000}) {
        const std::string text(length, 'w');
        EXPECT_EQ(text.substr(0, 400), std::string(wformat("%s", text.c_str()))) << length;
    }
    EXPECT_EQ("", std::string(wformat(static_cast<const char*>(nullptr))));
    EXPECT_EQ("Wheel has 12 buttons", std::string(wformat(1u, "Wheel", 12)));
    EXPECT_EQ("", std::string(wformat(2u, "absent")));
    // With one shared buffer, two threads formatting at once would mix their results.
    int mixed[2] = {0, 0};
    auto run = [&mixed](int who) {
        for (int i = 0; i < 20000; ++i)
            mixed[who] += wformat("%d:%d", who, i) != (std::to_string(who) + ":" + std::to_string(i)).c_str();
    };
    std::thread other(run, 1);
    run(0);
    other.join();
    EXPECT_EQ(0, mixed[0] + mixed[1]);
}

} // namespace
