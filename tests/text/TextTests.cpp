// CScanner and CTokenizer on documented sequences and random texts between guard bytes; CPathName against
// _splitpath, _makepath, OpenFile and the documented search on files made for it; the string utilities.
#include "library/CFUtils.h"
#include "library/Handles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

const std::string kGuard(16, '\xbd');

bool Member(char c, const char* set) { return c != '\0' && set && std::strchr(set, c); }

// A text between guard bytes, with its original kept for comparison.
struct GuardedText
{
    explicit GuardedText(const std::string& text) : original(text), buffer(Guarded(text)) {}
    static std::string Guarded(const std::string& text) { return kGuard + text + '\0' + kGuard; }
    char* Text() { return &buffer[kGuard.size()]; }
    // The guards hold, and at most nuls bytes of the text differ from the original, each now a NUL.
    bool Intact(int nuls) const
    {
        const std::string expected = Guarded(original);
        for (size_t i = 0, g = kGuard.size(); i < buffer.size(); ++i)
            if (buffer[i] != expected[i] && (buffer[i] != '\0' || i < g || i > g + original.size() || --nuls < 0))
                return false;
        return true;
    }

    std::string original, buffer;
};

using Seq = std::vector<std::string>;

// Each call's token with what ended it ('0' for the end).
TEST(TokenizerTest, DocumentedSequences)
{
    const std::tuple<const char*, const char*, const char*, const char*, bool, Seq> cases[] = {
        // text, skip, stop, delimiters, between, tokens
        {"a , , b", " ", NULL, ",", false, {"a|,", "|,", "b|0", "|0", "|0"}},   // empty fields, then the end
        {"a   b", " ", NULL, " ", false, {"a| ", "b|0", "|0"}},
        {" \t x y \t, z", " \t", NULL, ",", false, {"x y|,", "z|0"}},
        {" a,b;c", " ", ";", NULL, false, {"a,b|;", "|;"}},
        {"a,b;c,d", NULL, ";", ",", false, {"a|,", "b|;", "|;", "|;"}},   // a stop character ends the text
        {"  \"a b \" x", " ", NULL, "\"", true, {"a b |\"", "x|0", "|0"}},
        {" abc\"def\"", " ", NULL, "\"", true, {"abc|\"", "def|\""}},
        {"\"a;b\"", NULL, ";", "\"", true, {"a|;", "|;"}},
        {NULL, " ", ";", ",", false, {"|0"}},
    };
    for (const auto& [text, skip, stop, delimiters, between, tokens] : cases) {
        std::string copy = text ? text : "";
        CTokenizer tokenizer(text ? &copy[0] : NULL, skip, stop);
        Seq got;
        while (got.size() < tokens.size()) {
            const std::string token = between ? tokenizer.nextBetween(delimiters) : tokenizer.next(delimiters);
            got.push_back(token + "|" + (tokenizer.lastDelimiter() ? tokenizer.lastDelimiter() : '0'));
        }
        EXPECT_EQ(tokens, got) << (text ? text : "(null)");
    }
    EXPECT_STREQ("", CTokenizer().next(","));
}

// A token keeps its promises: the guards hold and at most one NUL is written; it is the text's own
// characters, without delimiters or stop characters, and (unless taken between delimiters) without skip
// characters at its ends; what ended it is a delimiter, a stop character or the end.
bool Kept(GuardedText& text, const char* token, char delimiter, bool between, const char* delimiters,
          const char* skip, const char* stop)
{
    const size_t length = std::strlen(token), at = size_t(token - text.Text());
    auto ends = [&](char c) { return Member(c, delimiters) || Member(c, stop); };
    return text.Intact(1) && token >= text.Text() && at + length <= text.original.size() &&
           text.original.compare(at, length, token, length) == 0 && (delimiter == '\0' || ends(delimiter)) &&
           std::none_of(token, token + length, ends) &&
           (between || length == 0 || !(Member(token[0], skip) || Member(token[length - 1], skip)));
}

TEST(TokenizerRandomTest, TextComesBackWholeAndTokensStayInside)
{
    std::mt19937 rng(20240607);
    auto pick = [&](size_t n) { return size_t(rng() % n); };
    auto randomText = [&](size_t maxLength) {
        std::string text(pick(maxLength + 1), ' ');
        for (char& c : text)
            c = "ab  \t,,;\"x:.\\\xe9\xff"[pick(15)];
        return text;
    };
    // A set of up to two characters, or null.
    auto randomSet = [&](std::string& storage) { return pick(5) == 0 ? NULL : (storage = randomText(2)).c_str(); };

    for (int round = 0; round < 40000; ++round) {
        GuardedText text(randomText(24)), next(randomText(8));
        std::string sets[3];
        const char *skip = randomSet(sets[0]), *stop = randomSet(sets[1]), *delimiters = randomSet(sets[2]);
        SCOPED_TRACE("round " + std::to_string(round) + " text [" + text.original + "]");
        const char* end = text.Text() + std::min(text.original.find_first_of(stop ? stop : ""), text.original.size());
        // The scanner steps up to the NUL or a stop character and back to the start, never past either;
        // assigning a text keeps the stop characters.
        CScanner scanner;
        scanner.restart(next.Text(), stop);
        scanner = text.Text();
        for (const char* before = NULL; before != scanner.current();)
            before = scanner++;
        ASSERT_EQ(end, scanner.current());
        for (const char* before = NULL; before != scanner.current();)
            before = scanner--;
        ASSERT_EQ(text.Text(), scanner.current());
        {
            CTokenizer tokenizer(text.Text(), skip, stop);
            const char* previousEnd = text.Text();
            for (size_t call = 0; call < text.original.size() + 3; ++call) {
                const bool between = pick(3) == 0;
                const char* token = between ? tokenizer.nextBetween(delimiters) : tokenizer.next(delimiters);
                ASSERT_TRUE(Kept(text, token, tokenizer.lastDelimiter(), between, delimiters, skip, stop)) << call;
                ASSERT_GE(token, previousEnd) << "tokens went backwards";
                previousEnd = token + std::strlen(token);
                if (pick(8) == 0) {
                    tokenizer.terminate();
                    ASSERT_TRUE(text.Intact(0)) << "terminate left the text changed";
                }
                if (pick(16) == 0)
                    tokenizer.changeSkipChars(skip = randomSet(sets[0]));
            }
            tokenizer.restart(next.Text(), skip, stop);
            ASSERT_TRUE(text.Intact(0)) << "restart left the previous text changed";
            // Binding skips the leading skip characters.
            const size_t first = std::min(next.original.find_first_not_of(skip ? skip : ""), next.original.size());
            ASSERT_EQ(next.Text() + first, tokenizer.current());
            tokenizer.next(delimiters);
        }
        ASSERT_TRUE(next.Intact(0)) << "the destructor left the text changed";
    }
}

std::string DropBlanks(const std::string& s) { return s.substr(std::min(s.find_first_not_of(" \t"), s.size())); }

struct CrtParts { std::string drive, directory, name, extension; };

// _splitpath's parts, with buffers that hold any part: cut to its 255 characters as the class cuts them, or whole.
CrtParts CrtSplit(const std::string& text, bool cut = true)
{
    std::vector<char> drive(3), directory(text.size() + 1), name(text.size() + 1), extension(text.size() + 1);
    EXPECT_EQ(0, _splitpath_s(text.c_str(), drive.data(), drive.size(), directory.data(), directory.size(),
                              name.data(), name.size(), extension.data(), extension.size()));
    const size_t limit = cut ? _MAX_DIR - 1 : std::string::npos;
    return {drive.data(), std::string(directory.data()).substr(0, limit), std::string(name.data()).substr(0, limit),
            std::string(extension.data()).substr(0, limit)};
}

// What the class should store for these parts.
std::string Expected(const CrtParts& parts)
{
    std::vector<char> composed(parts.directory.size() + parts.name.size() + parts.extension.size() + 8);
    _makepath(composed.data(), DropBlanks(parts.drive).c_str(), DropBlanks(parts.directory).c_str(),
              DropBlanks(parts.name).c_str(), DropBlanks(parts.extension).c_str());
    std::string path = std::string(composed.data()).substr(0, MAX_PATH - 1);
    path.erase(std::unique(path.begin(), path.end(), [](char a, char b) { return a == '\\' && b == a; }), path.end());
    return path;
}

// Path texts: the edges (parts at and past their limits, texts up to and past MAX_PATH), then texts generated
// from drives, network names, mixed separators, dots in directories, blanks and tabs in front and inside.
std::vector<std::string> Corpus(unsigned seed, size_t count)
{
    std::vector<std::string> corpus = {
        "", "C:\\" + std::string(253, 'd') + "\\f", "\\" + std::string(298, 'd') + "\\f",
        "C:\\" + std::string(298, 'd') + "\\", std::string(255, 'n') + ".e", std::string(256, 'n') + ".e",
        "n." + std::string(255, 'e'), "C:\\" + std::string(200, 'a') + "\\" + std::string(200, 'b') + ".txt",
        std::string(259, 'x'), std::string(260, 'x'), std::string(4096, 'x')};
    using Words = std::vector<std::string>;
    static const Words leads = {"", "", " ", "\t", " \t  "}, separators = {"\\", "/", "\\\\", "/\\", "\\/"},
                       roots = {"", "", "C:", "c:", "z:", "C:\\", "\\\\server\\share", "//host/share", ":", "1:",
                                "\\\\\\", "/"},
                       segments = {"a", "dir", "b.c", "..", ".", "d e", " lead", "x.y.z", "", "\t t",
                                   "long.name.with.dots", std::string(120, 's')},
                       names = {"", "file", "f.e.g", ".hidden", "n ", " n", "a b", "*", std::string(300, 'n')},
                       extensions = {"", ".txt", ".", ".tar.gz", ". x", ".\t"};
    std::mt19937 rng(seed);
    auto pick = [&](const Words& from) { return from[rng() % from.size()]; };
    while (corpus.size() < count) {
        std::string text = pick(leads) + pick(roots);
        for (size_t n = rng() % 5; n > 0; --n)
            text += pick(separators) + pick(segments);
        if (rng() % 2 == 0)
            text += pick(separators);
        corpus.push_back(text + pick(names) + pick(extensions));
    }
    return corpus;
}

// On top of the C runtime the class cuts each part to _splitpath's limit, drops leading blanks and tabs, cuts
// the composed path at MAX_PATH - 1 characters and collapses runs of backslashes; it never writes to its arguments.
TEST(PathNameCrtTest, PartsAreTheCrtsAndSettersComposeAsMakepath)
{
    const std::vector<std::string> texts = Corpus(7, 6000), givens = Corpus(11, 6000);
    for (size_t i = 0; i < texts.size(); ++i) {
        const std::string &text = texts[i], &given = givens[i], whole = DropBlanks(given);
        SCOPED_TRACE("text [" + text + "] given [" + given + "]");
        GuardedText guardedText(text), guardedGiven(given);
        const CPathName original(text.empty() ? NULL : guardedText.Text());
        const char* arg = given.empty() ? NULL : guardedGiven.Text();
        const std::string stored(original.PathName());
        ASSERT_EQ(Expected(CrtSplit(DropBlanks(text))), stored);
        // Every getter against _splitpath of the stored text; the pointers are into the text, whatever was cut.
        const CrtParts a = CrtSplit(stored), w = CrtSplit(stored, false), b = CrtSplit(whole);
        auto s = [](const CString& part) { return std::string(part); };
        EXPECT_EQ((Seq{a.drive, a.directory, a.name, a.extension, a.drive + a.directory, a.name + a.extension,
                       w.name + w.extension, w.extension, a.drive.substr(0, 1)}),
                  (Seq{s(original.Drive()), s(original.Directory()), s(original.Name()), s(original.Extension()),
                       s(original.Path()), s(original.FileName()), original.LPFileName(), original.LPExtension(),
                       std::string(original.DriveChar() != 0, original.DriveChar())}));

        using Setter = CPathName& (CPathName::*)(const char*);
        auto after = [&](Setter set) { return std::string((CPathName(original).*set)(arg).PathName()); };
        EXPECT_EQ(Expected({b.drive, b.directory, a.name, a.extension}), after(&CPathName::Path));
        EXPECT_EQ(Expected({a.drive, a.directory, b.name, b.extension}), after(&CPathName::FileName));
        const std::string part = whole.substr(0, _MAX_DIR - 1);   // a whole part is cut as a split one
        EXPECT_EQ(Expected({whole, a.directory, a.name, a.extension}), after(&CPathName::Drive));
        EXPECT_EQ(Expected({a.drive, part, a.name, a.extension}), after(&CPathName::Directory));
        EXPECT_EQ(Expected({a.drive, a.directory, part, a.extension}), after(&CPathName::Name));
        EXPECT_EQ(Expected({a.drive, a.directory, a.name, part}), after(&CPathName::Extension));
        EXPECT_EQ(Expected({std::string{given[0], ':'}, a.directory, a.name, a.extension}),
                  std::string(CPathName(original).Drive(given[0]).PathName()));
        EXPECT_EQ(Expected({a.drive, a.directory + a.name + a.extension, "", ""}),
                  std::string(CPathName(original).ForceDirectory().PathName()));

        ASSERT_TRUE(guardedText.Intact(0) && guardedGiven.Intact(0) && !HasFailure());
    }
}

// A directory loses its trailing backslash (only a backslash, not a root's); the parent of a file is its
// directory, of a directory the one above.
TEST(PathNameTest, FileFormsAndParents)
{
    const char* const cases[][3] = {   // path, ForceFile, ToParent
        {"C:\\a\\b.txt", "C:\\a\\b.txt", "C:\\a\\"}, {"C:\\a\\b\\", "C:\\a\\b", "C:\\a\\"}, {"C:\\a", "C:\\a", "C:\\"},
        {"C:\\", "C:\\", "C:\\"}, {"\\", "\\", "\\"}, {"C:\\a/", "C:\\a/", "C:\\a/"}, {"", "", ""}};
    for (const auto& c : cases) {
        CPathName path(c[0]);
        EXPECT_STREQ(c[2], path.Parent()) << c[0];
        EXPECT_STREQ(c[1], CPathName(path).ForceFile().PathName()) << c[0];
        EXPECT_STREQ(c[2], path.ToParent().PathName()) << c[0];
    }
}

// What OpenFile makes of a name, or "" on failure.
std::string OpenFileAnswer(const std::string& name, UINT style)
{
    OFSTRUCT of = {};
    of.cBytes = sizeof of;
    return OpenFile(name.c_str(), &of, style) == HFILE_ERROR ? "" : of.szPathName;
}

// Directories (ending in a backslash) and empty files in the temporary directory, "cwd" current while it lives.
class FileTreeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TearDown();   // what a crashed run (of a planted fault, say) left under this name goes first
        for (const char* path : {"", "cwd\\", "cwd\\adir\\", "cwd\\here.txt", "cwd\\caf\xe9.txt", "cwd\\locked.txt",
                                 "search\\", "search\\here.txt", "search\\inroot.txt", "search\\one\\",
                                 "search\\one\\inone.txt", "search\\one\\both.txt", "search\\one\\caf\xe9.txt",
                                 "search\\two\\", "search\\two\\both.txt", "search\\two\\sub.dir\\",
                                 "search\\two\\sub.dir\\deep.txt"}) {
            const std::string made = m_root + path;
            ASSERT_TRUE(made.back() == '\\' ? CreateDirectoryA(made.c_str(), NULL) : bool(std::ofstream(made))) << made;
        }
        // Held without sharing: found by name, yet it does not open.
        m_locked.reset(CreateFileA((m_root + "cwd\\locked.txt").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0,
                                   NULL));
        ASSERT_TRUE(m_locked && SetCurrentDirectoryA((m_root + "cwd").c_str()));
    }
    void TearDown() override
    {
        m_locked.reset();
        SetCurrentDirectoryA(m_saved.c_str());
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }

    const std::string m_saved = std::filesystem::current_path().string(),
                      m_root = (std::filesystem::temp_directory_path() /
                                ("cfu_text_" + std::to_string(GetCurrentProcessId()))).string() + "\\";
    cfu::unique_hfile m_locked;
};

// OpenFile gives up past 127 characters; the class goes on to MAX_PATH, and past it leaves the path as it was.
TEST_F(FileTreeTest, FullPathAsOpenFileParse)
{
    for (const char* text : {"here.txt", "missing.txt", "adir\\", "..\\x\\y.z", ".\\a\\..\\b.txt", "C:\\a\\.\\b\\", "",
                             "sub/dir/f.txt", "\\rooted.txt", "caf\xe9.txt", "..", "D:rel\\f"}) {
        SCOPED_TRACE(text);
        CPathName path(text);
        // A directory goes to OpenFile as "*.*" in it; the class keeps its backslash.
        const bool directory = path.FileName().IsEmpty();
        std::string expected = OpenFileAnswer(std::string(path.PathName()) + (directory ? "*.*" : ""), OF_PARSE);
        expected.resize(expected.size() - (directory ? 3 : 0));
        EXPECT_EQ(TRUE, path.FullPath());
        EXPECT_EQ(expected, std::string(path.PathName()));
    }
    const std::string longer = std::string(150, 'r') + "\\f.txt", past = std::string(240, 'r') + "\\";
    for (const auto& [text, made, stored] : {std::tuple{longer, TRUE, m_root + "cwd\\" + longer},
                                             {past + "f.txt", FALSE, past + "f.txt"}, {past, FALSE, past}}) {
        CPathName path(text.c_str());
        EXPECT_EQ(made, path.FullPath());
        EXPECT_EQ(stored, std::string(path.PathName()));
    }
}

TEST_F(FileTreeTest, FindFileTriesEachPlaceInOrder)
{
    const char* dirs[] = {"one", "two\\sub.dir", "two", NULL};
    const std::string search = m_root + "search\\", none;
    const std::pair<std::string, std::string> cases[] = {
        {"here.txt", m_root + "cwd\\here.txt"},                // as it is, before the search root
        {"Q:\\nowhere\\inroot.txt", search + "inroot.txt"},    // search root + name
        {"inone.txt", search + "one\\inone.txt"},
        {"both.txt", search + "one\\both.txt"},                // list order
        {"deep.txt", search + "two\\sub.dir\\deep.txt"},       // an entry without its backslash
        {"x:\\caf\xe9.txt", search + "one\\caf\xe9.txt"},
        {"notepad.exe", OpenFileAnswer("notepad.exe", OF_EXIST)},   // the system's search
        {"missing.zzz", none}, {"adir\\", none}, {"", none},   // a directory never opens,
        {"system32", none},                                    // even one the system's search finds,
        {"locked.txt", none},                                  // nor a file held without sharing
    };
    for (const char* root : {"", "..\\search\\"}) {
        for (const auto& [text, found] : cases) {
            SCOPED_TRACE("root [" + std::string(root) + "] text [" + text + "]");
            CPathName path(text.c_str());
            EXPECT_EQ(TRUE, path.SetSearchPath(*root ? root : search.c_str(), dirs));
            EXPECT_EQ(found.empty() ? FALSE : TRUE, path.FindFile());
            EXPECT_EQ(found.empty() ? text : found, std::string(path.PathName()));   // unfound: left as it was
        }
    }
    CPathName noList("inone.txt");
    noList.SetSearchPath(search.c_str(), NULL);
    EXPECT_EQ(FALSE, noList.FindFile());
}

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

// rest: the line after a scan; width: CenterPunched's.
struct Case { Op op; std::string input, result, rest = {}; int width = 0; };

const std::string k20 = "abcdefghijklmnopqrst", kLong(600, 'x'), kHeld(511, 'x');

const Case kCases[] = {
    {kScan, "a,b,c", "a", "b,c"}, {kScan, "\"x, y\",z", "x, y", "z"}, {kScan, ",b", "", "b"},
    {kScan, "   a\t ,b", "a\t ", "b"},                      // blanks kept once a character is
    {kScan, "\"\"a\"\" b", "a b", ""},                     // no escape: "" copies nothing
    {kScan, "\" a", "a", ""},                                // unmatched: a box
    {kScan, " " + kLong + ",rest", kHeld, "rest"},           // cut, and the scan goes on to the comma
    {kScan, "\"" + kLong, kHeld, ""},                        // the box text is cut at 400
    {kScanKeep, "a/b\\c,d", "a/b\\c", "d"},
    {kScanKeep, "\" a", "", "\" a"},                         // unmatched: nothing taken, no box
    {kPunch, k20, "abcd...qrst", "", 11}, {kPunch, k20, "abc...rst", "", 10},
    {kPunch, k20, k20, "", 20}, {kPunch, k20, "...", "", INT_MIN},
    {kExtension, "C:\\dir.d\\file", "C:\\dir.d\\file"}, {kExtension, "archive.tar.gz", "archive.tar"},
    {kExtension, ".profile", ""},
    {kExtension, "a.b/c", "a"},                              // a slash is not looked at
    {kPath, "x\\y/z.txt", "y/z.txt"}, {kPath, "a:b:c", "b:c"}, {kPath, "d/e.txt", "e.txt"},
};

TEST(StringUtilitiesTest, Table)
{
    BoxRecorder app;
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
    }
    // A box for each line that ends inside quotes, and only from ScanField.
    const std::string box = "Unmatched quote in field: \"";
    EXPECT_EQ((Seq{box + " a|48|0", (box + kLong).substr(0, 400) + "|48|0"}), app.boxes);
    EXPECT_EQ("", std::string(MinusExtension(nullptr)));
}

// The cut at 400 characters shows in the table's box for a long unmatched field.
TEST(StringUtilitiesTest, FormatsTakeStringIdsAndEachThreadHasItsOwnBuffer)
{
    EXPECT_EQ("", std::string(wformat(static_cast<const char*>(nullptr))));
    EXPECT_EQ("Wheel has 12 buttons", std::string(wformat(1u, "Wheel", 12)));
    EXPECT_EQ("", std::string(wformat(2u, "absent")));
    // With one shared buffer, two threads formatting at once would mix their results.
    auto mixed = [](int who) {
        int count = 0;
        for (int i = 0; i < 20000; ++i)
            count += wformat("%d:%d", who, i) != (std::to_string(who) + ":" + std::to_string(i)).c_str();
        return count;
    };
    auto other = std::async(std::launch::async, mixed, 1);
    EXPECT_EQ(0, mixed(0) + other.get());
}

} // namespace
