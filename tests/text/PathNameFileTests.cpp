// CPathName against the file system: FullPath and Search compared with
// OpenFile (OF_PARSE, OF_EXIST), FindFile through the search root, the
// directory list and the system's search, on files made for the test.
#include "library/CFUtils.h"
#include "library/Handles.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

// What OpenFile makes of a name, or "" on failure.
std::string OpenFileAnswer(const std::string& name, UINT style)
{
    OFSTRUCT of = {};
    of.cBytes = sizeof of;
    return OpenFile(name.c_str(), &of, style) == HFILE_ERROR ? "" : of.szPathName;
}

// Directories (ending in a backslash) and files in the temporary directory,
// with the tree's "cwd" as current directory while it lives.
class FileTreeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        ASSERT_NE(0u, GetTempPathA(MAX_PATH, temp));
        m_root = temp + ("cfu_text_" + std::to_string(GetCurrentProcessId())) + "\\";
        for (const char* path : {"", "cwd\\", "cwd\\adir\\", "cwd\\here.txt", "cwd\\caf\xe9.txt", "cwd\\locked.txt",
                                 "search\\", "search\\here.txt", "search\\inroot.txt", "search\\one\\",
                                 "search\\one\\inone.txt", "search\\one\\both.txt", "search\\one\\caf\xe9.txt",
                                 "search\\two\\", "search\\two\\both.txt", "search\\two\\sub.dir\\",
                                 "search\\two\\sub.dir\\deep.txt"}) {
            const std::string made = m_root + path;
            ASSERT_TRUE(made.back() == '\\' ? CreateDirectoryA(made.c_str(), NULL)
                                             : bool(cfu::unique_hfile(CreateFileA(made.c_str(), GENERIC_WRITE, 0, NULL,
                                                                                 CREATE_NEW, 0, NULL)))) << made;
            m_made.push_back(made);
        }
        // Held without sharing: found by name, yet it does not open.
        m_locked.reset(
            CreateFileA((m_root + "cwd\\locked.txt").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL));
        ASSERT_TRUE(m_locked);
        GetCurrentDirectoryA(MAX_PATH, m_savedDirectory);
        ASSERT_TRUE(SetCurrentDirectoryA((m_root + "cwd").c_str()));
    }
    void TearDown() override
    {
        m_locked.reset();
        SetCurrentDirectoryA(m_savedDirectory);
        for (auto made = m_made.rbegin(); made != m_made.rend(); ++made)
            EXPECT_TRUE(made->back() == '\\' ? RemoveDirectoryA(made->c_str()) : DeleteFileA(made->c_str()))
                << *made;
    }

    std::string m_root;
    char m_savedDirectory[MAX_PATH] = {};
    std::vector<std::string> m_made;
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

TEST_F(FileTreeTest, SearchAsOpenFileExist)
{
    for (const char* name :
         {"here.txt", "notepad.exe", "caf\xe9.txt", "missing.zzz", "adir", "system32", "locked.txt"}) {
        SCOPED_TRACE(name);
        const std::string expected = OpenFileAnswer(name, OF_EXIST);
        // Only the name counts: the directory in front is ignored.
        const std::string text = "Q:\\elsewhere\\" + std::string(name);
        CPathName path(text.c_str());
        EXPECT_EQ(expected.empty() ? FALSE : TRUE, path.Search());
        EXPECT_EQ(expected.empty() ? text : expected, std::string(path.PathName()));
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
        {"missing.zzz", none}, {"adir\\", none}, {"", none},   // a directory never opens
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
