// CPathName's parts and composition. The C runtime is the oracle: _splitpath
// splits and _makepath composes; on top the class drops leading blanks and
// tabs, collapses runs of backslashes and cuts at MAX_PATH - 1 characters.
#include "library/CFUtils.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Str(const CString& s)
{
    return std::string(s, s.GetLength());
}

std::string DropBlanks(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos ? "" : text.substr(first);
}

struct CrtParts
{
    std::string drive, directory, name, extension;
};

CrtParts CrtSplit(const std::string& text)
{
    char drive[_MAX_DRIVE], directory[_MAX_DIR], name[_MAX_FNAME], extension[_MAX_EXT];
    errno = 0;
    _splitpath(text.c_str(), drive, directory, name, extension);
    EXPECT_EQ(0, errno) << "corpus text past _splitpath's limits: " << text;
    return {drive, directory, name, extension};
}

// What the class should store for these parts.
std::string Expected(const CrtParts& parts)
{
    char composed[1024];
    _makepath(composed, DropBlanks(parts.drive).c_str(), DropBlanks(parts.directory).c_str(),
              DropBlanks(parts.name).c_str(), DropBlanks(parts.extension).c_str());
    std::string path(composed, std::min<size_t>(std::strlen(composed), MAX_PATH - 1));
    std::string collapsed;
    for (char c : path)
        if (!(c == '\\' && !collapsed.empty() && collapsed.back() == '\\'))
            collapsed += c;
    return collapsed;
}

// Every getter against _splitpath of the stored text.
void ExpectPartsAsCrt(const CPathName& path)
{
    const std::string text = Str(path.PathName());
    SCOPED_TRACE("stored [" + text + "]");
    const CrtParts crt = CrtSplit(text);
    EXPECT_EQ(crt.drive, Str(path.Drive()));
    EXPECT_EQ(crt.directory, Str(path.Directory()));
    EXPECT_EQ(crt.name, Str(path.Name()));
    EXPECT_EQ(crt.extension, Str(path.Extension()));
    EXPECT_EQ(crt.drive + crt.directory, Str(path.Path()));
    EXPECT_EQ(crt.name + crt.extension, Str(path.FileName()));
    EXPECT_EQ(crt.name + crt.extension, std::string(path.LPFileName()));
    EXPECT_EQ(path.LPFileName() + crt.name.size(), path.LPExtension());
    EXPECT_EQ(crt.drive.empty() ? '\0' : crt.drive[0], path.DriveChar());
}

// Path texts from drives, network names, mixed separators, dots in
// directories, blanks and tabs in front and inside.
class PathCorpus
{
public:
    explicit PathCorpus(unsigned seed) : m_rng(seed) {}

    std::string Next()
    {
        static const std::vector<std::string> leads = {"", "", " ", "\t", " \t  "};
        static const std::vector<std::string> roots = {"", "", "C:", "c:", "z:", "C:\\", "\\\\server\\share",
                                                       "//host/share", ":", "1:", "\\\\\\", "/"};
        static const std::vector<std::string> segments = {"a", "dir", "b.c", "..", ".", "d e", " lead",
                                                          "x.y.z", "", "\t t", "long.name.with.dots"};
        static const std::vector<std::string> separators = {"\\", "/", "\\\\", "/\\", "\\/"};
        static const std::vector<std::string> names = {"", "file", "f.e.g", ".hidden", "n ", " n", "a b", "*"};
        static const std::vector<std::string> extensions = {"", ".txt", ".", ".tar.gz", ". x", ".\t"};

        std::string text = Pick(leads) + Pick(roots);
        for (size_t n = Pick(5); n > 0; --n)
            text += Pick(separators) + Pick(segments);
        if (Pick(2) == 0)
            text += Pick(separators);
        return text + Pick(names) + Pick(extensions);
    }
    template <class T>
    const T& Pick(const std::vector<T>& from) { return from[Pick(from.size())]; }
    size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(m_rng); }

private:
    std::mt19937 m_rng;
};

/////////////////////////////////////////////////////////////////////////////
// Documented cases

TEST(PathName, NormalForm)
{
    EXPECT_STREQ("C:\\a\\b\\file.txt", CPathName("  C:\\a\\\\b\\file.txt").PathName());
    EXPECT_STREQ("\\server\\share\\f.txt", CPathName("\\\\server\\share\\f.txt").PathName());
    EXPECT_STREQ("", CPathName(NULL).PathName());
    EXPECT_STREQ("", CPathName().PathName());
    EXPECT_STREQ("C:\\a\\b.txt", CPathName("C:\\a\\ \t b.txt").PathName());   // the name's blanks
}

TEST(PathName, Getters)
{
    const CPathName path("C:\\a\\b.txt");
    EXPECT_STREQ("C:\\a\\", path.Path());
    EXPECT_STREQ("b.txt", path.FileName());
    EXPECT_STREQ("C:", path.Drive());
    EXPECT_STREQ("\\a\\", path.Directory());
    EXPECT_STREQ("b", path.Name());
    EXPECT_STREQ(".txt", path.Extension());
    EXPECT_STREQ("b.txt", path.LPFileName());
    EXPECT_STREQ(".txt", path.LPExtension());
    EXPECT_EQ('C', path.DriveChar());

    EXPECT_EQ('\0', CPathName("\\a\\b.txt").DriveChar());
    EXPECT_EQ('c', CPathName("c:\\x").DriveChar());
    const CPathName dotted("C:\\a.b\\file");
    EXPECT_EQ('\0', *dotted.LPExtension());
    EXPECT_EQ(dotted.LPFileName() + 4, dotted.LPExtension());
}

TEST(PathName, Setters)
{
    const char* const file = "C:\\a\\b.txt";
    EXPECT_STREQ("\\x\\b.txt", CPathName(file).Path("\\x\\").PathName());
    EXPECT_STREQ("C:\\x\\b.txt", CPathName(file).Path("C:\\x\\y").PathName());
    EXPECT_STREQ("d:\\a\\b.txt", CPathName(file).Drive('d').PathName());
    EXPECT_STREQ("E:\\a\\b.txt", CPathName(file).Drive("E:\\x").PathName());
    EXPECT_STREQ("\\a\\b.txt", CPathName(file).Drive('\0').PathName());
    EXPECT_STREQ("C:\\a\\b.log", CPathName(file).Extension("log").PathName());
    EXPECT_STREQ("C:\\a\\b.log", CPathName(file).Extension(".log").PathName());
    EXPECT_STREQ("C:\\a\\b", CPathName(file).Extension(NULL).PathName());
    EXPECT_STREQ("C:\\a\\x.y.txt", CPathName(file).Name("x.y").PathName());
    EXPECT_STREQ("C:\\new\\b.txt", CPathName(file).Directory("\\new").PathName());
    EXPECT_STREQ("C:\\a\\", CPathName(file).FileName("").PathName());
    EXPECT_STREQ("C:\\a\\c.d", CPathName(file).FileName("Q:\\z\\c.d").PathName());
    EXPECT_STREQ("", CPathName(file).PathName(NULL).PathName());

    CPathName chained(file);
    EXPECT_EQ(&chained, &chained.Name("n").Extension("e").Drive('z'));
    EXPECT_STREQ("z:\\a\\n.e", chained.PathName());
}

TEST(PathName, DirectoryAndFileForms)
{
    CPathName path("C:\\a\\b.txt");
    EXPECT_STREQ("C:\\a\\b.txt\\", path.ForceDirectory().PathName());
    EXPECT_STREQ("C:\\a\\b.txt", path.ForceFile().PathName());
    EXPECT_STREQ("C:\\a\\b.txt", path.ForceFile().PathName());
    EXPECT_STREQ("C:\\a\\", CPathName("C:\\a\\").ForceDirectory().PathName());
    EXPECT_STREQ("C:\\", CPathName("C:\\").ForceFile().PathName());
    EXPECT_STREQ("\\", CPathName("\\").ForceFile().PathName());
    EXPECT_STREQ("C:\\a/", CPathName("C:\\a/").ForceFile().PathName());   // only a backslash goes

    EXPECT_STREQ("C:\\a\\", CPathName("C:\\a\\b.txt").ToParent().PathName());
    EXPECT_STREQ("C:\\a\\", CPathName("C:\\a\\b\\").ToParent().PathName());
    EXPECT_STREQ("C:\\", CPathName("C:\\a").ToParent().PathName());
    EXPECT_STREQ("C:\\", CPathName("C:\\").ToParent().PathName());

    const CPathName directory("C:\\a\\b\\");
    EXPECT_STREQ("C:\\a\\", directory.Parent());
    EXPECT_STREQ("C:\\a\\b\\", directory.PathName());
}

/////////////////////////////////////////////////////////////////////////////
// The C runtime as oracle

TEST(PathNameCrt, PartsOfGeneratedPathsAreTheCrtsParts)
{
    PathCorpus corpus(7);
    for (int i = 0; i < 6000; ++i) {
        const std::string text = corpus.Next();
        SCOPED_TRACE("text [" + text + "]");
        const CPathName path(text.c_str());
        ASSERT_EQ(Expected(CrtSplit(DropBlanks(text))), Str(path.PathName()));
        ExpectPartsAsCrt(path);
        if (HasFailure())
            return;
    }
}

TEST(PathNameCrt, SettersComposeAsMakepath)
{
    PathCorpus corpus(11);
    for (int i = 0; i < 3000; ++i) {
        const std::string current = corpus.Next(), given = corpus.Next();
        SCOPED_TRACE("current [" + current + "] given [" + given + "]");
        const CPathName original(current.c_str());
        const CrtParts a = CrtSplit(Str(original.PathName()));
        const CrtParts b = CrtSplit(DropBlanks(given));
        const std::string whole = DropBlanks(given);
        const char* arg = given.c_str();

        EXPECT_EQ(Expected({b.drive, b.directory, a.name, a.extension}), Str(CPathName(original).Path(arg).PathName()));
        EXPECT_EQ(Expected({a.drive, a.directory, b.name, b.extension}), Str(CPathName(original).FileName(arg).PathName()));
        EXPECT_EQ(Expected({whole, a.directory, a.name, a.extension}), Str(CPathName(original).Drive(arg).PathName()));
        EXPECT_EQ(Expected({a.drive, whole, a.name, a.extension}), Str(CPathName(original).Directory(arg).PathName()));
        EXPECT_EQ(Expected({a.drive, a.directory, whole, a.extension}), Str(CPathName(original).Name(arg).PathName()));
        EXPECT_EQ(Expected({a.drive, a.directory, a.name, whole}), Str(CPathName(original).Extension(arg).PathName()));
        EXPECT_EQ(Expected({a.drive, a.directory + a.name + a.extension, "", ""}),
                  Str(CPathName(original).ForceDirectory().PathName()));

        CPathName changed(original);
        changed.Name(arg);
        ExpectPartsAsCrt(changed);
        if (HasFailure())
            return;
    }
}

/////////////////////////////////////////////////////////////////////////////
// Limits

const char kPoison = '\xbd';

// An argument text between poison bytes, checked whole after each use.
class GuardedArgument
{
public:
    explicit GuardedArgument(const std::string& text) : m_text(text), m_buffer(text.size() + 65, kPoison)
    {
        std::memcpy(m_buffer.data() + 32, text.c_str(), text.size() + 1);
    }
    const char* Text() const { return m_buffer.data() + 32; }
    bool Untouched() const
    {
        std::vector<char> expected(m_buffer.size(), kPoison);
        std::memcpy(expected.data() + 32, m_text.c_str(), m_text.size() + 1);
        return expected == m_buffer;
    }

private:
    std::string m_text;
    std::vector<char> m_buffer;
};

TEST(PathNameLimits, PartsAtTheirLimitsStayWholeAndPastThemAreCut)
{
    const std::string dir255 = "\\" + std::string(253, 'd') + "\\";
    const CPathName atLimit(("C:" + dir255 + "f").c_str());
    ExpectPartsAsCrt(atLimit);
    EXPECT_EQ(255, atLimit.Directory().GetLength());

    // Past its limit _splitpath refuses the text; the class cuts the part.
    const std::string dir300 = "\\" + std::string(298, 'd') + "\\";
    EXPECT_EQ(dir300.substr(0, 255) + "\\f", Str(CPathName((dir300 + "f").c_str()).PathName()));
    EXPECT_EQ(dir300.substr(0, 255), Str(CPathName(dir300.c_str()).Directory()));
    EXPECT_EQ("C:" + dir300.substr(0, 255), Str(CPathName(("C:" + dir300).c_str()).ForceFile().PathName()));

    const std::string name255(255, 'n'), name256(256, 'n');
    ExpectPartsAsCrt(CPathName((name255 + ".e").c_str()));
    EXPECT_EQ(name255 + ".e", Str(CPathName((name256 + ".e").c_str()).PathName()));
    const std::string ext256 = "." + std::string(255, 'e');
    EXPECT_EQ("n" + ext256.substr(0, 255), Str(CPathName(("n" + ext256).c_str()).PathName()));
}

TEST(PathNameLimits, ComposedPathIsCutAtMaxPath)
{
    const std::string directory = "C:\\" + std::string(200, 'a') + "\\";
    const std::string composed = directory + std::string(200, 'b') + ".txt";
    CPathName path(composed.c_str());
    EXPECT_EQ(composed.substr(0, MAX_PATH - 1), Str(path.PathName()));
    // Where a part is a whole argument, only the composed path is cut.
    path.PathName("C:\\a.b").Directory(std::string(1000, 'x').c_str());
    EXPECT_EQ(("C:" + std::string(1000, 'x')).substr(0, MAX_PATH - 1), Str(path.PathName()));
}

TEST(PathNameLimits, LongArgumentsNeverWriteOutsideABuffer)
{
    const std::string unit = "ab\\c.d/ \\\\e";
    for (size_t length : {0u, 1u, 2u, 254u, 255u, 256u, 258u, 259u, 260u, 261u, 300u, 520u, 4096u}) {
        std::string text;
        while (text.size() < length)
            text += unit;
        text.resize(length);
        SCOPED_TRACE("length " + std::to_string(length));
        const GuardedArgument arg(text);

        CPathName path(arg.Text());
        path.Path(arg.Text()).FileName(arg.Text()).Drive(arg.Text()).Directory(arg.Text());
        path.Name(arg.Text()).Extension(arg.Text()).ForceDirectory().ForceFile().ToParent();
        EXPECT_TRUE(arg.Untouched());
        EXPECT_LE(path.PathName().GetLength(), MAX_PATH - 1);
        EXPECT_LE(std::strlen(path.LPFileName()), size_t(MAX_PATH - 1));
        EXPECT_EQ(path.Parent().GetLength(), CPathName(path).ToParent().PathName().GetLength());
    }
}

TEST(PathNameLimits, ArgumentsInReadOnlyMemoryAreNotWritten)
{
    // A write through the tokenizer that drops leading blanks would fault here.
    static const char kReadOnly[] = " \t \\\\dir\\ name.ext";
    CPathName path(kReadOnly);
    path.Directory(kReadOnly).Name(kReadOnly + 8).Extension(" ");
    EXPECT_STREQ("\\dir\\ name.ext\\name.ext", path.PathName());
}

} // namespace
