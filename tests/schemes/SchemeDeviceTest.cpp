#include "SchemeTreeFixture.h"

using namespace cfu::test;

namespace {

using SchemeDeviceTest = SchemeTreeTest;

std::string Text(const CString& s)
{
    return static_cast<LPCSTR>(s);
}

} // namespace

TEST_F(SchemeDeviceTest, DeviceKeysFollowTheCurrentScheme)
{
    CRegScheme store(m_product, m_component);
    CString joystick("JoyStick"), path;
    CRegDevice first(joystick, 0, &store);
    std::string device = SchemesPath() + "\\.Default\\Devices\\JoyStick\\0000";
    ASSERT_EQ(0, first.GetDeviceKey(path));
    EXPECT_EQ(device, Text(path));
    ASSERT_EQ(0, first.GetAssignmentKey(path));
    EXPECT_EQ(device + "\\Assignments", Text(path));
    ASSERT_EQ(0, first.GetAnimationKey(path));
    EXPECT_EQ(device + "\\Annimations", Text(path));
    ASSERT_EQ(0, first.GetUsabilityKey(path));
    EXPECT_EQ(device + "\\Usability", Text(path));

    CString racing("Racing");
    ASSERT_EQ(0, store.SetCurrentScheme(racing));
    ASSERT_EQ(0, CRegModule(&store).GetModuleKey(path));
    EXPECT_EQ(SchemesPath() + "\\Racing\\Page Extension Settings", Text(path));
    const struct { unsigned int number; const char* text; } numbers[] = {
        {12, "0012"}, {12345, "12345"}, {4294967295u, "4294967295"}};
    for (const auto& n : numbers) {
        CRegDevice numbered(joystick, n.number, &store);
        EXPECT_STREQ(n.text, numbered.m_strDeviceNumber);
        ASSERT_EQ(0, numbered.GetDeviceKey(path));
        EXPECT_EQ(SchemesPath() + "\\Racing\\Devices\\JoyStick\\" + n.text, Text(path));
    }
}

TEST_F(SchemeDeviceTest, ObjectsWithoutASchemeFail)
{
    CString wheel("Wheel"), path("sentinel");
    CRegDevice device(wheel, 1, NULL);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, device.GetDeviceKey(path));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, device.GetAnimationKey(path));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, device.NewDeviceKey());
    EXPECT_EQ(ERROR_INVALID_PARAMETER, CRegModule(NULL).GetModuleKey(path));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, CRegUser(NULL).NewUserKey());
    EXPECT_STREQ("sentinel", path);
}

TEST_F(SchemeDeviceTest, ObjectsKeepTheirSchemeAlive)
{
    CRegScheme* store = new CRegScheme(m_product, m_component);
    CString pad("GamePad"), path;
    CRegDevice* device = new CRegDevice(pad, 2, store);
    {
        CRegModule module(store);
        CRegUser user(store);
        EXPECT_EQ(4u, store->CurrentCount());
    }
    EXPECT_EQ(1u, store->Release());
    EXPECT_EQ(store, device->m_pScheme);
    EXPECT_EQ(1u, store->CurrentCount());
    EXPECT_EQ(0, device->GetDeviceKey(path));
    EXPECT_EQ(SchemesPath() + "\\.Default\\Devices\\GamePad\\0002", Text(path));
    EXPECT_EQ(0u, device->Release());
}

TEST_F(SchemeDeviceTest, NewDeviceKeyCopiesTheTemplate)
{
    WriteTree(HKEY_LOCAL_MACHINE, SchemesPath(), MachineTree());
    CRegScheme store(m_product, m_component);
    CString pad("GamePad"), standard(".Default");
    EXPECT_EQ(0, CRegDevice(pad, 7, &store).NewDeviceKey());
    EXPECT_EQ(0, CRegDevice(pad, 7, &store).NewDeviceKey());
    // The template itself is not copied onto itself.
    EXPECT_EQ(0, CRegDevice(standard, 0, &store).NewDeviceKey());

    RegTree machine = ReadTree(HKEY_LOCAL_MACHINE, SchemesPath());
    RegTree expected = MachineTree();
    for (const auto& [rel, values] : Copied(Subtree(MachineTree(), kTemplate)))
        expected[".Default\\Devices\\GamePad\\0007" + (rel.empty() ? "" : "\\" + rel)] = values;
    expected[".Default\\Devices\\GamePad"];
    EXPECT_EQ(expected, machine);
    // Reading the current scheme seeded the user on the way.
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, SchemesPath() + "\\" + kTemplate));
}

TEST_F(SchemeDeviceTest, NewDeviceKeyWithoutTemplateCreatesNothing)
{
    CRegScheme store(m_product, m_component);
    CString stick("JoyStick"), racing("Racing");
    EXPECT_EQ(0, CRegDevice(stick, 1, &store).NewDeviceKey());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, SchemesPath()));

    WriteTree(HKEY_LOCAL_MACHINE, SchemesPath(), MachineTree());
    ASSERT_EQ(0, store.SetCurrentScheme(racing));
    EXPECT_EQ(0, CRegDevice(stick, 1, &store).NewDeviceKey());
    EXPECT_EQ(MachineTree(), ReadTree(HKEY_LOCAL_MACHINE, SchemesPath()));
}

TEST_F(SchemeDeviceTest, NewUserKeyCopiesTheWholeMachineTree)
{
    WriteTree(HKEY_LOCAL_MACHINE, SchemesPath(), MachineTree());
    CRegScheme store(m_product, m_component);
    CRegUser user(&store);
    EXPECT_EQ(0, user.NewUserKey());
    EXPECT_EQ(Copied(MachineTree()), ReadTree(HKEY_CURRENT_USER, SchemesPath()));
    EXPECT_EQ(0, user.NewUserKey());
    EXPECT_EQ(Copied(MachineTree()), ReadTree(HKEY_CURRENT_USER, SchemesPath()));
}

TEST(DevFamilyName, NamesTheFourFamilies)
{
    const char* const names[] = {"JoyStick", "GamePad", "Wheel", "Trackorb"};
    for (unsigned int family = 0; family < 4; ++family) {
        CString name;
        GetDevFamilyName(name, family);
        EXPECT_STREQ(names[family], name);
    }
    for (unsigned int family : {4u, 0xffffffffu}) {
        CString name("sentinel");
        GetDevFamilyName(name, family);
        EXPECT_STREQ("sentinel", name);
    }
}
