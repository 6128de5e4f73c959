// The scheme store and its device, module and user keys on real trees: each test has a
// component key of its own under a product key of "SOFTWARE\Corvanta", removed before and after.
#include "library/CFUtils.h"

#include "TestSupport.h"

#include <set>
#include <string>

namespace {

using namespace cfu::test;
using Seq = std::vector<std::string>;
using Walk = std::pair<std::multiset<std::string>, long>;   // the schemes listed, the status that ended the listing

const char kCorvanta[] = "SOFTWARE\\Corvanta";
const char kProduct[] = "CFUtilsTest Schemes";
const std::string kTemplate = ".Default\\Devices\\.Default\\0000";

// A machine-wide tree: ".Default" with a device template and module settings, "Racing" without a template.
const RegTree kMachine = {
    {"", {}}, {".Default", {}}, {".Default\\Devices", {}}, {".Default\\Devices\\.Default", {}},
    {kTemplate, {{"Model", Sz("Template")}}}, {kTemplate + "\\Usability", {{"Dead Zone", Sz("12")}}},
    {kTemplate + "\\Assignments",
     {{"Button 1", Sz("Fire")}, {"Axes", {REG_DWORD, std::string("\3\0\0\0", 4)}}, {"", Sz("unnamed")}}},
    {kTemplate + "\\Annimations", {{"Frames", {REG_BINARY, std::string("\1\0\2\0", 4)}}, {"Empty", {REG_BINARY, ""}}}},
    {".Default\\Page Extension Settings", {{"Last Page", Sz("2")}}},
    {"Racing", {{"Owner", Sz("machine")}}}, {"Racing\\Devices", {}}};

// A user who already has schemes of his own, "Racing" current.
const RegTree kUserTree = {
    {"", {{"Current Scheme", Sz("Racing")}}}, {".Default", {}}, {"Alpha", {}}, {"Racing", {{"Owner", Sz("user")}}}};

// A path or name the store delivers, or the failure's status.
std::string Answer(long status, const CString& s) { return status ? "status " + std::to_string(status) : LPCSTR(s); }

class SchemeTest : public testing::Test
{
protected:
    void SetUp() override { TearDown(); }
    // "Corvanta" goes too when nothing else is in it: RegDeleteKeyA refuses a key with subkeys.
    void TearDown() override
    {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            RegDeleteTreeA(root, (std::string(kCorvanta) + "\\" + kProduct).c_str());
            RegDeleteKeyA(root, kCorvanta);
        }
    }
    void SetUser(const RegTree& tree)
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, m_schemes.c_str());
        WriteTree(HKEY_CURRENT_USER, m_schemes, tree);
    }
    RegTree User() const { return ReadTree(HKEY_CURRENT_USER, m_schemes); }
    RegTree Machine() const { return ReadTree(HKEY_LOCAL_MACHINE, m_schemes); }
    std::string Current() { return Answer(m_store.GetCurrentScheme(m_name), m_name); }
    // The store's calls that take a name, with a name given as text.
    long Call(long (CRegScheme::*call)(CString&), const char* name, CRegScheme* store = nullptr)
    {
        m_name = name;
        return ((store ? *store : m_store).*call)(m_name);
    }

    CString m_product = kProduct, m_name;
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
    WriteTree(HKEY_LOCAL_MACHINE, m_schemes, kMachine);
    EXPECT_EQ(0, CRegUser(&m_store).NewUserKey());
    EXPECT_EQ(Copied(kMachine), User());
    // Non-volatile keys: a volatile one would refuse the user's later settings.
    EXPECT_TRUE(CreateKey(HKEY_CURRENT_USER, m_schemes + "\\" + kTemplate + "\\Usability\\Later"));

    // A user who has schemes keeps them; one he lacks comes from the machine's of that name, if any.
    SetUser(kUserTree);
    EXPECT_EQ(0, Call(&CRegScheme::NewSchemeKey, "Racing") + Call(&CRegScheme::NewSchemeKey, ".Default") +
                     CRegUser(&m_store).NewUserKey());
    EXPECT_EQ(kUserTree, User());
    RegDeleteTreeA(HKEY_CURRENT_USER, (m_schemes + "\\Racing").c_str());
    EXPECT_EQ(0, Call(&CRegScheme::NewSchemeKey, "Racing") + Call(&CRegScheme::NewSchemeKey, "Custom"));
    EXPECT_EQ(Copied(Subtree(kMachine, "Racing")), Subtree(User(), "Racing"));
    EXPECT_EQ((RegTree{{"", {}}}), Subtree(User(), "Custom"));
}

// Under a volatile key the platform refuses the non-volatile "Schemes"; its parents are
// made first, so that nothing shared turns volatile.
TEST_F(SchemeTest, AnUncreatableTreeChangesNothing)
{
    CreateKey(HKEY_CURRENT_USER, std::string(kCorvanta) + "\\" + kProduct + "\\CurrentVersion");
    CreateKey(HKEY_CURRENT_USER, m_schemes.substr(0, m_schemes.rfind('\\')), nullptr, REG_OPTION_VOLATILE);
    WriteTree(HKEY_LOCAL_MACHINE, m_schemes, kMachine);
    CString name("sentinel"), path("sentinel"), racing("Racing");
    CRegDevice device(racing, 1, &m_store);
    EXPECT_EQ(std::vector<long>(6, ERROR_NOT_ENOUGH_MEMORY),
              (std::vector<long>{m_store.GetCurrentScheme(name), m_store.NewSchemeKey(racing),
                                 m_store.SetCurrentScheme(racing), CRegUser(&m_store).NewUserKey(),
                                 device.GetUsabilityKey(path), device.NewDeviceKey()}));
    EXPECT_EQ("sentinel sentinel", std::string(name) + " " + std::string(path));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, m_schemes));
    EXPECT_EQ(kMachine, Machine());
}

// The count is taken at the first call; another store on the same tree adds, deletes and chooses schemes
// in between. A walk that never ends stops after nine names.
TEST_F(SchemeTest, ListingWalksEverySchemeOnceAsTheFirstCallCounted)
{
    CString name("sentinel");
    auto walk = [&](auto meanwhile) {
        Walk walked{{}, m_store.GetFirstScheme(name)};
        meanwhile();
        auto& [listed, status] = walked;
        for (int steps = 0; status == ERROR_SUCCESS && steps < 9; ++steps, status = m_store.GetNextScheme(name))
            listed.insert(std::string(name));
        return walked;
    };
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, m_store.GetNextScheme(name));   // before any first call
    EXPECT_EQ((Walk{{}, ERROR_NOT_ENOUGH_MEMORY}), walk([] {}));   // no tree
    SetUser({{"", {}}});
    EXPECT_EQ((Walk{{}, ERROR_NOT_ENOUGH_MEMORY}), walk([] {}));   // no scheme
    EXPECT_STREQ("sentinel", name);

    SetUser(kUserTree);
    CRegScheme other(m_product, m_component);
    EXPECT_EQ((Walk{{".Default", "Alpha", "Racing"}, ERROR_NO_DATA}),
              walk([&] { Call(&CRegScheme::NewSchemeKey, "Zulu", &other); }));
    // A scheme deleted meanwhile leaves the last position empty, which the platform reports.
    EXPECT_EQ((Walk{{".Default", "Racing", "Zulu"}, ERROR_NO_MORE_ITEMS}),
              walk([&] { Call(&CRegScheme::DeleteSchemeKey, "Alpha", &other); }));
    EXPECT_EQ(0, Call(&CRegScheme::SetCurrentScheme, "Zulu", &other) +
                     Call(&CRegScheme::DeleteSchemeKey, "Zulu", &other));
    EXPECT_EQ(".Default", Current());
}

TEST_F(SchemeTest, DeletingRemovesAWholeSchemeButNeverDefault)
{
    auto remove = [this](const char* name) { return Call(&CRegScheme::DeleteSchemeKey, name); };
    EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, remove("Racing"));   // no user tree

    // "Racing", the current scheme, with a full device tree.
    SetUser(kUserTree);
    WriteTree(HKEY_CURRENT_USER, m_schemes + "\\Racing", Subtree(kMachine, ".Default"));
    const RegTree tree = User();
    EXPECT_EQ((std::vector<long>{ERROR_NO_DATA, ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER}),
              (std::vector<long>{remove(".Default"), remove(""), remove("Racing\\Devices")}));
    EXPECT_EQ(tree, User());
    EXPECT_EQ(0, remove("Alpha") + remove("Racing"));
    EXPECT_EQ((RegTree{{"", {{"Current Scheme", Sz(".Default")}}}, {".Default", {}}}), User());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, remove("Racing"));
    // The refusal compares the exact spelling; the registry itself does not.
    EXPECT_EQ(0, remove(".DEFAULT"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, m_schemes + "\\.Default"));
}

TEST_F(SchemeTest, DeviceAndModuleKeysFollowTheCurrentSchemeAndKeepItAlive)
{
    CString stick("JoyStick"), path, untouched("sentinel");
    auto at = [&](long status) { return Answer(status, path); };
    CRegDevice device(stick, 0, &m_store);
    const std::string first = m_schemes + "\\.Default\\Devices\\JoyStick\\0000";
    EXPECT_EQ((Seq{first, first + "\\Assignments", first + "\\Annimations", first + "\\Usability"}),
              (Seq{at(device.GetDeviceKey(path)), at(device.GetAssignmentKey(path)), at(device.GetAnimationKey(path)),
                   at(device.GetUsabilityKey(path))}));
    ASSERT_EQ(0, Call(&CRegScheme::SetCurrentScheme, "Racing"));
    EXPECT_EQ(m_schemes + "\\Racing\\Page Extension Settings", at(CRegModule(&m_store).GetModuleKey(path)));
    for (auto [number, text] : {std::pair{12u, "0012"}, {12345u, "12345"}, {4294967295u, "4294967295"}})
        EXPECT_EQ(m_schemes + "\\Racing\\Devices\\JoyStick\\" + text,
                  at(CRegDevice(stick, number, &m_store).GetDeviceKey(path)));

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
    EXPECT_EQ(m_schemes + "\\Racing\\Devices\\JoyStick\\0002", at(pad->GetDeviceKey(path)));
    EXPECT_EQ(0u, pad->Release());

    GetDevFamilyName(untouched, 4);   // past the families: left alone
    GetDevFamilyName(path, 3);
    EXPECT_EQ("sentinel Trackorb", std::string(untouched) + " " + std::string(path));
}

TEST_F(SchemeTest, NewDeviceKeysAreCopiesOfTheTemplate)
{
    CString pad("GamePad"), standard(".Default");
    EXPECT_EQ(0, CRegDevice(pad, 7, &m_store).NewDeviceKey());   // no template: nothing made
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, m_schemes));

    WriteTree(HKEY_LOCAL_MACHINE, m_schemes, kMachine);
    EXPECT_EQ(0, CRegDevice(pad, 7, &m_store).NewDeviceKey() + CRegDevice(pad, 7, &m_store).NewDeviceKey());
    EXPECT_EQ(0, CRegDevice(standard, 0, &m_store).NewDeviceKey());   // the template, not copied onto itself
    RegTree expected = kMachine;
    for (const auto& [rel, values] : Copied(Subtree(kMachine, kTemplate)))
        expected[".Default\\Devices\\GamePad\\0007" + (rel.empty() ? "" : "\\" + rel)] = values;
    expected[".Default\\Devices\\GamePad"];
    EXPECT_EQ(expected, Machine());

    ASSERT_EQ(0, Call(&CRegScheme::SetCurrentScheme, "Racing"));   // a scheme without a template
    EXPECT_EQ(0, CRegDevice(pad, 1, &m_store).NewDeviceKey());
    EXPECT_EQ(expected, Machine());
}

} // namespace
