// CopyStructure against RegCopyTreeA of the same source: the two copies
// must differ only by the zero byte that every value copied through an
// entry gains (it writes its data's length plus one).
#include "library/CFUtils.h"

#include "RegTree.h"
#include "TestSupport.h"

#include <sstream>

namespace {

using cfu::test::CreateKey;
using cfu::test::ReadTree;
using cfu::test::RegTree;
using cfu::test::WriteValue;

using cfu::test::EntryPtr;

EntryPtr OpenKey(HKEY key)
{
    return EntryPtr(CRegEntry::OpenExisting(key, CString()));
}

// Up to ten differences, named by key path and value.
std::string Differences(const RegTree& actual, const RegTree& expected)
{
    std::ostringstream out;
    int shown = 0;
    auto note = [&](const std::string& what) {
        if (shown++ < 10)
            out << "  " << what << "\n";
    };
    for (const auto& [path, values] : expected) {
        auto found = actual.find(path);
        if (found == actual.end()) {
            note("missing key " + path);
            continue;
        }
        for (const auto& [name, value] : values) {
            auto other = found->second.find(name);
            if (other == found->second.end())
                note("missing value " + path + " : " + name);
            else if (!(other->second == value))
                note("different value " + path + " : " + name);
        }
        if (found->second.size() != values.size())
            note("extra values in " + path);
    }
    if (actual.size() != expected.size())
        note("extra keys");
    return shown ? out.str() + "  (" + std::to_string(shown) + " in all)" : "";
}

class CopyStructureTest : public testing::Test
{
protected:
    // Copies source both ways into fresh keys and compares the results.
    void ExpectCopyMatchesPlatform(HKEY source)
    {
        cfu::unique_hkey platform = CreateKey(Key(), "Platform copy");
        ASSERT_EQ(RegCopyTreeA(source, NULL, platform.get()), 0);
        CString name("Library copy");
        EntryPtr library(CRegEntry::CreateNew(Key(), name));
        EntryPtr from = OpenKey(source);
        ASSERT_TRUE(library && from);
        EXPECT_EQ(from->CopyStructure(library.get()), 0);
        EXPECT_EQ(from->m_lStatus, 0);

        RegTree expected = ReadTree(platform.get());
        for (auto& [path, values] : expected) {
            for (auto& [valueName, value] : values)
                value.data += '\0';
        }
        RegTree actual = ReadTree(library->m_hKey);
        EXPECT_EQ(Differences(actual, expected), "");
        m_keysCompared = expected.size();
    }

    HKEY Key() const { return m_sandbox.Key(); }

    cfu::test::RegSandbox m_sandbox{testing::UnitTest::GetInstance()->current_test_info()->name()};
    size_t m_keysCompared = 0;
};

TEST_F(CopyStructureTest, GeneratedTreeOfEveryValueType)
{
    cfu::unique_hkey source = CreateKey(Key(), "Source");
    cfu::test::BuildTree(source.get(), 3, 3, 12);
    WriteValue(source.get(), "Empty", REG_BINARY, "");
    CreateKey(source.get(), "Bare");
    CreateKey(source.get(), "One\\Two\\Three\\Four\\Five\\Six");
    WriteValue(CreateKey(source.get(), "One\\Two\\Three\\Four\\Five\\Six").get(), "Deep", REG_DWORD,
               std::string("\x01\0\0\0", 4));
    ExpectCopyMatchesPlatform(source.get());
    EXPECT_EQ(m_keysCompared, 1u + 3 + 9 + 27 + 1 + 6);

    cfu::test::RegValueRecord deep{};
    cfu::unique_hkey copied = CreateKey(Key(), "Library copy\\One\\Two\\Three\\Four\\Five\\Six");
    ASSERT_EQ(cfu::test::ReadValue(copied.get(), "Deep", deep), 0);
    EXPECT_EQ(deep, (cfu::test::RegValueRecord{REG_DWORD, std::string("\x01\0\0\0\0", 5)}));
}

TEST_F(CopyStructureTest, RealTreeOfThePrefix)
{
    cfu::unique_hkey source;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ,
                            source.put()), 0);
    ExpectCopyMatchesPlatform(source.get());
    EXPECT_GT(m_keysCompared, 20u);
}

TEST_F(CopyStructureTest, SubkeysThatCannotBeMadeOrOpenedAreSkipped)
{
    cfu::unique_hkey source = CreateKey(Key(), "Source");
    WriteValue(source.get(), "Top", REG_SZ, std::string("top\0", 4));
    WriteValue(CreateKey(source.get(), "Child").get(), "Inner", REG_SZ, std::string("in\0", 3));
    WriteValue(CreateKey(source.get(), "Classy", "AB").get(), "Hidden", REG_SZ, std::string("h\0", 2));
    EntryPtr from = OpenKey(source.get());
    ASSERT_TRUE(from);

    // A volatile key refuses non-volatile subkeys (1021): only values land.
    cfu::unique_hkey volatileKey;
    ASSERT_EQ(RegCreateKeyExA(Key(), "Volatile", 0, NULL, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL,
                              volatileKey.put(), NULL), 0);
    EntryPtr into = OpenKey(volatileKey.get());
    ASSERT_TRUE(into);
    EXPECT_EQ(from->CopyStructure(into.get()), 0);
    RegTree copied = ReadTree(volatileKey.get());
    EXPECT_EQ(copied.size(), 1u);
    EXPECT_EQ(copied[""]["Top"].data, std::string("top\0", 5));

    // A source subkey whose class name the count query cannot hold is not
    // read; its copy is made but stays empty.
    CString name("Plain");
    EntryPtr plain(CRegEntry::CreateNew(Key(), name));
    EXPECT_EQ(from->CopyStructure(plain.get()), 0);
    copied = ReadTree(plain->m_hKey);
    EXPECT_EQ(copied.size(), 3u);
    EXPECT_TRUE(copied["Classy"].empty());
    EXPECT_EQ(copied["Child"]["Inner"].data, std::string("in\0", 4));

    EXPECT_EQ(from->CopyStructure(nullptr), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(from->m_lStatus, ERROR_NOT_ENOUGH_MEMORY);
}

} // namespace
