// The string utilities as one table of texts and what each function makes of
// them; the warning box of ScanField through the application object; the
// bounded buffers behind formatting and field scanning between guard bytes.
#include "library/CFUtils.h"

#include "text/BoundedText.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <thread>
#include <vector>

namespace {

const char kPoison = '\xbd';

// Takes every message box of the process over: a real one never returns headless.
class BoxRecorder : public CWinApp
{
public:
    struct Box
    {
        std::string text;
        UINT type;
        UINT help;
    };
    std::vector<Box> m_boxes;
    int DoMessageBox(LPCSTR prompt, UINT type, UINT help) override
    {
        m_boxes.push_back({prompt, type, help});
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
    int width = 0;      // kPunch
};

const std::string k20 = "abcdefghijklmnopqrst";
const std::string kLong(600, 'x');
const std::string kHeld(511, 'x');

const Case kCases[] = {
    {kScan, "a,b,c", "a", "b,c"},
    {kScan, "b,c", "b", "c"},
    {kScan, "c", "c", ""},
    {kScan, "", "", ""},
    {kScan, "\"x, y\",z", "x, y", "z"},
    {kScan, "   a ,b", "a ", "b"},
    {kScan, ",b", "", "b"},
    {kScan, "a,,b", "a", ",b"},
    {kScan, "\t a\tb", "\t a\tb", ""},                     // a tab is no blank
    {kScan, "\"\"a\"\" b,c", "a b", "c"},                  // no escape: "" copies nothing
    {kScan, "C:\\dir/x,y", "C:\\dir/x", "y"},
    {kScan, "\" a", "a", ""},                              // unmatched: a box
    {kScan, "\"a,b", "a,b", ""},
    {kScan, " " + kLong + ",rest", kHeld, "rest"},          // cut, and the scan goes on to the comma
    {kScan, "\"" + kLong + "\"x,rest", kHeld, "rest"},
    {kScan, "\"" + kLong, kHeld, ""},                       // the box text is cut at 400
    {kScanKeep, "a/b\\c,d", "a/b\\c", "d"},
    {kScanKeep, "\" a", "", "\" a"},                       // unmatched: nothing taken, no box
    {kScanKeep, kLong + ",rest", kHeld, "rest"},
    {kPunch, k20, "abcd...qrst", "", 11},
    {kPunch, k20, "abc...rst", "", 10},
    {kPunch, k20, k20, "", 20},
    {kPunch, k20, k20, "", INT_MAX},
    {kPunch, k20, "a...t", "", 5},
    {kPunch, k20, "...", "", 4},
    {kPunch, k20, "...", "", 2},
    {kPunch, k20, "...", "", INT_MIN},
    {kExtension, "C:\\dir.d\\file", "C:\\dir.d\\file"},
    {kExtension, "archive.tar.gz", "archive.tar"},
    {kExtension, ".profile", ""},
    {kExtension, "C:\\a\\name.", "C:\\a\\name"},
    {kExtension, "a.b/c", "a"},                            // a slash is not looked at
    {kExtension, "", ""},
    {kPath, "C:\\a\\b.txt", "b.txt"},
    {kPath, "a/b\\c.txt", "c.txt"},
    {kPath, "x\\y/z.txt", "y/z.txt"},
    {kPath, "C:file.txt", "file.txt"},
    {kPath, "d/e:f", "f"},
    {kPath, "a:b:c", "b:c"},
    {kPath, "\\\\server\\share\\", ""},
    {kPath, "plain", "plain"},
};

TEST(StringUtilitiesTest, Table)
{
    BoxRecorder app;
    size_t boxes = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.input.substr(0, 40) + " (" + std::to_string(c.op) + ")");
        CString line(c.input.c_str());
        switch (c.op) {
        case kScan:
        case kScanKeep:
            EXPECT_EQ(c.result, std::string(c.op == kScan ? ScanField(line) : ScanFieldKeepSlashes(line)));
            EXPECT_EQ(c.rest, std::string(line));
            break;
        case kPunch:
            EXPECT_EQ(c.result, std::string(CenterPunched(line, c.width)));
            break;
        case kExtension:
            EXPECT_EQ(c.result, std::string(MinusExtension(c.input.c_str())));
            EXPECT_EQ(c.result != c.input, RemoveFileExtension(line) == TRUE);
            EXPECT_EQ(c.result, std::string(line));
            break;
        case kPath:
            EXPECT_EQ(c.result, std::string(MinusPath(line)));
            break;
        }
        // A box for every line that ends inside quotes, and only from ScanField.
        const bool unmatched = c.op == kScan && std::count(c.input.begin(), c.input.end(), '"') % 2;
        ASSERT_EQ(boxes + unmatched, app.m_boxes.size());
        if (unmatched) {
            const BoxRecorder::Box& box = app.m_boxes[boxes++];
            EXPECT_EQ(("Unmatched quote in field: " + c.input).substr(0, 400), box.text);
            EXPECT_EQ(UINT(MB_ICONEXCLAMATION | MB_OK), box.type);
            EXPECT_EQ(0u, box.help);
        }
    }
    EXPECT_EQ(3u, boxes);
    EXPECT_EQ("", std::string(MinusExtension(nullptr)));
}

TEST(StringUtilitiesTest, FormatsAreCutAt400Characters)
{
    EXPECT_EQ("ab-7 0x2a", std::string(wformat("%s-%d %#x", "ab", 7, 42)));
    for (size_t length : {0, 399, 400, 401, 450, 100000}) {
        const std::string text(length, 'w');
        EXPECT_EQ(text.substr(0, 400), std::string(wformat("%s", text.c_str()))) << length;
    }
    EXPECT_EQ("", std::string(wformat(static_cast<const char*>(nullptr))));
    EXPECT_EQ("Wheel has 12 buttons", std::string(wformat(1u, "Wheel", 12)));
    EXPECT_EQ("", std::string(wformat(2u, "absent")));
}

// Each call formats on its own: threads formatting at once get their own results.
TEST(StringUtilitiesTest, FormattingOnTwoThreadsDoesNotMix)
{
    int mixed[2] = {0, 0};
    auto run = [&mixed](int who) {
        for (int i = 0; i < 20000; ++i)
            mixed[who] += wformat("%d:%d", who, i) != (std::to_string(who) + ":" + std::to_string(i)).c_str();
    };
    std::thread first(run, 0), second(run, 1);
    first.join();
    second.join();
    EXPECT_EQ(0, mixed[0] + mixed[1]);
}

void Format(char* buffer, int capacity, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatInto(buffer, capacity, format, args);
    va_end(args);
}

// The buffers behind both: every capacity, every input length, guard bytes after.
TEST(StringUtilitiesTest, BoundedBuffersStayInside)
{
    const std::string line = "  \"ab,c\" d ef,rest";
    for (int capacity = 0; capacity <= 12; ++capacity) {
        std::vector<char> buffer(size_t(capacity) + 16, kPoison);
        const FieldScan scan = ScanFieldInto(line.c_str(), int(line.size()), buffer.data(), capacity);
        const std::string field = std::string("ab,c d ef").substr(0, size_t(std::max(capacity - 1, 0)));
        EXPECT_EQ(int(field.size()), scan.length);
        EXPECT_EQ(int(line.find("rest")), scan.rest);
        EXPECT_FALSE(scan.unmatched);
        if (capacity > 0) {
            EXPECT_EQ(field, std::string(buffer.data()));
        }
        EXPECT_EQ(std::string(16, kPoison), std::string(buffer.end() - 16, buffer.end())) << capacity;

        std::fill(buffer.begin(), buffer.end(), kPoison);
        Format(buffer.data(), capacity, "%s=%d", "value", 1234);
        if (capacity > 0) {
            EXPECT_EQ(std::string("value=1234").substr(0, size_t(capacity - 1)), std::string(buffer.data()));
        }
        EXPECT_EQ(std::string(16, kPoison), std::string(buffer.end() - 16, buffer.end())) << capacity;
    }
}

} // namespace
