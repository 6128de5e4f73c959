#include "SchemeTreeFixture.h"

#include <set>

using namespace cfu::test;

namespace {

using SchemeStoreTest = SchemeTreeTest;

// A user who already has schemes of his own, "Racing" current.
RegTree UserTree()
{
    return {
        {"", {{"Current Scheme", Sz("Racing")}}},
        {".Default", {}},
        {"Alpha", {}},
        {"Racing", {{"Owner", Sz("user")}}},
    };
}

// The current scheme's name, or the failure's status.
std::string CurrentOf(CRegScheme& store)
{
    CString name;
    long status = store.GetCurrentScheme(name);
    return status == ERROR_SUCCESS ? std::string(name) : "status " + std::to_string(status);
}

std::multiset<std::string> ListRest(CRegScheme& store, long& last)
{
    std::multiset<std::string> names;
    CString name;
    while ((last = store.GetNextScheme(name)) == ERROR_SUCCESS)
        names.insert(static_cast<LPCSTR>(name));
    return names;
}

} // namespace

TEST_F(SchemeStoreTest, CurrentSchemeSeedsAUserWhoHasNothing)
{
    WriteTree(HKEY_LOCAL_MACHINE, SchemesPath(), MachineTree());
    CRegScheme store(m_product, m_component);
    EXPECT_EQ(".Default", CurrentOf(store));

    RegTree expected = Copied(MachineTree());
    expected[""]["Current Scheme"] = Sz(".Default");
    EXPECT_EQ(expected, ReadTree(HKEY_CURRENT_USER, SchemesPath()));
    EXPECT_EQ(MachineTree(), ReadTree(HKEY_LOCAL_MACHINE, SchemesPath()));

    // A volatile key refuses non-volatile children (1021): the seeded keys
    // must take them, or the user's later settings would not be kept.
    HKEY child;
    std::string below = SchemesPath() + "\\" + kTemplate + "\\Usability\\Later";
    ASSERT_EQ(0, RegCreateKeyExA(HKEY_CURRENT_USER, below.c_str(), 0, NULL, REG_OPTION_NON_VOLATILE,
                                 KEY_WRITE, NULL, &child, NULL));
    RegCloseKey(child);

    CString path("sentinel");
    EXPECT_EQ(0, store.GetSchemeKey(path));
    EXPECT_EQ(SchemesPath() + "\\.Default", static_cast<LPCSTR>(path));
}

TEST_F(SchemeStoreTest, WithoutAMachineTreeTheUserStartsEmpty)
{
    CRegScheme store(m_product, m_component);
    EXPECT_EQ(".Default", CurrentOf(store));
    EXPECT_EQ((RegTree{{"", {{"Current Scheme", Sz(".Default")}}}}),
              ReadTree(HKEY_CURRENT_USER, SchemesPath()));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, SchemesPath()));
}

TEST_F(SchemeStoreTest, AUserWhoHasSchemesKeepsThem)
{
    WriteTree(HKEY_LOCAL_MACHINE, SchemesPath(), MachineTree());
    WriteTree(HKEY_CURRENT_USER, SchemesPath(), UserTree());
    CRegScheme store(m_product, m_component);
    EXPECT_EQ("Racing", CurrentOf(store));
    CString racing("Racing"), standard(".Default");
    EXPECT_EQ(0, store.NewSchemeKey(racing));
    EXPECT_EQ(0, store.NewSchemeKey(standard));
    EXPECT_EQ(0, CRegUser(&store).NewUserKey());
    EXPECT_EQ(UserTree(), ReadTree(HKEY_CURRENT_USER, SchemesPath()));
}

TEST_F(SchemeStoreTest, NewSchemeKeyCopiesTheMachineSchemeOfThatName)
{
    WriteTree(HKEY_LOCAL_MACHINE, SchemesPath(), MachineTree());
    WriteTree(HKEY_CURRENT_USER, SchemesPath(), {{".Default", {}}});
    CRegScheme store(m_product, m_component);
    CString racing("Racing"), custom("Custom");
    EXPECT_EQ(0, store.NewSchemeKey(racing));
    EXPECT_EQ(0, store.NewSchemeKey(custom));

    RegTree user = ReadTree(HKEY_CURRENT_USER, SchemesPath());
    EXPECT_EQ(Copied(Subtree(MachineTree(), "Racing")), Subtree(user, "Racing"));
    EXPECT_EQ((RegTree{{"", {}}}), Subtree(user, "Custom"));
    EXPECT_EQ((RegTree{{"", {}}}), Subtree(user, ".Default"));
}

TEST_F(SchemeStoreTest, CurrentSchemeIsRecordedAsText)
{
    CRegScheme store(m_product, m_component);
    CString nowhere("Nowhere");
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, store.SetCurrentScheme(nowhere));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, SchemesPath()));

    WriteTree(HKEY_CURRENT_USER, SchemesPath(), {{".Default", {}}});
    EXPECT_EQ(0, store.SetCurrentScheme(nowhere));
    EXPECT_EQ(Sz("Nowhere"), ReadTree(HKEY_CURRENT_USER, SchemesPath())[""]["Current Scheme"]);
    CString path;
    EXPECT_EQ(0, store.GetSchemeKey(path));
    EXPECT_EQ(SchemesPath() + "\\Nowhere", static_cast<LPCSTR>(path));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, static_cast<LPCSTR>(path)));

    ASSERT_EQ(0, RegDeleteKeyValueA(HKEY_CURRENT_USER, SchemesPath().c_str(), "Current Scheme"));
    EXPECT_EQ(".Default", CurrentOf(store));
    EXPECT_EQ(Sz(".Default"), ReadTree(HKEY_CURRENT_USER, SchemesPath())[""]["Current Scheme"]);
}

TEST_F(SchemeStoreTest, AnUncreatableTreeFailsAndLeavesPathsAlone)
{
    // Under a volatile key the platform refuses the non-volatile "Schemes"
    // (1021). Its parents are made first, so that nothing shared turns volatile.
    std::string component = SchemesPath().substr(0, SchemesPath().rfind('\\'));
    std::string parent = component.substr(0, component.rfind('\\'));
    WriteTree(HKEY_CURRENT_USER, parent, {{"", {}}});
    HKEY key;
    ASSERT_EQ(0, RegCreateKeyExA(HKEY_CURRENT_USER, component.c_str(), 0, NULL, REG_OPTION_VOLATILE,
                                 KEY_WRITE, NULL, &key, NULL));
    RegCloseKey(key);
    WriteTree(HKEY_LOCAL_MACHINE, SchemesPath(), MachineTree());

    CRegScheme store(m_product, m_component);
    CString name("sentinel"), path("sentinel"), racing("Racing");
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, store.GetCurrentScheme(name));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, store.GetSchemeKey(path));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, store.NewSchemeKey(racing));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, store.SetCurrentScheme(racing));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, store.GetFirstScheme(name));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, CRegUser(&store).NewUserKey());
    CRegDevice device(racing, 1, &store);
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, device.GetUsabilityKey(path));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, CRegModule(&store).GetModuleKey(path));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, device.NewDeviceKey());
    EXPECT_STREQ("sentinel", path);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, SchemesPath()));
    EXPECT_EQ(MachineTree(), ReadTree(HKEY_LOCAL_MACHINE, SchemesPath()));
}

TEST_F(SchemeStoreTest, ListingWalksEverySchemeOnce)
{
    CRegScheme store(m_product, m_component);
    CString name("sentinel");
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, store.GetNextScheme(name));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, store.GetFirstScheme(name));
    WriteTree(HKEY_CURRENT_USER, SchemesPath(), {{"", {}}});
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, store.GetFirstScheme(name));
    EXPECT_STREQ("sentinel", name);

    WriteTree(HKEY_CURRENT_USER, SchemesPath(), UserTree());
    ASSERT_EQ(0, store.GetFirstScheme(name));
    long last = 0;
    std::multiset<std::string> names = ListRest(store, last);
    names.insert(static_cast<LPCSTR>(name));
    EXPECT_EQ((std::multiset<std::string>{".Default", "Alpha", "Racing"}), names);
    EXPECT_EQ(ERROR_NO_DATA, last);
    EXPECT_EQ(ERROR_NO_DATA, store.GetNextScheme(name));
}

TEST_F(SchemeStoreTest, ListingCountIsFixedAtTheFirstCall)
{
    WriteTree(HKEY_CURRENT_USER, SchemesPath(), UserTree());
    CRegScheme store(m_product, m_component), other(m_product, m_component);
    CString name, zulu("Zulu"), alpha("Alpha");

    ASSERT_EQ(0, store.GetFirstScheme(name));
    EXPECT_EQ(0, other.NewSchemeKey(zulu));
    long last = 0;
    EXPECT_EQ(2u, ListRest(store, last).size());
    EXPECT_EQ(ERROR_NO_DATA, last);

    // The next first call sees the new scheme; a scheme deleted meanwhile
    // leaves the last position empty, which the platform reports.
    ASSERT_EQ(0, store.GetFirstScheme(name));
    EXPECT_EQ(0, other.DeleteSchemeKey(alpha));
    EXPECT_EQ(2u, ListRest(store, last).size());
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, last);
    EXPECT_EQ(ERROR_NO_DATA, store.GetNextScheme(name));
}

TEST_F(SchemeStoreTest, DeletingTheCurrentSchemeFallsBackToDefault)
{
    RegTree tree = UserTree();
    for (const auto& [rel, values] : Subtree(MachineTree(), ".Default"))
        if (!rel.empty())
            tree["Racing\\" + rel] = values;
    WriteTree(HKEY_CURRENT_USER, SchemesPath(), tree);
    CRegScheme store(m_product, m_component);
    CString racing("Racing"), alpha("Alpha");

    EXPECT_EQ(0, store.DeleteSchemeKey(alpha));
    EXPECT_EQ("Racing", CurrentOf(store));
    EXPECT_EQ(0, store.DeleteSchemeKey(racing));
    EXPECT_EQ(".Default", CurrentOf(store));
    EXPECT_EQ((RegTree{{"", {{"Current Scheme", Sz(".Default")}}}, {".Default", {}}}),
              ReadTree(HKEY_CURRENT_USER, SchemesPath()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, store.DeleteSchemeKey(racing));
}

TEST_F(SchemeStoreTest, DeletingRefusesDefaultAndNamesThatAreNotOneKey)
{
    CRegScheme store(m_product, m_component);
    CString standard(".Default"), racing("Racing"), empty, nested("Racing\\Devices");
    EXPECT_EQ(ERROR_NO_DATA, store.DeleteSchemeKey(standard));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, store.DeleteSchemeKey(racing));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, SchemesPath()));

    WriteTree(HKEY_CURRENT_USER, SchemesPath(), Copied(MachineTree()));
    EXPECT_EQ(ERROR_NO_DATA, store.DeleteSchemeKey(standard));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, store.DeleteSchemeKey(empty));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, store.DeleteSchemeKey(nested));
    EXPECT_EQ(Copied(MachineTree()), ReadTree(HKEY_CURRENT_USER, SchemesPath()));

    // The refusal compares the exact spelling; the registry itself does not.
    CString other(".DEFAULT");
    EXPECT_EQ(0, store.DeleteSchemeKey(other));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, SchemesPath() + "\\.Default"));
}

TEST_F(SchemeStoreTest, TwoStoresOnOneTreeSeeEachOthersChanges)
{
    CRegScheme first(m_product, m_component), second(m_product, m_component);
    CString name, shared("Shared");
    EXPECT_EQ(".Default", CurrentOf(first));
    EXPECT_EQ(0, first.NewSchemeKey(shared));

    std::multiset<std::string> names;
    for (long status = second.GetFirstScheme(name); status == 0; status = second.GetNextScheme(name))
        names.insert(static_cast<LPCSTR>(name));
    EXPECT_EQ(1u, names.count("Shared"));

    EXPECT_EQ(0, second.SetCurrentScheme(shared));
    EXPECT_EQ("Shared", CurrentOf(first));
    EXPECT_EQ(0, second.DeleteSchemeKey(shared));
    EXPECT_EQ(".Default", CurrentOf(first));
}
