// CRegEntry, its iterators and CopyStructure on real keys, with the platform's
// own calls (RegQueryInfoKeyA, the enumerations, RegCopyTreeA) as the oracle.
#include "library/CFUtils.h"

#include "RegTree.h"
#include "TestSupport.h"

#include <set>
#include <string>

namespace {

using namespace cfu::test;
using cfu::unique_hkey;
using EntryPtr = cfu::unique_ref<CRegEntry>;

RegValue ValueOf(const CRegData& data)
{
    return {data.GetType(), std::string(static_cast<LPCSTR>(data), size_t(data.GetLength()))};
}

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

    // Copies source through CopyStructure and through RegCopyTreeA: the copies
    // differ only by the zero byte that an entry writes after every value.
    // The number of keys compared.
    size_t ExpectCopyMatchesPlatform(HKEY source, const std::string& tag)
    {
        unique_hkey platform = CreateKey(Key(), tag + " by the platform");
        EXPECT_EQ(0, RegCopyTreeA(source, NULL, platform.get()));
        EntryPtr library = Create(tag + " by the library");
        EntryPtr from(CRegEntry::OpenExisting(source, CString()));
        EXPECT_TRUE(library && from);
        if (!library || !from)
            return 0;
        EXPECT_EQ(0, from->CopyStructure(library.get()));
        const RegTree expected = Copied(ReadTree(platform.get()));
        RegTree actual = ReadTree(library->m_hKey);
        EXPECT_EQ(expected.size(), actual.size());
        for (const auto& [path, values] : expected)
            EXPECT_EQ(values, actual[path]) << tag << " key [" << path << "]";
        return expected.size();
    }

    RegSandbox m_sandbox{HKEY_CURRENT_USER, TestKeyPath()};
};

// Opening takes the key's counts, each maximum one more than the platform's,
// and the key's value when it has exactly one; creating reads no value.
TEST_F(RegEntryTest, OpeningTakesTheCountsAndTheOnlyValue)
{
    WriteTree(HKEY_CURRENT_USER, m_sandbox.Path(),
              {{"", {{"", Sz("default")}, {"Long value name", {REG_BINARY, std::string(300, '\1')}}}},
               {"Longest subkey name", {}},
               {"One", {{"Only", {REG_BINARY, std::string("\0\x01\0", 3)}}}},
               {"Default", {{"", Sz("text")}}},
               {"Two", {{"a", Sz("1")}, {"b", Sz("2")}}}});
    for (const char* name : {"", "Longest subkey name", "One", "Default", "Two"}) {
        SCOPED_TRACE(name);
        EntryPtr entry = Open(name);
        ASSERT_TRUE(entry);
        DWORD subkeys, maxSubkey, values, maxName, maxData;
        ASSERT_EQ(0, RegQueryInfoKeyA(entry->m_hKey, NULL, NULL, NULL, &subkeys, &maxSubkey, NULL, &values,
                                      &maxName, &maxData, NULL, NULL));
        EXPECT_EQ(subkeys, entry->m_dwSubkeys);
        EXPECT_EQ(maxSubkey + 1, entry->m_dwMaxSubkeyLen);
        EXPECT_EQ(values, entry->m_dwValues);
        EXPECT_EQ(maxName + 1, entry->m_dwMaxValueNameLen);
        EXPECT_EQ(maxData + 1, entry->m_dwMaxValueLen);
        const auto oracle = ReadTree(Key(), name)[""];
        const bool one = oracle.size() == 1;
        EXPECT_EQ(one ? oracle.begin()->first : "", std::string(entry->m_strValueName));
        EXPECT_EQ(one ? oracle.begin()->second : RegValue(REG_SZ, ""), ValueOf(entry->m_valueData));
    }
    EntryPtr created = Create("One");
    ASSERT_TRUE(created);
    EXPECT_TRUE(created->m_strValueName.IsEmpty());
    EXPECT_EQ(1u, created->m_dwValues);
}

TEST_F(RegEntryTest, FactoriesOpenCreateOrGiveNull)
{
    CString sub("Sub");
    EXPECT_FALSE(Open("Missing"));
    EXPECT_FALSE(CRegEntry::OpenExisting(static_cast<CRegEntry*>(nullptr)));
    EXPECT_FALSE(CRegEntry::CreateNew(static_cast<CRegEntry*>(nullptr), sub));

    EntryPtr created = Create("New\\Deeper");
    ASSERT_TRUE(created);
    // Non-volatile: a volatile key would refuse a non-volatile child (1021).
    EXPECT_TRUE(CreateKey(created->m_hKey, "Child"));
    EntryPtr parent = Open("New");
    CString deeper("Deeper");
    EntryPtr viaParent(CRegEntry::OpenExisting(parent.get(), deeper));
    ASSERT_TRUE(viaParent);
    EXPECT_EQ(1u, viaParent->m_dwSubkeys);
    EXPECT_TRUE(EntryPtr(CRegEntry::CreateNew(parent.get(), sub)));
    // A second entry on the same key has a handle of its own.
    EntryPtr second(CRegEntry::OpenExisting(parent.get()));
    ASSERT_TRUE(second);
    parent.reset();
    EXPECT_EQ(0, second->SetValueData("After", CString("close")));

    // A class name of two or more characters fails the count query (234).
    CreateKey(Key(), "A", "A");
    CreateKey(Key(), "AB", "AB");
    EXPECT_TRUE(Open("A"));
    EXPECT_FALSE(Open("AB"));
    // Wine: creating the existing key replaces its class with the empty one asked for.
    EXPECT_TRUE(Create("AB"));
    EXPECT_TRUE(Open("AB"));
}

TEST_F(RegEntryTest, ReadsAreSizedByTheCountsUntilReset)
{
    WriteValue(Key(), "Grows", REG_SZ, "short");
    WriteValue(Key(), "Binary", REG_BINARY, std::string("ab\0cd", 5));
    EntryPtr entry = Open();
    ASSERT_TRUE(entry);
    WriteValue(Key(), "Grows", REG_SZ, std::string("much longer now\0", 16));

    CRegData data("sentinel");
    CString text("sentinel");
    EXPECT_EQ(ERROR_MORE_DATA, entry->LocateValueData("Grows", data));
    EXPECT_EQ(ERROR_MORE_DATA, entry->m_lStatus);
    EXPECT_EQ(ERROR_MORE_DATA, entry->LocateValueData("Grows", text));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, entry->LocateValueData("Missing", text));
    EXPECT_STREQ("sentinel", data);
    EXPECT_STREQ("sentinel", text);

    EXPECT_EQ(0, entry->ResetCounts());
    EXPECT_EQ(0, entry->LocateValueData("Grows", data));
    EXPECT_EQ(Sz("much longer now"), ValueOf(data));
    EXPECT_EQ(0, entry->LocateValueData("Binary", text));   // text ends at the first zero, whatever the type
    EXPECT_STREQ("ab", text);
    // The entry's own write refreshes its counts.
    EXPECT_EQ(0, entry->SetValueData("Grows", CString("longer than it ever was")));
    EXPECT_EQ(0, entry->LocateValueData("Grows", text));
    EXPECT_STREQ("longer than it ever was", text);
}

// Wine enforces read rights for value reads: writes and deletions must work
// on keys holding no value, one value and several.
TEST_F(RegEntryTest, WritesReachKeysWithAnyNumberOfValues)
{
    unsigned char raw[] = {1, 2, 3};
    for (int existing : {0, 1, 3}) {
        for (bool create : {false, true}) {
            SCOPED_TRACE(testing::Message() << existing << (create ? " values, created" : " values, opened"));
            const std::string name = "Key " + std::to_string(existing) + (create ? " created" : " opened");
            RegTree tree{{"", {}}, {"Leaf", {}}, {"Branch", {}}, {"Branch\\Twig", {}}};
            for (int v = 0; v < existing; ++v)
                tree[""]["v" + std::to_string(v)] = Sz("x");
            WriteTree(Key(), name, tree);
            EntryPtr entry = create ? Create(name) : Open(name);
            ASSERT_TRUE(entry);
            EXPECT_EQ(0, entry->SetValueData("Text", CString("abc")));
            EXPECT_EQ(0, entry->SetValueData("Data", CRegData(42u)));
            EXPECT_EQ(0, entry->SetValueData("Raw", raw, REG_BINARY, sizeof raw));
            EXPECT_EQ(DWORD(existing + 3), entry->m_dwValues);
            tree[""]["Text"] = Sz("abc");
            tree[""]["Data"] = Sz(std::string("42", 3));   // the number's zero, then the written one
            tree[""]["Raw"] = {REG_BINARY, "\x01\x02\x03"};
            EXPECT_EQ(tree, ReadTree(Key(), name));

            EXPECT_EQ(0, entry->DeleteValue("Raw"));
            EXPECT_EQ(ERROR_FILE_NOT_FOUND, entry->DeleteValue("Raw"));
            EXPECT_EQ(ERROR_FILE_NOT_FOUND, entry->m_lStatus);
            EXPECT_EQ(0, entry->DeleteSubkey("Leaf"));
            EXPECT_EQ(ERROR_ACCESS_DENIED, entry->DeleteSubkey("Branch"));   // Wine: it has a subkey
            tree[""].erase("Raw");
            tree.erase("Leaf");
            EXPECT_EQ(tree, ReadTree(Key(), name));
        }
    }
}

// The walks against the platform's enumerations; the count is the entry's,
// taken when the iterator is made. The raw value form copies the data and
// one zero byte, which m_dwMaxValueLen always has room for.
TEST_F(RegEntryTest, IteratorsWalkWhatThePlatformEnumerates)
{
    WriteTree(HKEY_CURRENT_USER, m_sandbox.Path(),
              {{"", {{"", Sz("default")}, {"Dword", {REG_DWORD, "\x04\x03\x02\x01"}}, {"Empty", {REG_BINARY, ""}},
                     {"Expand", {REG_EXPAND_SZ, std::string("%PATH%\0", 7)}},
                     {"Longest", {REG_BINARY, std::string(20, 'L')}}}},
               {"b", {}}, {"A", {}}, {"a longer name", {}}, {"C", {}}});
    EntryPtr entry = Open();
    ASSERT_TRUE(entry);
    CRegSubkeyIterator subkeys(entry.get());
    CString name("untouched");
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, subkeys.CurrentSubkey(name));   // before the first step
    EXPECT_STREQ("untouched", name);
    CreateKey(Key(), "Z added later");
    std::set<std::string> walked;
    for (++subkeys; subkeys.IsValid(); ++subkeys) {
        ASSERT_EQ(0, subkeys.CurrentSubkey(name));
        walked.insert(std::string(name));
    }
    EXPECT_EQ((std::set<std::string>{"A", "C", "a longer name", "b"}), walked);
    CRegSubkeyIterator none(nullptr);
    EXPECT_FALSE((++none).IsValid());
    EXPECT_EQ(ERROR_INVALID_HANDLE, none.CurrentSubkey(name));

    RegTree values;
    CRegValueIterator value(entry.get());
    for (++value; value.IsValid(); ++value) {
        CRegData data;
        ASSERT_EQ(0, value.CurrentValue(name, data));
        values[""][std::string(name)] = ValueOf(data);
        SCOPED_TRACE(name);
        std::string raw(entry->m_dwMaxValueLen + 1, '\xbd');
        unsigned long size = 0xdeadbeef, type = 0xdeadbeef;
        ASSERT_EQ(0, value.CurrentValue(name, reinterpret_cast<unsigned char*>(&raw[0]), &size, &type));
        EXPECT_EQ(ValueOf(data), (RegValue{type, raw.substr(0, size)}));
        EXPECT_EQ(std::string("\0\xbd", 2), raw.substr(size, 2));
        // The text form takes REG_SZ only (11 otherwise, both strings untouched).
        CString textName("name"), text("text");
        const bool sz = data.GetType() == REG_SZ;
        EXPECT_EQ(sz ? 0 : ERROR_BAD_FORMAT, value.CurrentValue(textName, text));
        EXPECT_EQ(sz ? std::string(name) : "name", std::string(textName));
        EXPECT_EQ(sz ? std::string(data) : "text", std::string(text));
    }
    EXPECT_EQ(ReadTree(Key())[""], values[""]);
    CRegData data;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, value.CurrentValue(name, data));
}

TEST_F(RegEntryTest, CopyStructureCopiesAsRegCopyTree)
{
    unique_hkey source = CreateKey(Key(), "Source");
    BuildTree(source.get(), 3, 3, 12);
    WriteValue(source.get(), "Empty", REG_BINARY, "");
    WriteValue(CreateKey(source.get(), "One\\Two\\Three\\Four\\Five\\Six").get(), "Deep", REG_DWORD,
               std::string("\x01\0\0\0", 4));
    EXPECT_EQ(1u + 3 + 9 + 27 + 6, ExpectCopyMatchesPlatform(source.get(), "Generated"));

    unique_hkey real;
    ASSERT_EQ(0, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ,
                               real.put()));
    EXPECT_LT(20u, ExpectCopyMatchesPlatform(real.get(), "Real"));
}

// Subkeys that cannot be made (a volatile key refuses non-volatile children,
// 1021) or read (a class name of two characters) are skipped.
TEST_F(RegEntryTest, CopyStructureSkipsWhatItCannotMakeOrRead)
{
    RegTree source{{"", {{"Top", Sz("top")}}}, {"Child", {{"Inner", Sz("in")}}}};
    WriteTree(Key(), "Source", source);
    WriteValue(CreateKey(Key(), "Source\\Classy", "AB").get(), "Hidden", REG_SZ, "h");
    EntryPtr from = Open("Source");
    EntryPtr intoVolatile(CRegEntry::OpenExisting(CreateKey(Key(), "Volatile", nullptr, REG_OPTION_VOLATILE).get(),
                                                  CString()));
    ASSERT_TRUE(from && intoVolatile);
    EXPECT_EQ(0, from->CopyStructure(intoVolatile.get()));
    EXPECT_EQ(Copied(RegTree{{"", source[""]}}), ReadTree(Key(), "Volatile"));

    EntryPtr plain = Create("Plain");
    EXPECT_EQ(0, from->CopyStructure(plain.get()));
    source["Classy"];
    EXPECT_EQ(Copied(source), ReadTree(Key(), "Plain"));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, from->CopyStructure(nullptr));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, from->m_lStatus);
}

} // namespace
