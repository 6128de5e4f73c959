// CScanner and CTokenizer on their documented sequences and on tens of
// thousands of random texts between guard bytes; CPathName against the C
// runtime (_splitpath, _makepath) and, on files made for the test, against
// OpenFile (OF_PARSE, OF_EXIST) and a search in the documented order.
#include "library/CFUtils.h"
#include "library/Handles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

const char kPoison = '\xbd';
const size_t kGuard = 16;

bool Member(char c, const char* set)
{
    return c != '\0' && set && std::strchr(set, c);
}

// A text between guard bytes, with its original kept for comparison.
struct GuardedText
{
    explicit GuardedText(const std::string& text) : original(text), buffer(text.size() + 1 + 2 * kGuard, kPoison)
    {
        std::memcpy(Text(), text.c_str(), text.size() + 1);
    }
    char* Text() { return &buffer[kGuard]; }
    // The guards hold, and at most nuls bytes of the text differ from the
    // original, each now a NUL.
    bool Intact(int nuls)
    {
        for (size_t i = 0; i < buffer.size(); ++i) {
            const bool inside = i >= kGuard && i <= kGuard + original.size();
            if (buffer[i] != (inside ? original.c_str()[i - kGuard] : kPoison) &&
                (buffer[i] != '\0' || !inside || --nuls < 0))
                return false;
        }
        return true;
    }

    std::string original;
    std::vector<char> buffer;
};

using Seq = std::vector<std::string>;

// The tokens of a copy of text, each with what ended it ('0' for the end).
Seq Tokens(const char* text, const char* skip, const char* stop, const char* delimiters, bool between, size_t count)
{
    std::string copy = text ? text : "";
    CTokenizer tokenizer(text ? &copy[0] : NULL, skip, stop);
    Seq tokens;
    while (tokens.size() < count) {
        const std::string token = between ? tokenizer.nextBetween(delimiters) : tokenizer.next(delimiters);
        tokens.push_back(token + "|" + (tokenizer.lastDelimiter() ? tokenizer.lastDelimiter() : '0'));
    }
    return tokens;
}

TEST(TokenizerTest, DocumentedSequences)
{
    const struct
    {
        const char *text, *skip, *stop, *delimiters;
        bool between;
        Seq tokens;
    } cases[] = {
        {"a , , b", " ", NULL, ",", false, {"a|,", "|,", "b|0", "|0", "|0"}},   // empty fields, then the end
        {"a   b", " ", NULL, " ", false, {"a| ", "b|0", "|0"}},
        {" \t x y \t, z", " \t", NULL, ",", false, {"x y|,", "z|0"}},
        {" a,b;c", " ", ";", NULL, false, {"a,b|;", "|;"}},
        {"a,b;c,d", NULL, ";", ",", false, {"a|,", "b|;", "|;", "|;"}},   // a stop character ends the text
        {"  \"a b \" x", " ", NULL, "\"", true, {"a b |\"", "x|0", "|0"}},
        {" abc\"def\"", " ", NULL, "\"", true, {"abc|\"", "def|\""}},
        {"\"a;b\"", NULL, ";", "\"", true, {"a|;", "|;"}},
        {NULL, " ", ";", ",", false, {"|0"}},
        {NULL, " ", ";", "\"", true, {"|0"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.tokens, Tokens(c.text, c.skip, c.stop, c.delimiters, c.between, c.tokens.size()))
            << (c.text ? c.text : "(null)");
    EXPECT_STREQ("", CTokenizer().next(","));
}

// A token keeps its promises: the guards hold and at most one NUL is
// written; it is the text's own characters, without delimiters or stop
// characters, and (unless taken between delimiters) without skip characters
// at its ends; what ended it is a delimiter, a stop character or the end.
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
        static const char kAlphabet[] = "ab  \t,,;\"x:.\\\xe9\xff";
        std::string text(pick(maxLength + 1), ' ');
        for (char& c : text)
            c = kAlphabet[pick(sizeof kAlphabet - 1)];
        return text;
    };
    // A set of up to two characters, or null.
    auto randomSet = [&](std::string& storage) { return pick(5) == 0 ? NULL : (storage = randomText(2)).c_str(); };

    for (int round = 0; round < 40000; ++round) {
        GuardedText text(randomText(24)), next(randomText(8));
        std::string sets[3];
        const char *skip = randomSet(sets[0]), *stop = randomSet(sets[1]), *delimiters = randomSet(sets[2]);
        SCOPED_TRACE("round " + std::to_string(round) + " text [" + text.original + "]");
        const char* end = text.Text();
        while (*end && !Member(*end, stop))
            ++end;
        // The scanner steps up to the NUL or a stop character and back to the
        // start, never past either; assigning a text keeps the stop characters.
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

/////////////////////////////////////////////////////////////////////////////
// Path names

std::string DropBlanks(const std::string& text)
{
    return text.substr(std::min(text.find_first_not_of(" \t"), text.size()));
}

struct CrtParts
{
    std::string drive, directory, name, extension;
};

// _splitpath's parts, with buffers that hold any part: cut to _splitpath's
// limit of 255 characters as the class cuts them, or whole.
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
    std::string path = std::string(composed.data()).substr(0, MAX_PATH - 1), collapsed;
    for (char c : path)
        if (!(c == '\\' && !collapsed.empty() && collapsed.back() == '\\'))
            collapsed += c;
    return collapsed;
}

// Every getter against _splitpath of the stored text; the pointers are into
// the text, whatever was cut from the parts.
void ExpectPartsAsCrt(const CPathName& path)
{
    const std::string text(path.PathName());
    const CrtParts c = CrtSplit(text), w = CrtSplit(text, false);
    auto s = [](const CString& part) { return std::string(part); };
    EXPECT_EQ((Seq{c.drive, c.directory, c.name, c.extension, c.drive + c.directory, c.name + c.extension,
                   w.name + w.extension, w.extension, c.drive.substr(0, 1)}),
              (Seq{s(path.Drive()), s(path.Directory()), s(path.Name()), s(path.Extension()), s(path.Path()),
                   s(path.FileName()), path.LPFileName(), path.LPExtension(),
                   std::string(path.DriveChar() != 0, path.DriveChar())}))
        << "stored [" << text << "]";
    EXPECT_LE(text.size(), size_t(MAX_PATH - 1));
}

// Path texts: the edges (parts at and past their limits, texts up to and past
// MAX_PATH), then texts generated from drives, network names, mixed
// separators, dots in directories, blanks and tabs in front and inside.
std::vector<std::string> Corpus(unsigned seed, size_t count)
{
    std::vector<std::string> corpus = {
        "", "C:\\" + std::string(253, 'd') + "\\f", "\\" + std::string(298, 'd') + "\\f",
        "C:\\" + std::string(298, 'd') + "\\", std::string(255, 'n') + ".e", std::string(256, 'n') + ".e",
        "n." + std::string(255, 'e'), "C:\\" + std::string(200, 'a') + "\\" + std::string(200, 'b') + ".txt",
        std::string(259, 'x'), std::string(260, 'x'), std::string(4096, 'x')};
    static const std::vector<std::string> leads = {"", "", " ", "\t", " \t  "};
    static const std::vector<std::string> roots = {"", "", "C:", "c:", "z:", "C:\\", "\\\\server\\share",
                                                   "//host/share", ":", "1:", "\\\\\\", "/"};
    static const std::vector<std::string> segments = {"a", "dir", "b.c", "..", ".", "d e", " lead", "x.y.z", "",
                                                      "\t t", "long.name.with.dots", std::string(120, 's')};
    static const std::vector<std::string> separators = {"\\", "/", "\\\\", "/\\", "\\/"};
    static const std::vector<std::string> names = {"", "file", "f.e.g", ".hidden", "n ", " n", "a b", "*",
                                                   std::string(300, 'n')};
    static const std::vector<std::string> extensions = {"", ".txt", ".", ".tar.gz", ". x", ".\t"};
    std::mt19937 rng(seed);
    auto pick = [&](const std::vector<std::string>& from) { return from[rng() % from.size()]; };
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

// On top of the C runtime the class cuts each part to _splitpath's limit,
// drops leading blanks and tabs, cuts the composed path at MAX_PATH - 1
// characters and collapses runs of backslashes; it never writes to its
// arguments.
TEST(PathNameCrtTest, PartsAreTheCrtsAndSettersComposeAsMakepath)
{
    const std::vector<std::string> texts = Corpus(7, 6000), givens = Corpus(11, 6000);
    for (size_t i = 0; i < texts.size(); ++i) {
        const std::string &text = texts[i], &given = givens[i], whole = DropBlanks(given);
        SCOPED_TRACE("text [" + text + "] given [" + given + "]");
        GuardedText guardedText(text), guardedGiven(given);
        const CPathName original(text.empty() ? NULL : guardedText.Text());
        const char* arg = given.empty() ? NULL : guardedGiven.Text();
        ASSERT_EQ(Expected(CrtSplit(DropBlanks(text))), std::string(original.PathName()));
        ExpectPartsAsCrt(original);

        const CrtParts a = CrtSplit(std::string(original.PathName())), b = CrtSplit(whole);
        using Setter = CPathName& (CPathName::*)(const char*);
        auto after = [&](Setter set) {
            CPathName path(original);
            return std::string((path.*set)(arg).PathName());
        };
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

        ASSERT_TRUE(guardedText.Intact(0) && guardedGiven.Intact(0));
        if (HasFailure())
            return;
    }
}

// A directory loses its trailing backslash (only a backslash, not a root's);
// the parent of a file is its directory, of a directory the one above.
TEST(PathNameTest, FileFormsAndParents)
{
    const char* const cases[][3] = {   // path, ForceFile, ToParent
        {"C:\\a\\b.txt", "C:\\a\\b.txt", "C:\\a\\"}, {"C:\\a\\b\\", "C:\\a\\b", "C:\\a\\"}, {"C:\\a", "C:\\a", "C:\\"},
        {"C:\\", "C:\\", "C:\\"}, {"\\", "\\", "\\"}, {"C:\\a/", "C:\\a/", "C:\\a/"}, {"", "", ""}};
    for (const auto& c : cases) {
        CPathName path(c[0]);
        EXPECT_STREQ(c[2], path.Parent()) << c[0];
        EXPECT_STREQ(c[0], path.PathName());
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

// Directories (ending in a backslash) and empty files in the temporary
// directory, with the tree's "cwd" as current directory while it lives.
class FileTreeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // What a crashed run (of a planted fault, say) left under this name goes first.
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
        for (const char* path : {"", "cwd\\", "cwd\\adir\\", "cwd\\here.txt", "cwd\\caf\xe9.txt", "cwd\\locked.txt",
                                 "search\\", "search\\here.txt", "search\\inroot.txt", "search\\one\\",
                                 "search\\one\\inone.txt", "search\\one\\both.txt", "search\\one\\caf\xe9.txt",
                                 "search\\two\\", "search\\two\\both.txt", "search\\two\\sub.dir\\",
                                 "search\\two\\sub.dir\\deep.txt"}) {
            const std::string made = m_root + path;
            ASSERT_TRUE(made.back() == '\\' ? CreateDirectoryA(made.c_str(), NULL) : bool(std::ofstream(made))) << made;
        }
        // Held without sharing: found by name, yet it does not open.
        m_locked.reset(CreateFileA((m_root + "cwd\\locked.txt").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL));
        ASSERT_TRUE(m_locked && GetCurrentDirectoryA(MAX_PATH, m_savedDirectory) &&
                    SetCurrentDirectoryA((m_root + "cwd").c_str()));
    }
    void TearDown() override
    {
        m_locked.reset();
        SetCurrentDirectoryA(m_savedDirectory);
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }

    const std::string m_root = [] {
        char temp[MAX_PATH] = "";
        GetTempPathA(MAX_PATH, temp);
        return temp + ("cfu_text_" + std::to_string(GetCurrentProcessId())) + "\\";
    }();
    char m_savedDirectory[MAX_PATH] = {};
    cfu::unique_hfile m_locked;
};

// OpenFile gives up past 127 characters; the class goes on to MAX_PATH, and
// past it leaves the path as it was.
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
    EXPECT_EQ("", OpenFileAnswer(longer, OF_PARSE));
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
            const std::string unchanged(CPathName(text.c_str()).PathName());
            EXPECT_EQ(found.empty() ? unchanged : found, std::string(path.PathName()));
        }
    }
    CPathName noList("inone.txt");
    noList.SetSearchPath(search.c_str(), NULL);
    EXPECT_EQ(FALSE, noList.FindFile());
}

} // namespace
