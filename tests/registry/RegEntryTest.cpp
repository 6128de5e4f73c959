// CRegData's forms, and CRegEntry, its iterators and CopyStructure on real
// keys, with the platform's own calls (RegQueryInfoKeyA, the enumerations,
// RegCopyTreeA) as the oracle.
#include "library/CFUtils.h"

#include "TestSupport.h"

#include <string>

namespace {

using namespace cfu::test;
using EntryPtr = cfu::unique_ref<CRegEntry>;

RegValue ValueOf(const CRegData& data)
{
    return {data.GetType(), std::string(static_cast<LPCSTR>(data), size_t(data.GetLength()))};
}

// The bytes and type each constructor makes, and what the number views read from them.
TEST(RegDataTest, FormsAndNumberViews)
{
    unsigned char raw[] = {'1', 0, 0xff, 0, '2'};
    CString withZero("a\0b", 3);
    CRegData loaded(raw, sizeof raw, REG_BINARY);
    loaded.LoadStringA(1);   // the file-type description of descriptions.rc
    const struct
    {
        CRegData data;
        RegValue value;   // the length counts a number's or flag's terminating zero
        int asInt;
        unsigned asUnsigned;
    } cases[] = {
        {CRegData(123u), Sz("123"), 123, 123},
        {CRegData(4294967295u), Sz("-1"), -1, 4294967295u},   // signed on purpose
        {CRegData(-2147483647 - 1, 0), Sz("-2147483648"), -2147483647 - 1, 2147483648u},
        {CRegData(7, 1), Sz("On"), 1, 0},
        {CRegData(0, 1), Sz("Off"), 0, 0},
        {CRegData("oN"), {REG_SZ, "oN"}, 1, 0},
        {CRegData("Onward"), {REG_SZ, "Onward"}, 0, 0},
        {CRegData("42abc"), {REG_SZ, "42abc"}, 42, 42},
        {CRegData("-5"), {REG_SZ, "-5"}, -5, 4294967291u},
        {CRegData(withZero), {REG_SZ, std::string("a\0b", 3)}, 0, 0},
        {CRegData(raw, sizeof raw, REG_BINARY), {REG_BINARY, std::string("1\0\xff\0" "2", 5)}, 0, 0},   // never parsed
        {CRegData(nullptr, 4, REG_BINARY), {REG_BINARY, ""}, 0, 0},
        {loaded, {REG_SZ, "Corvanta Image"}, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.second);
        for (CRegData data : {c.data, CRegData(c.data), CRegData() = c.data}) {
            data.m_nValue = 0x5a5a5a5a;
            EXPECT_EQ(c.value, ValueOf(data));
            EXPECT_EQ(c.asInt, *static_cast<int*>(data));
            EXPECT_EQ(c.asUnsigned, *static_cast<unsigned int*>(data));
        }
    }
}

// Every read view of one key against the platform: the counts (each maximum one more, room for a
// terminator or the zero byte after the data), the value cached when it is the only one, the value
// walk and LocateValueData. The copies below answer for every name the subkey walk gives.
void ExpectViewsMatchPlatform(HKEY key, const std::string& path)
{
    SCOPED_TRACE(path);
    EntryPtr entry(CRegEntry::OpenExisting(key, path.c_str()));
    ASSERT_TRUE(entry);
    DWORD n[5];
    ASSERT_EQ(0, RegQueryInfoKeyA(entry->m_hKey, NULL, NULL, NULL, &n[0], &n[1], NULL, &n[2], &n[3], &n[4], NULL, NULL));
    EXPECT_EQ((std::vector<DWORD>{n[0], n[1] + 1, n[2], n[3] + 1, n[4] + 1}),
              (std::vector<DWORD>{entry->m_dwSubkeys, entry->m_dwMaxSubkeyLen, entry->m_dwValues,
                                  entry->m_dwMaxValueNameLen, entry->m_dwMaxValueLen}));
    const RegTree tree = ReadTree(key, path);
    const auto& values = tree.at("");
    const bool one = values.size() == 1;
    EXPECT_EQ(one ? values.begin()->first : "", std::string(entry->m_strValueName));
    EXPECT_EQ(one ? values.begin()->second : RegValue(REG_SZ, ""), ValueOf(entry->m_valueData));

    CString name;
    std::map<std::string, RegValue> walkedValues;
    CRegValueIterator value(entry.get());
    for (++value; value.IsValid(); ++value) {
        CRegData data, located;
        ASSERT_EQ(0, value.CurrentValue(name, data));
        walkedValues[std::string(name)] = ValueOf(data);
        EXPECT_EQ(0, entry->LocateValueData(name, located));
        EXPECT_EQ(ValueOf(data), ValueOf(located));
        std::string raw(entry->m_dwMaxValueLen + 1, '\xbd');
        unsigned long size = 0xdeadbeef, type = 0xdeadbeef;
        ASSERT_EQ(0, value.CurrentValue(name, reinterpret_cast<unsigned char*>(&raw[0]), &size, &type));
        EXPECT_EQ(ValueOf(data), (RegValue{type, raw.substr(0, size)}));
        EXPECT_EQ(std::string("\0\xbd", 2), raw.substr(size, 2));
        // The text form takes REG_SZ only (ERROR_BAD_FORMAT otherwise, both strings untouched).
        CString textName("name"), text("text");
        EXPECT_EQ(type == REG_SZ ? 0 : ERROR_BAD_FORMAT, value.CurrentValue(textName, text));
        EXPECT_EQ(type == REG_SZ ? std::string(name) + "=" + std::string(data) : "name=text",
                  std::string(textName) + "=" + std::string(text));
    }
    EXPECT_EQ(values, walkedValues);
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, value.CurrentValue(name, name));
}

class RegEntryTest : public testing::Test
{
protected:
    EntryPtr Open(const CString& sub) { return EntryPtr(CRegEntry::OpenExisting(Key(), sub)); }
    EntryPtr Create(CString sub) { return EntryPtr(CRegEntry::CreateNew(Key(), sub)); }
    HKEY Key() const { return m_sandbox.Key(); }

    // Copies root\source by CopyStructure and by RegCopyTreeA: the copies
    // differ only by the zero byte that an entry writes after every value.
    size_t ExpectCopyAsPlatform(HKEY root, const char* source, const std::string& tag)
    {
        EXPECT_EQ(0, RegCopyTreeA(root, source, CreateKey(Key(), tag + " by the platform").get()));
        EntryPtr library = Create((tag + " by the library").c_str()), from(CRegEntry::OpenExisting(root, source));
        EXPECT_EQ(0, library && from ? from->CopyStructure(library.get()) : -1);
        const RegTree copy = ReadTree(Key(), tag + " by the library");
        EXPECT_EQ(Copied(ReadTree(Key(), tag + " by the platform")), copy) << tag;
        return copy.size();
    }

    RegSandbox m_sandbox{HKEY_CURRENT_USER, TestKeyPath()};
};

TEST_F(RegEntryTest, EveryReadViewAnswersAsThePlatform)
{
    const RegTree tree = {
        {"", {{"", Sz("default")}, {"Dword", {REG_DWORD, "\x04\x03\x02\x01"}}, {"Empty", {REG_BINARY, ""}},
              {"Expand", {REG_EXPAND_SZ, std::string("%PATH%\0", 7)}},
              {"Long value name", {REG_BINARY, std::string(300, '\1')}}}},
        {"Longest subkey name", {}}, {"One", {{"Only", {REG_BINARY, std::string("\0\x01\0", 3)}}}},
        {"Default", {{"", Sz("text")}}}, {"Two", {{"a", Sz("1")}, {"b", Sz("2")}}}, {"Two\\b", {}}, {"Two\\A", {}}};
    WriteTree(HKEY_CURRENT_USER, m_sandbox.Path(), tree);
    for (const auto& [rel, unused] : tree)
        ExpectViewsMatchPlatform(Key(), rel);
    EntryPtr created = Create("One");   // creating reads no value
    EXPECT_TRUE(created && created->m_dwValues == 1 && created->m_strValueName.IsEmpty());
}

// Reads and walks are sized and counted when the entry opens, until
// ResetCounts or the entry's own write (see the writes below).
TEST_F(RegEntryTest, CountsHoldFromOpeningUntilReset)
{
    WriteTree(Key(), "Counted", {{"", {{"Grows", Sz("short")}, {"Binary", {REG_BINARY, std::string("ab\0cd", 5)}}}},
                                 {"A", {}}});
    EntryPtr entry = Open("Counted");
    ASSERT_TRUE(entry);
    CRegSubkeyIterator subkeys(entry.get()), none(nullptr);
    CString name("untouched"), text("sentinel");
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, subkeys.CurrentSubkey(name));   // before the first step
    ++none;
    EXPECT_EQ(ERROR_INVALID_HANDLE, none.CurrentSubkey(name));
    EXPECT_STREQ("untouched", name);
    // "A" comes first in the walk, as long as the longest value was at opening.
    const RegValue full = {REG_BINARY, std::string(entry->m_dwMaxValueLen, 'x')};
    WriteTree(Key(), "Counted", {{"B", {}}, {"", {{"Grows", Sz("much longer now")}, {"A", full}}}});
    EXPECT_TRUE((++subkeys).IsValid() && !(++subkeys).IsValid() && !none.IsValid());
    // No room for the zero byte after it: refused, nothing written past the promised size.
    std::string raw(entry->m_dwMaxValueLen + 1, '\xbd');
    CRegValueIterator values(entry.get());
    ++values;
    EXPECT_EQ(ERROR_MORE_DATA, values.CurrentValue(name, reinterpret_cast<unsigned char*>(&raw[0]), NULL, NULL));
    EXPECT_EQ('\xbd', raw.back());

    CRegData data("sentinel");
    EXPECT_EQ((std::vector<long>{ERROR_MORE_DATA, ERROR_MORE_DATA, ERROR_MORE_DATA, ERROR_FILE_NOT_FOUND}),
              (std::vector<long>{entry->LocateValueData("Grows", data), entry->m_lStatus,
                                 entry->LocateValueData("Grows", text), entry->LocateValueData("Missing", text)}));
    EXPECT_EQ("sentinel=sentinel", std::string(data) + "=" + std::string(text));
    EXPECT_EQ(0, entry->ResetCounts());
    EXPECT_EQ(0, entry->LocateValueData("Grows", data));
    EXPECT_EQ(Sz("much longer now"), ValueOf(data));
    EXPECT_EQ(0, entry->LocateValueData("Binary", text));   // text ends at the first zero, whatever the type
    EXPECT_STREQ("ab", text);
}

TEST_F(RegEntryTest, FactoriesOpenCreateOrGiveNull)
{
    CString sub("Sub"), deeper("Deeper");
    EXPECT_FALSE(Open("Missing") || CRegEntry::OpenExisting(static_cast<CRegEntry*>(nullptr)) ||
                 CRegEntry::CreateNew(static_cast<CRegEntry*>(nullptr), sub));
    EntryPtr created = Create("New\\Deeper");
    // Non-volatile: a volatile key would refuse a non-volatile child (ERROR_CHILD_MUST_BE_VOLATILE).
    EXPECT_TRUE(created && CreateKey(created->m_hKey, "Child"));
    EntryPtr parent = Open("New");
    EntryPtr viaParent(CRegEntry::OpenExisting(parent.get(), deeper));
    EXPECT_TRUE(viaParent && viaParent->m_dwSubkeys == 1);
    EXPECT_TRUE(EntryPtr(CRegEntry::CreateNew(parent.get(), sub)));
    // A second entry on the same key has a handle of its own.
    EntryPtr second(CRegEntry::OpenExisting(parent.get()));
    parent.reset();
    EXPECT_EQ(0, second ? second->SetValueData("After", CString("close")) : -1);
    // A class name of two or more characters fails the count query (ERROR_MORE_DATA).
    CreateKey(Key(), "A", "A");
    CreateKey(Key(), "AB", "AB");
    EntryPtr a = Open("A");
    EXPECT_TRUE(a && !Open("AB"));
    // The class replaced while the key is open: the maxima keep their +1.
    CreateKey(Key(), "A", "AB");
    EXPECT_EQ(ERROR_MORE_DATA, a ? a->ResetCounts() : 0);
    EXPECT_EQ(1u, a ? a->m_dwMaxValueLen : 0);
}

// Wine enforces read rights for value reads: writes and deletions must work
// on keys holding no value, one value and several.
TEST_F(RegEntryTest, WritesReachKeysWithAnyNumberOfValues)
{
    unsigned char raw[] = {1, 2, 3};
    for (int existing : {0, 1, 3}) {
        for (bool create : {false, true}) {
            const std::string name = std::to_string(existing) + (create ? " values, created" : " values, opened");
            SCOPED_TRACE(name);
            RegTree tree{{"", {}}, {"Leaf", {}}, {"Branch", {}}, {"Branch\\Twig", {}}};
            for (int v = 0; v < existing; ++v)
                tree[""]["v" + std::to_string(v)] = Sz("x");
            WriteTree(Key(), name, tree);
            EntryPtr entry = create ? Create(name.c_str()) : Open(name.c_str());
            ASSERT_TRUE(entry);
            EXPECT_EQ(0, entry->SetValueData("Text", CString("abc")));
            EXPECT_EQ(0, entry->SetValueData("Data", CRegData(42u)));
            EXPECT_EQ(0, entry->SetValueData("Raw", raw, REG_BINARY, sizeof raw));
            EXPECT_EQ(DWORD(existing + 3), entry->m_dwValues);
            EXPECT_EQ(0, entry->DeleteValue("Raw"));
            EXPECT_EQ(ERROR_FILE_NOT_FOUND, entry->DeleteValue("Raw"));
            EXPECT_EQ(ERROR_FILE_NOT_FOUND, entry->m_lStatus);
            EXPECT_EQ(0, entry->DeleteSubkey("Leaf"));
            EXPECT_EQ(ERROR_ACCESS_DENIED, entry->DeleteSubkey("Branch"));   // Wine: it has a subkey
            tree[""]["Text"] = Sz("abc");
            tree[""]["Data"] = Sz(std::string("42", 3));   // the number's zero, then the written one
            tree.erase("Leaf");
            EXPECT_EQ(tree, ReadTree(Key(), name));
        }
    }
}

// Subkeys that cannot be made (a volatile key refuses non-volatile children)
// or read (a class name of two characters) are skipped.
TEST_F(RegEntryTest, CopyStructureCopiesAsRegCopyTreeAndSkipsWhatItCannotMakeOrRead)
{
    cfu::unique_hkey generated = CreateKey(Key(), "Generated");
    BuildTree(generated.get(), 3, 3, 12);
    WriteValue(generated.get(), "Empty", REG_BINARY, "");
    EXPECT_EQ(1u + 3 + 9 + 27, ExpectCopyAsPlatform(Key(), "Generated", "Generated"));
    EXPECT_LT(20u, ExpectCopyAsPlatform(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "Real"));

    RegTree source{{"", {{"Top", Sz("top")}}}, {"Child", {{"Inner", Sz("in")}}}};
    WriteTree(Key(), "Source", source);
    WriteValue(CreateKey(Key(), "Source\\Classy", "AB").get(), "Hidden", REG_SZ, "h");
    CreateKey(Key(), "Volatile", nullptr, REG_OPTION_VOLATILE);
    EntryPtr from = Open("Source"), plain = Create("Plain"), intoVolatile = Open("Volatile");
    ASSERT_TRUE(from && intoVolatile && plain);
    EXPECT_EQ(0, from->CopyStructure(intoVolatile.get()) + from->CopyStructure(plain.get()));
    EXPECT_EQ(Copied(RegTree{{"", source[""]}}), ReadTree(Key(), "Volatile"));
    source["Classy"];
    EXPECT_EQ(Copied(source), ReadTree(Key(), "Plain"));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, from->CopyStructure(nullptr));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, from->m_lStatus);
}

} // namespace
