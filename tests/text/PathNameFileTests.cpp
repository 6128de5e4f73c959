// CPathName against the file system: FullPath and Search compared with
// OpenFile (OF_PARSE, OF_EXIST), FindFile through the search root, the
// directory list and the system's search, on files made for the test.
#include "library/CFUtils.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Str(const CString& s)
{
    return std::string(s, s.GetLength());
}

// A tree of directories and files in the temporary directory, plus one file
// in the Windows directory for the system's search; the current directory is
// the tree's "cwd" while it lives. Everything is removed again.
class FileTree : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char temp[MAX_PATH], windows[MAX_PATH];
        ASSERT_NE(0u, GetTempPathA(MAX_PATH, temp));
        ASSERT_NE(0u, GetWindowsDirectoryA(windows, MAX_PATH));
        const std::string unique = "cfu_text_" + std::to_string(GetCurrentProcessId());
        m_root = std::string(temp) + unique + "\\";
        m_systemName = unique + ".txt";
        m_systemFile = std::string(windows) + "\\" + m_systemName;
        ASSERT_NE(0u, GetCurrentDirectoryA(MAX_PATH, m_savedDirectory));

        for (const char* dir : {"", "cwd", "cwd\\adir", "search", "search\\one", "search\\two", "search\\two\\sub.dir"})
            MakeDirectory(m_root + dir);
        for (const char* file : {"cwd\\here.txt", "search\\here.txt", "search\\inroot.txt", "search\\one\\inone.txt",
                                 "search\\one\\both.txt", "search\\two\\both.txt", "search\\two\\intwo.txt",
                                 "search\\two\\sub.dir\\deep.txt", "search\\one\\caf\xe9.txt", "cwd\\caf\xe9.txt"})
            MakeFile(m_root + file);
        MakeFile(m_systemFile);
        ASSERT_TRUE(SetCurrentDirectoryA((m_root + "cwd").c_str()));
    }

    void TearDown() override
    {
        SetCurrentDirectoryA(m_savedDirectory);
        for (auto file = m_files.rbegin(); file != m_files.rend(); ++file)
            EXPECT_TRUE(DeleteFileA(file->c_str())) << *file;
        for (auto dir = m_directories.rbegin(); dir != m_directories.rend(); ++dir)
            EXPECT_TRUE(RemoveDirectoryA(dir->c_str())) << *dir;
    }

    void MakeDirectory(const std::string& path)
    {
        ASSERT_TRUE(CreateDirectoryA(path.c_str(), NULL)) << path;
        m_directories.push_back(path);
    }
    void MakeFile(const std::string& path)
    {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
        CloseHandle(file);
        m_files.push_back(path);
    }

    // What OpenFile makes of a name with the given style, or "" on failure.
    static std::string OpenFileAnswer(const std::string& name, UINT style)
    {
        OFSTRUCT of;
        std::memset(&of, 0, sizeof of);
        of.cBytes = sizeof of;
        return OpenFile(name.c_str(), &of, style) == HFILE_ERROR ? "" : of.szPathName;
    }

    std::string m_root, m_systemName, m_systemFile;
    char m_savedDirectory[MAX_PATH] = {};
    std::vector<std::string> m_directories, m_files;
};

TEST_F(FileTree, FullPathAsOpenFileParse)
{
    for (const char* text : {"here.txt", "missing.txt", "adir\\", "..\\x\\y.z", ".\\a\\..\\b.txt", "C:\\a\\.\\b\\",
                             "", "sub/dir/f.txt", "\\rooted.txt", "caf\xe9.txt", "..", "D:rel\\f"}) {
        SCOPED_TRACE(std::string("text [") + text + "]");
        CPathName path(text);
        // A directory goes to OpenFile as "*.*" in it; the class drops that again.
        const bool directory = path.FileName().IsEmpty();
        std::string expected = OpenFileAnswer(Str(path.PathName()) + (directory ? "*.*" : ""), OF_PARSE);
        ASSERT_FALSE(expected.empty());
        if (directory)
            expected.resize(expected.size() - 3);

        EXPECT_EQ(TRUE, path.FullPath());
        EXPECT_EQ(expected, Str(path.PathName()));
    }

    CPathName empty;
    ASSERT_EQ(TRUE, empty.FullPath());
    EXPECT_EQ(std::string(m_root) + "cwd\\", Str(empty.PathName()));
}

TEST_F(FileTree, FullPathBeyondOpenFilesLimitAndPastMaxPath)
{
    // OpenFile gives up past 127 characters; the class goes on to MAX_PATH.
    const std::string relative = std::string(150, 'r') + "\\f.txt";
    EXPECT_EQ("", OpenFileAnswer(relative, OF_PARSE));
    CPathName longer(relative.c_str());
    ASSERT_EQ(TRUE, longer.FullPath());
    EXPECT_EQ(m_root + "cwd\\" + relative, Str(longer.PathName()));

    const std::string tooLong = std::string(240, 'r') + "\\f.txt";
    CPathName past(tooLong.c_str());
    EXPECT_EQ(FALSE, past.FullPath());
    EXPECT_EQ(tooLong, Str(past.PathName()));
    CPathName pastDirectory((std::string(240, 'r') + "\\").c_str());
    EXPECT_EQ(FALSE, pastDirectory.FullPath());
    EXPECT_EQ(std::string(240, 'r') + "\\", Str(pastDirectory.PathName()));
}

TEST_F(FileTree, SearchAsOpenFileExist)
{
    for (const std::string& name : {std::string("here.txt"), m_systemName, std::string("notepad.exe"),
                                   std::string("caf\xe9.txt"), std::string("missing.zzz"), std::string("adir"),
                                   std::string("system32")}) {
        SCOPED_TRACE("name [" + name + "]");
        const std::string expected = OpenFileAnswer(name, OF_EXIST);
        // Only the name counts: the directory in front is ignored.
        const std::string text = "Q:\\elsewhere\\" + name;
        CPathName path(text.c_str());
        EXPECT_EQ(expected.empty() ? FALSE : TRUE, path.Search());
        EXPECT_EQ(expected.empty() ? text : expected, Str(path.PathName()));
    }
    EXPECT_EQ(m_root + "cwd\\caf\xe9.txt", OpenFileAnswer("caf\xe9.txt", OF_EXIST));   // ANSI, not OEM
    CPathName directory("C:\\windows\\");
    EXPECT_EQ(FALSE, directory.Search());
}

TEST_F(FileTree, FindFileTriesEachPlaceInOrder)
{
    const char* dirs[] = {"one", "two\\sub.dir", "two", NULL};
    const std::string search = m_root + "search\\";
    struct Case
    {
        const char* text;
        std::string found;   // "" when nothing is found
    } cases[] = {
        {"here.txt", m_root + "cwd\\here.txt"},              // as it is, before the search root
        {"Q:\\nowhere\\inroot.txt", search + "inroot.txt"},  // search root + name
        {"inone.txt", search + "one\\inone.txt"},
        {"intwo.txt", search + "two\\intwo.txt"},
        {"both.txt", search + "one\\both.txt"},              // list order
        {"deep.txt", search + "two\\sub.dir\\deep.txt"},     // an entry without its backslash
        {"x:\\caf\xe9.txt", search + "one\\caf\xe9.txt"},
        {m_systemName.c_str(), m_systemFile},                 // the system's search
        {"missing.zzz", ""},
        {"adir\\", ""},                                       // a directory never opens
        {"", ""},
    };
    for (const char* root : {"", "..\\search\\"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string("root [") + root + "] text [" + c.text + "]");
            CPathName path(c.text);
            EXPECT_EQ(TRUE, path.SetSearchPath(*root ? CString(root) : CString(search.c_str()), dirs));
            EXPECT_EQ(c.found.empty() ? FALSE : TRUE, path.FindFile());
            EXPECT_EQ(c.found.empty() ? Str(CPathName(c.text).PathName()) : c.found, Str(path.PathName()));
        }
    }
    EXPECT_STREQ("two\\sub.dir", dirs[1]);

    CPathName noList("inone.txt");
    noList.SetSearchPath(search.c_str(), NULL);
    EXPECT_EQ(FALSE, noList.FindFile());
}

} // namespace
