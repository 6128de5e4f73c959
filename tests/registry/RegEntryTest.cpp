// CRegEntry and its iterators on real keys, with RegQueryInfoKeyA,
// RegQueryValueExA and the enumeration calls as the oracle.
#include "library/CFUtils.h"

#include "RegTree.h"
#include "TestSupport.h"

#include <string>
#include <vector>

namespace {

using cfu::test::CreateKey;
using cfu::test::ReadValue;
using cfu::test::RegValueRecord;
using cfu::test::WriteValue;

using cfu::test::EntryPtr;

class RegEntryTest : public testing::Test
{
protected:
    EntryPtr Open(const std::string& subpath = "")
    {
        return EntryPtr(CRegEntry::OpenExisting(HKEY_CURRENT_USER, Path(subpath)));
    }
    EntryPtr Create(const std::string& subpath)
    {
        CString path = Path(subpath);
        return EntryPtr(CRegEntry::CreateNew(HKEY_CURRENT_USER, path));
    }
    CString Path(const std::string& subpath) const
    {
        return (m_sandbox.Path() + (subpath.empty() ? "" : "\\" + subpath)).c_str();
    }
    HKEY Key() const { return m_sandbox.Key(); }

    cfu::test::RegSandbox m_sandbox{testing::UnitTest::GetInstance()->current_test_info()->name()};
};

TEST_F(RegEntryTest, CountsMatchTheKeyInformation)
{
    CreateKey(Key(), "A");
    CreateKey(Key(), "Longest subkey name");
    WriteValue(Key(), "", REG_SZ, std::string("default\0", 8));
    WriteValue(Key(), "Long value name", REG_BINARY, std::string(300, '\x01'));
    EntryPtr entry = Open();
    ASSERT_TRUE(entry);
    DWORD subkeys, maxSubkey, values, maxName, maxData;
    ASSERT_EQ(RegQueryInfoKeyA(Key(), NULL, NULL, NULL, &subkeys, &maxSubkey, NULL, &values, &maxName, &maxData,
                               NULL, NULL), 0);
    EXPECT_EQ(entry->m_dwSubkeys, subkeys);
    EXPECT_EQ(entry->m_dwMaxSubkeyLen, maxSubkey + 1);
    EXPECT_EQ(entry->m_dwValues, values);
    EXPECT_EQ(entry->m_dwMaxValueNameLen, maxName + 1);
    EXPECT_EQ(entry->m_dwMaxValueLen, maxData + 1);
    EXPECT_EQ(entry->m_lStatus, 0);
}

TEST_F(RegEntryTest, OpeningCachesTheOnlyValue)
{
    WriteValue(CreateKey(Key(), "One").get(), "Only", REG_BINARY, std::string("\0\x01\0", 3));
    WriteValue(CreateKey(Key(), "Default").get(), "", REG_SZ, std::string("text\0", 5));
    cfu::unique_hkey two = CreateKey(Key(), "Two");
    WriteValue(two.get(), "a", REG_SZ, std::string("1\0", 2));
    WriteValue(two.get(), "b", REG_SZ, std::string("2\0", 2));
    CreateKey(Key(), "None");

    EntryPtr one = Open("One");
    ASSERT_TRUE(one);
    EXPECT_EQ(std::string(one->m_strValueName), "Only");
    EXPECT_EQ(one->m_valueData.GetType(), DWORD(REG_BINARY));
    EXPECT_EQ(std::string(one->m_valueData, size_t(one->m_valueData.GetLength())), std::string("\0\x01\0", 3));
    EntryPtr byDefault = Open("Default");
    ASSERT_TRUE(byDefault);
    EXPECT_EQ(std::string(byDefault->m_strValueName), "");
    EXPECT_EQ(byDefault->m_valueData.GetLength(), 5);
    for (const char* name : {"Two", "None"}) {
        EntryPtr entry = Open(name);
        ASSERT_TRUE(entry) << name;
        EXPECT_TRUE(entry->m_strValueName.IsEmpty()) << name;
        EXPECT_TRUE(entry->m_valueData.IsEmpty()) << name;
    }
    // Creating never reads it, even when the key exists with one value.
    EntryPtr created = Create("One");
    ASSERT_TRUE(created);
    EXPECT_TRUE(created->m_strValueName.IsEmpty());
    EXPECT_EQ(created->m_dwValues, 1u);
}

TEST_F(RegEntryTest, FactoriesOpenCreateOrGiveNull)
{
    EXPECT_FALSE(Open("Missing"));
    EXPECT_FALSE(CRegEntry::OpenExisting(static_cast<CRegEntry*>(nullptr)));
    CString name("Sub");
    EXPECT_FALSE(CRegEntry::CreateNew(static_cast<CRegEntry*>(nullptr), name));

    EntryPtr created = Create("New\\Deeper");
    ASSERT_TRUE(created);
    EXPECT_EQ(created->m_dwSubkeys + created->m_dwMaxSubkeyLen + created->m_dwValues +
                  created->m_dwMaxValueNameLen + created->m_dwMaxValueLen, 0u);
    // Non-volatile: a volatile parent would refuse a non-volatile child (1021).
    cfu::unique_hkey child;
    EXPECT_EQ(RegCreateKeyExA(created->m_hKey, "Child", 0, NULL, REG_OPTION_NON_VOLATILE, KEY_READ, NULL,
                              child.put(), NULL), 0);

    EntryPtr parent = Open("New");
    ASSERT_TRUE(parent);
    CString deeper("Deeper");
    EntryPtr viaParent(CRegEntry::OpenExisting(parent.get(), deeper));
    ASSERT_TRUE(viaParent);
    EXPECT_EQ(viaParent->m_dwSubkeys, 1u);
    CString again("Deeper\\Again");
    EntryPtr createdViaParent(CRegEntry::CreateNew(parent.get(), again));
    ASSERT_TRUE(createdViaParent);

    // A second entry on the same key lives on after the first is gone.
    EntryPtr second(CRegEntry::OpenExisting(parent.get()));
    ASSERT_TRUE(second);
    EXPECT_NE(second->m_hKey, parent->m_hKey);
    parent.reset();
    EXPECT_EQ(second->SetValueData("After", CString("close")), 0);
}

TEST_F(RegEntryTest, AClassNameOfTwoCharactersCannotBeOpened)
{
    CreateKey(Key(), "One", "A");
    CreateKey(Key(), "Two", "AB");
    EXPECT_TRUE(Open("One"));
    EXPECT_FALSE(Open("Two"));
    EntryPtr one = Open("One");
    CString two("Two");
    EXPECT_FALSE(CRegEntry::OpenExisting(one.get(), two));
    // Wine: RegCreateKeyExA on the existing key replaces its class with the
    // empty one asked for, so the creating path opens it, and for good.
    EXPECT_TRUE(Create("Two"));
    EXPECT_TRUE(Open("Two"));
}

TEST_F(RegEntryTest, ReadsAreSizedByTheCountsUntilReset)
{
    WriteValue(Key(), "Grows", REG_SZ, std::string("short\0", 6));
    EntryPtr entry = Open();
    ASSERT_TRUE(entry);
    WriteValue(Key(), "Grows", REG_SZ, std::string("much longer now\0", 16));

    CRegData data("sentinel");
    CString text("sentinel");
    EXPECT_EQ(entry->LocateValueData("Grows", data), ERROR_MORE_DATA);
    EXPECT_EQ(entry->m_lStatus, ERROR_MORE_DATA);
    EXPECT_EQ(entry->LocateValueData("Grows", text), ERROR_MORE_DATA);
    EXPECT_EQ(std::string(data), "sentinel");
    EXPECT_EQ(std::string(text), "sentinel");

    EXPECT_EQ(entry->ResetCounts(), 0);
    EXPECT_EQ(entry->LocateValueData("Grows", data), 0);
    EXPECT_EQ(data.GetLength(), 16);
    EXPECT_EQ(entry->LocateValueData("Grows", text), 0);
    EXPECT_EQ(std::string(text), "much longer now");

    // The entry's own write refreshes its counts.
    EXPECT_EQ(entry->SetValueData("Grows", CString("longer than it ever was")), 0);
    EXPECT_EQ(entry->LocateValueData("Grows", text), 0);
    EXPECT_EQ(std::string(text), "longer than it ever was");
    EXPECT_EQ(entry->LocateValueData("Missing", text), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(std::string(text), "longer than it ever was");
}

TEST_F(RegEntryTest, TextReadsStopAtTheFirstZeroWhateverTheType)
{
    WriteValue(Key(), "Binary", REG_BINARY, std::string("ab\0cd", 5));
    WriteValue(Key(), "Full", REG_BINARY, std::string("abcd", 4));
    EntryPtr entry = Open();
    CString text;
    EXPECT_EQ(entry->LocateValueData("Binary", text), 0);
    EXPECT_EQ(std::string(text), "ab");
    EXPECT_EQ(entry->LocateValueData("Full", text), 0);
    EXPECT_EQ(std::string(text), "abcd");
}

// Wine enforces read rights for value reads: every write must still work on
// keys holding no value, one value and several.
TEST_F(RegEntryTest, WritesReachKeysWithAnyNumberOfValues)
{
    for (int existing : {0, 1, 3}) {
        SCOPED_TRACE(existing);
        std::string name = "Values" + std::to_string(existing);
        cfu::unique_hkey key = CreateKey(Key(), name);
        for (int v = 0; v < existing; ++v)
            WriteValue(key.get(), "v" + std::to_string(v), REG_SZ, std::string("x\0", 2));
        for (bool create : {false, true}) {
            EntryPtr entry = create ? Create(name) : Open(name);
            ASSERT_TRUE(entry);
            EXPECT_EQ(entry->SetValueData("Text", CString("abc")), 0);
            EXPECT_EQ(entry->SetValueData("Data", CRegData(42u)), 0);
            unsigned char raw[] = {1, 2, 3};
            EXPECT_EQ(entry->SetValueData("Raw", raw, REG_BINARY, sizeof raw), 0);
            EXPECT_EQ(entry->m_dwValues, DWORD(existing + 3));
            EXPECT_EQ(entry->m_lStatus, 0);
            RegValueRecord value{};
            ASSERT_EQ(ReadValue(key.get(), "Text", value), 0);
            EXPECT_EQ(value, (RegValueRecord{REG_SZ, std::string("abc\0", 4)}));
            ASSERT_EQ(ReadValue(key.get(), "Data", value), 0);
            EXPECT_EQ(value, (RegValueRecord{REG_SZ, std::string("42\0", 4)}));
            ASSERT_EQ(ReadValue(key.get(), "Raw", value), 0);
            EXPECT_EQ(value, (RegValueRecord{REG_BINARY, std::string("\x01\x02\x03", 3)}));
            CRegData back;
            EXPECT_EQ(entry->LocateValueData("Data", back), 0);
            EXPECT_EQ(*static_cast<unsigned int*>(back), 42u);
            EXPECT_EQ(entry->DeleteValue("Raw"), 0);
            EXPECT_EQ(entry->DeleteValue("Raw"), ERROR_FILE_NOT_FOUND);
            EXPECT_EQ(entry->m_lStatus, ERROR_FILE_NOT_FOUND);
            EXPECT_EQ(entry->DeleteValue("Text"), 0);
            EXPECT_EQ(entry->DeleteValue("Data"), 0);
        }
    }
}

TEST_F(RegEntryTest, DeleteSubkeyRemovesOneKeyOnly)
{
    CreateKey(Key(), "Leaf");
    CreateKey(Key(), "Branch\\Twig");
    EntryPtr entry = Open();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->DeleteSubkey("Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(entry->DeleteSubkey("Leaf"), 0);
    EXPECT_FALSE(Open("Leaf"));
    // Wine refuses a key that still has subkeys.
    EXPECT_EQ(entry->DeleteSubkey("Branch"), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(Open("Branch\\Twig"));
    // Deletions leave the snapshot alone.
    EXPECT_EQ(entry->m_dwSubkeys, 2u);
}

TEST_F(RegEntryTest, SubkeyIteratorWalksLikeRegEnumKeyEx)
{
    for (const char* name : {"b", "A", "a longer name", "C"})
        CreateKey(Key(), name);
    EntryPtr entry = Open();
    std::vector<std::string> expected, walked;
    char name[256];
    DWORD chars = sizeof name;
    for (DWORD i = 0; RegEnumKeyExA(Key(), i, name, &chars, NULL, NULL, NULL, NULL) == 0; ++i, chars = sizeof name)
        expected.push_back(name);

    CRegSubkeyIterator subkeys(entry.get());
    EXPECT_EQ(subkeys.m_nIndex, -1);
    CString current("untouched");
    EXPECT_EQ(subkeys.CurrentSubkey(current), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(std::string(current), "untouched");
    // The count was taken when the iterator was made.
    CreateKey(Key(), "Z added later");
    for (++subkeys; subkeys.IsValid(); ++subkeys) {
        ASSERT_EQ(subkeys.CurrentSubkey(current), 0);
        walked.push_back(std::string(current));
    }
    EXPECT_EQ(walked, expected);
    EXPECT_EQ(entry->m_lStatus, 0);
    CRegSubkeyIterator none(nullptr);
    EXPECT_FALSE((++none).IsValid());
    EXPECT_EQ(none.CurrentSubkey(current), ERROR_INVALID_HANDLE);
}

TEST_F(RegEntryTest, RawValueReadWritesTheSizeAndOneZeroByte)
{
    WriteValue(Key(), "Ten", REG_BINARY, "0123456789");
    WriteValue(Key(), "Longest", REG_BINARY, std::string(20, 'L'));
    EntryPtr entry = Open();
    CRegValueIterator values(entry.get());
    for (++values; values.IsValid(); ++values) {
        CString name;
        unsigned char data[32];
        memset(data, 0xbd, sizeof data);
        unsigned long size = 0xdeadbeef, type = 0xdeadbeef;
        ASSERT_EQ(values.CurrentValue(name, data, &size, &type), 0);
        EXPECT_EQ(type, DWORD(REG_BINARY));
        EXPECT_EQ(data[size], 0);
        EXPECT_EQ(data[size + 1], 0xbd);
        if (name == "Ten") {
            EXPECT_EQ(size, 10u);
            EXPECT_EQ(memcmp(data, "0123456789", 10), 0);
        } else {
            // The longest value and its zero fill exactly m_dwMaxValueLen bytes.
            EXPECT_EQ(size + 1, entry->m_dwMaxValueLen);
        }
    }
}

TEST_F(RegEntryTest, ValueIteratorFormsAgreeWithRegEnumValue)
{
    WriteValue(Key(), "", REG_SZ, std::string("default\0", 8));
    WriteValue(Key(), "Dword", REG_DWORD, std::string("\x04\x03\x02\x01", 4));
    WriteValue(Key(), "Expand", REG_EXPAND_SZ, std::string("%PATH%\0", 7));
    WriteValue(Key(), "Empty", REG_BINARY, "");
    EntryPtr entry = Open();
    cfu::test::RegTree oracle = cfu::test::ReadTree(Key());
    CRegValueIterator values(entry.get());
    int seen = 0;
    for (++values; values.IsValid(); ++values, ++seen) {
        CString name;
        CRegData data;
        ASSERT_EQ(values.CurrentValue(name, data), 0);
        RegValueRecord expected = oracle[""][std::string(name)];
        EXPECT_EQ(data.GetType(), expected.type) << name;
        EXPECT_EQ(std::string(data, size_t(data.GetLength())), expected.data) << name;

        CString textName("name sentinel"), text("text sentinel");
        long status = values.CurrentValue(textName, text);
        if (expected.type == REG_SZ) {
            EXPECT_EQ(status, 0);
            EXPECT_EQ(std::string(textName), std::string(name));
            EXPECT_EQ(std::string(text), "default");
        } else {
            EXPECT_EQ(status, ERROR_BAD_FORMAT) << name;
            EXPECT_EQ(std::string(textName), "name sentinel");
            EXPECT_EQ(std::string(text), "text sentinel");
        }
    }
    EXPECT_EQ(seen, 4);
    CString name;
    CRegData data;
    EXPECT_EQ(values.CurrentValue(name, data), ERROR_NO_MORE_ITEMS);
}

} // namespace
