// The scheme store and its device, module and user keys on real trees. The
// store's roots are fixed, so each test gets a component key of its own under
// a product key of "SOFTWARE\Corvanta", removed before and after.
#include "library/CFUtils.h"

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
const RegTree kUserTree = {
    {"", {{"Current Scheme", Sz("Racing")}}}, {".Default", {}}, {"Alpha", {}}, {"Racing", {{"Owner", Sz("user")}}}};

// part's keys and values added to tree below at.
RegTree Graft(RegTree tree, const std::string& at, const RegTree& part)
{
    for (const auto& [rel, values] : part)
        tree[rel.empty() ? at : at + "\\" + rel].insert(values.begin(), values.end());
    return tree;
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
    // A path or name the store delivers, or the failure's status.
    static std::string Answer(long status, const CString& text)
    {
        return status == ERROR_SUCCESS ? std::string(text) : "status " + std::to_string(status);
    }
    std::string Current()
    {
        CString name;
        return Answer(m_store.GetCurrentScheme(name), name);
    }
    // The store's calls that take a name, with a name given as text.
    long Call(long (CRegScheme::*call)(CString&), const char* name, CRegScheme* store = nullptr)
    {
        CString text(name);
        return ((store ? *store : m_store).*call)(text);
    }

    CString m_product = kProduct;
    CString m_component = testing::UnitTest::GetInstance()->current_test_info()->name();
    CRegScheme m_store{m_product, m_component};
    const std::string m_schemes =
        std::string(kCorvanta) + "\\" + kProduct + "\\CurrentVersion\\" + std::string(m_component) + "\\Schemes";
};

TEST_F(SchemeTest, AUserIsSeededFromTheMachineWithWhatHeLacks)
{
    EXPECT_EQ(".Default", Current());   // without a machine tree the user starts empty
    EXPECT_EQ((RegTree{{"", {{"Current Scheme", Sz(".Default")}}}}), User());

    RegDeleteTreeA(HKEY_CURRENT_USER, m_schemes.c_str());
    WriteTree(HKEY_LOCAL_MACHINE, m_schemes, MachineTree());
    EXPECT_EQ(".Default", Current());
    RegTree expected = Copied(MachineTree());
    expected[""]["Current Scheme"] = Sz(".Default");
    EXPECT_EQ(expected, User());
    EXPECT_EQ(MachineTree(), Machine());
    // Non-volatile keys: a volatile one would refuse the user's later settings.
    EXPECT_TRUE(CreateKey(HKEY_CURRENT_USER, m_schemes + "\\" + kTemplate + "\\Usability\\Later"));
    RegDeleteTreeA(HKEY_CURRENT_USER, m_schemes.c_str());
    EXPECT_EQ(0, CRegUser(&m_store).NewUserKey());
    EXPECT_EQ(Copied(MachineTree()), User());

    // A user who has schemes keeps them; one he lacks comes from the machine's of that name, if any.
    RegDeleteTreeA(HKEY_CURRENT_USER, m_schemes.c_str());
    WriteTree(HKEY_CURRENT_USER, m_schemes, kUserTree);
    EXPECT_EQ(0, Call(&CRegScheme::NewSchemeKey, "Racing") + Call(&CRegScheme::NewSchemeKey, ".Default") +
                     CRegUser(&m_store).NewUserKey());
    EXPECT_EQ(kUserTree, User());
    RegDeleteTreeA(HKEY_CURRENT_USER, (m_schemes + "\\Racing").c_str());
    EXPECT_EQ(0, Call(&CRegScheme::NewSchemeKey, "Racing") + Call(&CRegScheme::NewSchemeKey, "Custom"));
    EXPECT_EQ(Copied(Subtree(MachineTree(), "Racing")), Subtree(User(), "Racing"));
    EXPECT_EQ((RegTree{{"", {}}}), Subtree(User(), "Custom"));
}

TEST_F(SchemeTest, TheCurrentSchemeIsRecordedAsTextAndAnUncreatableTreeChangesNothing)
{
    CString path;
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, Call(&CRegScheme::SetCurrentScheme, "Nowhere"));   // no user tree
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, m_schemes));
    WriteTree(HKEY_CURRENT_USER, m_schemes, {{".Default", {}}});
    EXPECT_EQ(0, Call(&CRegScheme::SetCurrentScheme, "Nowhere"));   // its key need not exist
    EXPECT_EQ(Sz("Nowhere"), User()[""]["Current Scheme"]);
    EXPECT_EQ(m_schemes + "\\Nowhere", Answer(m_store.GetSchemeKey(path), path));
    ASSERT_EQ(0, RegDeleteKeyValueA(HKEY_CURRENT_USER, m_schemes.c_str(), "Current Scheme"));
    EXPECT_EQ(".Default", Current());
    EXPECT_EQ(Sz(".Default"), User()[""]["Current Scheme"]);

    // Under a volatile key the platform refuses the non-volatile "Schemes"; its parents
    // are made first, so that nothing shared turns volatile.
    RemoveProduct();
    const std::string component = m_schemes.substr(0, m_schemes.rfind('\\'));
    CreateKey(HKEY_CURRENT_USER, component.substr(0, component.rfind('\\')));
    CreateKey(HKEY_CURRENT_USER, component, nullptr, REG_OPTION_VOLATILE);
    WriteTree(HKEY_LOCAL_MACHINE, m_schemes, MachineTree());
    CString name("sentinel"), racing("Racing");
    path = "sentinel";
    CRegDevice device(racing, 1, &m_store);
    EXPECT_EQ(std::vector<long>(7, ERROR_NOT_ENOUGH_MEMORY),
              (std::vector<long>{m_store.GetCurrentScheme(name), m_store.NewSchemeKey(racing),
                                 m_store.SetCurrentScheme(racing), m_store.GetFirstScheme(name),
                                 CRegUser(&m_store).NewUserKey(), device.GetUsabilityKey(path), device.NewDeviceKey()}));
    EXPECT_EQ("sentinel sentinel", std::string(name) + " " + std::string(path));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, m_schemes));
    EXPECT_EQ(MachineTree(), Machine());
}

// The count is taken at the first call; another store on the same tree adds,
// deletes and chooses schemes in between. A walk gives the names listed and
// the status that ended it; a walk that never ends stops after nine.
TEST_F(SchemeTest, ListingWalksEverySchemeOnceAsTheFirstCallCounted)
{
    CString name("sentinel");
    auto walk = [&](auto meanwhile) {
        long status = m_store.GetFirstScheme(name);
        meanwhile();
        std::multiset<std::string> listed;
        for (int steps = 0; status == ERROR_SUCCESS && steps < 9; ++steps, status = m_store.GetNextScheme(name))
            listed.insert(std::string(name));
        std::string text;
        for (const std::string& n : listed)
            text += n + " ";
        return text + std::to_string(status);
    };
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, m_store.GetNextScheme(name));   // before any first call
    EXPECT_EQ("8", walk([] {}));   // no tree: ERROR_NOT_ENOUGH_MEMORY
    WriteTree(HKEY_CURRENT_USER, m_schemes, {{"", {}}});
    EXPECT_EQ("8", walk([] {}));   // no scheme
    EXPECT_STREQ("sentinel", name);

    WriteTree(HKEY_CURRENT_USER, m_schemes, kUserTree);
    CRegScheme other(m_product, m_component);
    EXPECT_EQ(".Default Alpha Racing 232", walk([] {}));   // ERROR_NO_DATA
    EXPECT_EQ(".Default Alpha Racing 232", walk([&] { Call(&CRegScheme::NewSchemeKey, "Zulu", &other); }));
    // A scheme deleted meanwhile leaves the last position empty, which the platform reports.
    EXPECT_EQ(".Default Racing Zulu 259", walk([&] { Call(&CRegScheme::DeleteSchemeKey, "Alpha", &other); }));
    EXPECT_EQ(0, Call(&CRegScheme::SetCurrentScheme, "Zulu", &other));
    EXPECT_EQ("Zulu", Current());
    EXPECT_EQ(0, Call(&CRegScheme::DeleteSchemeKey, "Zulu", &other));
    EXPECT_EQ(".Default", Current());
}

TEST_F(SchemeTest, DeletingRemovesAWholeSchemeButNeverDefault)
{
    auto remove = [this](const char* name) { return Call(&CRegScheme::DeleteSchemeKey, name); };
    EXPECT_EQ(ERROR_NO_DATA, remove(".Default"));
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, remove("Racing"));   // no user tree
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, m_schemes));

    // "Racing", the current scheme, with a full device tree.
    const RegTree tree = Graft(kUserTree, "Racing", Subtree(MachineTree(), ".Default"));
    WriteTree(HKEY_CURRENT_USER, m_schemes, tree);
    EXPECT_EQ((std::vector<long>{ERROR_NO_DATA, ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER}),
              (std::vector<long>{remove(".Default"), remove(""), remove("Racing\\Devices")}));
    EXPECT_EQ(tree, User());
    EXPECT_EQ(0, remove("Alpha"));
    EXPECT_EQ("Racing", Current());
    EXPECT_EQ(0, remove("Racing"));
    EXPECT_EQ(".Default", Current());
    EXPECT_EQ((RegTree{{"", {{"Current Scheme", Sz(".Default")}}}, {".Default", {}}}), User());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, remove("Racing"));
    // The refusal compares the exact spelling; the registry itself does not.
    EXPECT_EQ(0, remove(".DEFAULT"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, m_schemes + "\\.Default"));
}

TEST_F(SchemeTest, DeviceAndModuleKeysFollowTheCurrentSchemeAndKeepItAlive)
{
    CString stick("JoyStick"), path, untouched("sentinel");
    CRegDevice device(stick, 0, &m_store);
    const std::string first = m_schemes + "\\.Default\\Devices\\JoyStick\\0000";
    EXPECT_EQ((std::vector<std::string>{first, first + "\\Assignments", first + "\\Annimations", first + "\\Usability"}),
              (std::vector<std::string>{Answer(device.GetDeviceKey(path), path),
                                        Answer(device.GetAssignmentKey(path), path),
                                        Answer(device.GetAnimationKey(path), path),
                                        Answer(device.GetUsabilityKey(path), path)}));
    ASSERT_EQ(0, Call(&CRegScheme::SetCurrentScheme, "Racing"));
    EXPECT_EQ(m_schemes + "\\Racing\\Page Extension Settings", Answer(CRegModule(&m_store).GetModuleKey(path), path));
    const std::pair<unsigned, const char*> numbers[] = {{12, "0012"}, {12345, "12345"}, {4294967295u, "4294967295"}};
    for (auto [number, text] : numbers)
        EXPECT_EQ(m_schemes + "\\Racing\\Devices\\JoyStick\\" + text,
                  Answer(CRegDevice(stick, number, &m_store).GetDeviceKey(path), path));

    CRegDevice orphan(stick, 1, NULL);
    EXPECT_EQ(std::vector<long>(4, ERROR_INVALID_PARAMETER),
              (std::vector<long>{orphan.GetDeviceKey(untouched), orphan.NewDeviceKey(),
                                 CRegModule(NULL).GetModuleKey(untouched), CRegUser(NULL).NewUserKey()}));
    EXPECT_STREQ("sentinel", untouched);

    // The objects keep their store alive.
    CRegScheme* store = new CRegScheme(m_product, m_component);
    CRegDevice* pad = new CRegDevice(stick, 2, store);
    EXPECT_EQ(3u, CRegModule(store).m_pScheme->CurrentCount());   // its own, the device's and the module's
    EXPECT_EQ(1u, store->Release());
    EXPECT_EQ(m_schemes + "\\Racing\\Devices\\JoyStick\\0002", Answer(pad->GetDeviceKey(path), path));
    EXPECT_EQ(0u, pad->Release());

    GetDevFamilyName(untouched, 4);
    EXPECT_STREQ("sentinel", untouched);
    GetDevFamilyName(untouched, 3);
    EXPECT_STREQ("Trackorb", untouched);
}

TEST_F(SchemeTest, NewDeviceKeysAreCopiesOfTheTemplate)
{
    CString pad("GamePad"), standard(".Default");
    EXPECT_EQ(0, CRegDevice(pad, 7, &m_store).NewDeviceKey());   // no template: nothing made
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, m_schemes));

    WriteTree(HKEY_LOCAL_MACHINE, m_schemes, MachineTree());
    EXPECT_EQ(0, CRegDevice(pad, 7, &m_store).NewDeviceKey() + CRegDevice(pad, 7, &m_store).NewDeviceKey());
    EXPECT_EQ(0, CRegDevice(standard, 0, &m_store).NewDeviceKey());   // the template, not copied onto itself
    RegTree expected = Graft(MachineTree(), ".Default\\Devices\\GamePad\\0007", Copied(Subtree(MachineTree(), kTemplate)));
    expected[".Default\\Devices\\GamePad"];
    EXPECT_EQ(expected, Machine());

    ASSERT_EQ(0, Call(&CRegScheme::SetCurrentScheme, "Racing"));   // a scheme without a template
    EXPECT_EQ(0, CRegDevice(pad, 1, &m_store).NewDeviceKey());
    EXPECT_EQ(expected, Machine());
}

} // namespace
