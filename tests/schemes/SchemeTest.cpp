// The scheme store and its device, module and user keys on real trees. The
// store's roots are fixed, so each test gets a component key of its own under
// a product key of "SOFTWARE\Corvanta", removed before and after.
#include "library/CFUtils.h"

#include "RegTree.h"
#include "TestSupport.h"

#include <set>
#include <string>

namespace {

using namespace cfu::test;

const char kCorvanta[] = "SOFTWARE\\Corvanta";
const char kProduct[] = "CFUtilsTest Schemes";
const char kTemplate[] = ".Default\\Devices\\.Default\\0000";

// A machine-wide tree: ".Default" with a device template and module settings,
// and a "Racing" scheme without a template.
RegTree MachineTree()
{
    const std::string device = kTemplate;
    return {{"", {}}, {".Default", {}}, {".Default\\Devices", {}}, {".Default\\Devices\\.Default", {}},
            {device, {{"Model", Sz("Template")}}},
            {device + "\\Assignments",
             {{"Button 1", Sz("Fire")}, {"Axes", {REG_DWORD, std::string("\3\0\0\0", 4)}}, {"", Sz("unnamed")}}},
            {device + "\\Annimations",
             {{"Frames", {REG_BINARY, std::string("\1\0\2\0", 4)}}, {"Empty", {REG_BINARY, ""}}}},
            {device + "\\Usability", {{"Dead Zone", Sz("12")}}},
            {".Default\\Page Extension Settings", {{"Last Page", Sz("2")}}},
            {"Racing", {{"Owner", Sz("machine")}}},
            {"Racing\\Devices", {}}};
}

// A user who already has schemes of his own, "Racing" current.
RegTree UserTree()
{
    return {{"", {{"Current Scheme", Sz("Racing")}}}, {".Default", {}}, {"Alpha", {}},
            {"Racing", {{"Owner", Sz("user")}}}};
}

// part's keys and values added to tree below at.
void Graft(RegTree& tree, const std::string& at, const RegTree& part)
{
    for (const auto& [rel, values] : part)
        tree[rel.empty() ? at : at + "\\" + rel].insert(values.begin(), values.end());
}

// first, then what GetNextScheme gives; last: the status that ended the walk.
std::multiset<std::string> Listed(CRegScheme& store, const CString& first, long& last)
{
    std::multiset<std::string> names{std::string(first)};
    CString name;
    while ((last = store.GetNextScheme(name)) == ERROR_SUCCESS)
        names.insert(std::string(name));
    return names;
}

class SchemeTest : public testing::Test
{
protected:
    void SetUp() override { RemoveProduct(); }
    void TearDown() override { RemoveProduct(); }
    void RemoveProduct()
    {
        // "Corvanta" goes too when nothing else is in it: RegDeleteKeyA refuses a key with subkeys.
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            RegDeleteTreeA(root, (std::string(kCorvanta) + "\\" + kProduct).c_str());
            RegDeleteKeyA(root, kCorvanta);
        }
    }
    RegTree User() const { return ReadTree(HKEY_CURRENT_USER, m_schemes); }
    RegTree Machine() const { return ReadTree(HKEY_LOCAL_MACHINE, m_schemes); }
    // A path the store delivers, or the failure's status.
    static std::string Answer(long status, const CString& text)
    {
        return status == ERROR_SUCCESS ? std::string(text) : "status " + std::to_string(status);
    }
    std::string Current()
    {
        CString name;
        return Answer(m_store.GetCurrentScheme(name), name);
    }

    CString m_product = kProduct;
    CString m_component = testing::UnitTest::GetInstance()->current_test_info()->name();
    CRegScheme m_store{m_product, m_component};
    const std::string m_schemes =
        std::string(kCorvanta) + "\\" + kProduct + "\\CurrentVersion\\" + std::string(m_component) + "\\Schemes";
};

TEST_F(SchemeTest, AUserWhoHasNothingIsSeededFromTheMachine)
{
    EXPECT_EQ(".Default", Current());   // without a machine tree the user starts empty
    EXPECT_EQ((RegTree{{"", {{"Current Scheme", Sz(".Default")}}}}), User());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, m_schemes));

    RegDeleteTreeA(HKEY_CURRENT_USER, m_schemes.c_str());
    WriteTree(HKEY_LOCAL_MACHINE, m_schemes, MachineTree());
    EXPECT_EQ(".Default", Current());
    RegTree expected = Copied(MachineTree());
    expected[""]["Current Scheme"] = Sz(".Default");
    EXPECT_EQ(expected, User());
    EXPECT_EQ(MachineTree(), Machine());
    // Non-volatile keys: a volatile one would refuse the user's later settings (1021).
    EXPECT_TRUE(CreateKey(HKEY_CURRENT_USER, m_schemes + "\\" + kTemplate + "\\Usability\\Later"));
    CString path("sentinel");
    EXPECT_EQ(m_schemes + "\\.Default", Answer(m_store.GetSchemeKey(path), path));

    RegDeleteTreeA(HKEY_CURRENT_USER, m_schemes.c_str());
    EXPECT_EQ(0, CRegUser(&m_store).NewUserKey());
    EXPECT_EQ(Copied(MachineTree()), User());
}

TEST_F(SchemeTest, AUserWhoHasSchemesKeepsThem)
{
    WriteTree(HKEY_LOCAL_MACHINE, m_schemes, MachineTree());
    WriteTree(HKEY_CURRENT_USER, m_schemes, UserTree());
    EXPECT_EQ("Racing", Current());
    CString racing("Racing"), standard(".Default"), custom("Custom");
    EXPECT_EQ(0, m_store.NewSchemeKey(racing));
    EXPECT_EQ(0, m_store.NewSchemeKey(standard));
    EXPECT_EQ(0, CRegUser(&m_store).NewUserKey());
    EXPECT_EQ(UserTree(), User());

    // A scheme the user lacks comes from the machine's of that name, if any.
    RegDeleteTreeA(HKEY_CURRENT_USER, (m_schemes + "\\Racing").c_str());
    EXPECT_EQ(0, m_store.NewSchemeKey(racing));
    EXPECT_EQ(0, m_store.NewSchemeKey(custom));
    EXPECT_EQ(Copied(Subtree(MachineTree(), "Racing")), Subtree(User(), "Racing"));
    EXPECT_EQ((RegTree{{"", {}}}), Subtree(User(), "Custom"));
}

TEST_F(SchemeTest, TheCurrentSchemeIsRecordedAsText)
{
    CString nowhere("Nowhere"), path;
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, m_store.SetCurrentScheme(nowhere));   // no user tree
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, m_schemes));
    WriteTree(HKEY_CURRENT_USER, m_schemes, {{".Default", {}}});
    EXPECT_EQ(0, m_store.SetCurrentScheme(nowhere));   // its key need not exist
    EXPECT_EQ(Sz("Nowhere"), User()[""]["Current Scheme"]);
    EXPECT_EQ(m_schemes + "\\Nowhere", Answer(m_store.GetSchemeKey(path), path));
    ASSERT_EQ(0, RegDeleteKeyValueA(HKEY_CURRENT_USER, m_schemes.c_str(), "Current Scheme"));
    EXPECT_EQ(".Default", Current());
    EXPECT_EQ(Sz(".Default"), User()[""]["Current Scheme"]);
}

// Under a volatile key the platform refuses the non-volatile "Schemes" (1021).
TEST_F(SchemeTest, AnUncreatableTreeFailsEverywhereAndChangesNothing)
{
    const std::string component = m_schemes.substr(0, m_schemes.rfind('\\'));
    // Its parents first, so that nothing shared turns volatile.
    CreateKey(HKEY_CURRENT_USER, component.substr(0, component.rfind('\\')));
    CreateKey(HKEY_CURRENT_USER, component, nullptr, REG_OPTION_VOLATILE);
    WriteTree(HKEY_LOCAL_MACHINE, m_schemes, MachineTree());
    CString name("sentinel"), path("sentinel"), racing("Racing");
    CRegDevice device(racing, 1, &m_store);
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, m_store.GetCurrentScheme(name));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, m_store.NewSchemeKey(racing));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, m_store.SetCurrentScheme(racing));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, m_store.GetFirstScheme(name));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, CRegUser(&m_store).NewUserKey());
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, device.GetUsabilityKey(path));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, device.NewDeviceKey());
    EXPECT_STREQ("sentinel", name);
    EXPECT_STREQ("sentinel", path);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, m_schemes));
    EXPECT_EQ(MachineTree(), Machine());
}

// The count is taken at the first call; another store on the same tree adds,
// deletes and chooses schemes in between.
TEST_F(SchemeTest, ListingWalksEverySchemeOnceAsTheFirstCallCounted)
{
    CString name("sentinel"), zulu("Zulu"), alpha("Alpha");
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, m_store.GetNextScheme(name));   // before any first call
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, m_store.GetFirstScheme(name));   // no tree
    WriteTree(HKEY_CURRENT_USER, m_schemes, {{"", {}}});
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, m_store.GetFirstScheme(name));   // no scheme
    EXPECT_STREQ("sentinel", name);

    WriteTree(HKEY_CURRENT_USER, m_schemes, UserTree());
    long last = 0;
    ASSERT_EQ(0, m_store.GetFirstScheme(name));
    EXPECT_EQ((std::multiset<std::string>{".Default", "Alpha", "Racing"}), Listed(m_store, name, last));
    EXPECT_EQ(ERROR_NO_DATA, last);
    EXPECT_EQ(ERROR_NO_DATA, m_store.GetNextScheme(name));

    CRegScheme other(m_product, m_component);
    ASSERT_EQ(0, m_store.GetFirstScheme(name));
    EXPECT_EQ(0, other.NewSchemeKey(zulu));
    EXPECT_EQ((std::multiset<std::string>{".Default", "Alpha", "Racing"}), Listed(m_store, name, last));
    EXPECT_EQ(ERROR_NO_DATA, last);
    // A scheme deleted meanwhile leaves the last position empty, which the platform reports.
    ASSERT_EQ(0, m_store.GetFirstScheme(name));
    EXPECT_EQ(0, other.DeleteSchemeKey(alpha));
    EXPECT_EQ((std::multiset<std::string>{".Default", "Racing", "Zulu"}), Listed(m_store, name, last));
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, last);

    EXPECT_EQ(0, other.SetCurrentScheme(zulu));
    EXPECT_EQ("Zulu", Current());
    EXPECT_EQ(0, other.DeleteSchemeKey(zulu));
    EXPECT_EQ(".Default", Current());
}

TEST_F(SchemeTest, DeletingRemovesAWholeSchemeButNeverDefault)
{
    CString standard(".Default"), racing("Racing"), alpha("Alpha"), empty, nested("Racing\\Devices");
    EXPECT_EQ(ERROR_NO_DATA, m_store.DeleteSchemeKey(standard));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, m_store.DeleteSchemeKey(racing));   // no user tree
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, m_schemes));

    RegTree tree = UserTree();   // "Racing", the current scheme, with a full device tree
    Graft(tree, "Racing", Subtree(MachineTree(), ".Default"));
    WriteTree(HKEY_CURRENT_USER, m_schemes, tree);
    EXPECT_EQ(ERROR_NO_DATA, m_store.DeleteSchemeKey(standard));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, m_store.DeleteSchemeKey(empty));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, m_store.DeleteSchemeKey(nested));
    EXPECT_EQ(tree, User());

    EXPECT_EQ(0, m_store.DeleteSchemeKey(alpha));
    EXPECT_EQ("Racing", Current());
    EXPECT_EQ(0, m_store.DeleteSchemeKey(racing));
    EXPECT_EQ(".Default", Current());
    EXPECT_EQ((RegTree{{"", {{"Current Scheme", Sz(".Default")}}}, {".Default", {}}}), User());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, m_store.DeleteSchemeKey(racing));
    // The refusal compares the exact spelling; the registry itself does not.
    CString upper(".DEFAULT");
    EXPECT_EQ(0, m_store.DeleteSchemeKey(upper));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, m_schemes + "\\.Default"));
}

TEST_F(SchemeTest, DeviceAndModuleKeysFollowTheCurrentSchemeAndKeepItAlive)
{
    CString stick("JoyStick"), racing("Racing"), path, untouched("sentinel");
    CRegDevice device(stick, 0, &m_store);
    const std::string first = m_schemes + "\\.Default\\Devices\\JoyStick\\0000";
    EXPECT_EQ(first, Answer(device.GetDeviceKey(path), path));
    EXPECT_EQ(first + "\\Assignments", Answer(device.GetAssignmentKey(path), path));
    EXPECT_EQ(first + "\\Annimations", Answer(device.GetAnimationKey(path), path));
    EXPECT_EQ(first + "\\Usability", Answer(device.GetUsabilityKey(path), path));
    ASSERT_EQ(0, m_store.SetCurrentScheme(racing));
    EXPECT_EQ(m_schemes + "\\Racing\\Page Extension Settings",
              Answer(CRegModule(&m_store).GetModuleKey(path), path));
    const std::pair<unsigned, const char*> numbers[] = {{12, "0012"}, {12345, "12345"}, {4294967295u, "4294967295"}};
    for (auto [number, text] : numbers)
        EXPECT_EQ(m_schemes + "\\Racing\\Devices\\JoyStick\\" + text,
                  Answer(CRegDevice(stick, number, &m_store).GetDeviceKey(path), path));

    CRegDevice orphan(stick, 1, NULL);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, orphan.GetDeviceKey(untouched));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, orphan.NewDeviceKey());
    EXPECT_EQ(ERROR_INVALID_PARAMETER, CRegModule(NULL).GetModuleKey(untouched));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, CRegUser(NULL).NewUserKey());
    EXPECT_STREQ("sentinel", untouched);

    // The objects keep their store alive.
    CRegScheme* store = new CRegScheme(m_product, m_component);
    CRegDevice* pad = new CRegDevice(stick, 2, store);
    {
        CRegModule module(store);
        CRegUser user(store);
        EXPECT_EQ(4u, store->CurrentCount());
    }
    EXPECT_EQ(1u, store->Release());
    EXPECT_EQ(m_schemes + "\\Racing\\Devices\\JoyStick\\0002", Answer(pad->GetDeviceKey(path), path));
    EXPECT_EQ(0u, pad->Release());
}

TEST_F(SchemeTest, NewDeviceKeysAreCopiesOfTheTemplate)
{
    CString pad("GamePad"), standard(".Default"), racing("Racing");
    EXPECT_EQ(0, CRegDevice(pad, 7, &m_store).NewDeviceKey());   // no template: nothing made
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, m_schemes));

    WriteTree(HKEY_LOCAL_MACHINE, m_schemes, MachineTree());
    EXPECT_EQ(0, CRegDevice(pad, 7, &m_store).NewDeviceKey());
    EXPECT_EQ(0, CRegDevice(pad, 7, &m_store).NewDeviceKey());
    EXPECT_EQ(0, CRegDevice(standard, 0, &m_store).NewDeviceKey());   // the template, not copied onto itself
    RegTree expected = MachineTree();
    expected[".Default\\Devices\\GamePad"];
    Graft(expected, ".Default\\Devices\\GamePad\\0007", Copied(Subtree(MachineTree(), kTemplate)));
    EXPECT_EQ(expected, Machine());

    ASSERT_EQ(0, m_store.SetCurrentScheme(racing));   // a scheme without a template
    EXPECT_EQ(0, CRegDevice(pad, 1, &m_store).NewDeviceKey());
    EXPECT_EQ(expected, Machine());
}

TEST(DevFamilyNameTest, NamesFourFamiliesAndLeavesOthersAlone)
{
    CString name("sentinel");
    GetDevFamilyName(name, 4);
    EXPECT_STREQ("sentinel", name);
    GetDevFamilyName(name, 3);
    EXPECT_STREQ("Trackorb", name);
}

} // namespace
