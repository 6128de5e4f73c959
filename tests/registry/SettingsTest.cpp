// The settings accessors and the control centre's flags on the suite's real
// machine-wide key, which every test puts back as it found it.
#include "library/CFUtils.h"

#include "TestSupport.h"

#include <string>
#include <vector>

namespace {

using namespace cfu::test;
using cfu::unique_hkey;

const char kParent[] = "Software\\Corvanta\\Corvanta FlyDeck Software";
const std::string kSuite = std::string(kParent) + "\\CurrentVersion";
const std::string kControlCenter = kSuite + "\\Control Center";

class SettingsTest : public testing::Test
{
protected:
    SavedKey m_saved{HKEY_LOCAL_MACHINE, kSuite};
};

// Values planted by the platform's calls; every text buffer is followed by guard bytes.
TEST_F(SettingsTest, ReadsFallBackToTheirDefaults)
{
    const struct
    {
        RegValue stored;   // REG_NONE: no such value
        unsigned long size;
        std::string text;   // "-": the buffer untouched
        unsigned long number;
    } cases[] = {
        {{REG_NONE, ""}, 10, "abc", 77},          {{REG_NONE, ""}, 2, "a", 77},
        {{REG_NONE, ""}, 0, "-", 77},             {{REG_BINARY, "\1\2"}, 3, "\1\2", 0x0201},
        {{REG_BINARY, "abcd"}, 4, "abc", 0x64636261},   // no zero stored: the last byte gives way
        {{REG_QWORD, std::string(8, '\1')}, 9, std::string(8, '\1'), 77},
    };
    unique_hkey key = CreateKey(HKEY_LOCAL_MACHINE, kSuite + "\\Test");
    CRegistryAccess access("Test");
    for (const auto& c : cases) {
        RegDeleteValueA(key.get(), "V");
        if (c.stored.first != REG_NONE)
            WriteValue(key.get(), "V", c.stored.first, c.stored.second);
        EXPECT_EQ(c.number, access.LoadValue("V", 77));
        std::vector<char> buffer(c.size + 16, '\xbd');
        access.LoadValue("V", buffer.data(), c.size, "abc");
        const size_t used = c.text == "-" ? 0 : c.text.size() + 1;
        EXPECT_EQ(c.text == "-" ? "" : c.text + '\0', std::string(buffer.data(), used));
        const size_t guard = used ? c.size : 0;
        EXPECT_EQ(std::string(buffer.size() - guard, '\xbd'), std::string(buffer.begin() + guard, buffer.end()));
    }
    char text[4] = "xyz";
    access.LoadValue("Missing", text, sizeof text, nullptr);   // no default: empty
    EXPECT_STREQ("", text);
}

TEST_F(SettingsTest, WritesLandWhereEachAccessorPointsOrNowhere)
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSuite.c_str());
    CRegistryAccess("Test").StoreValue("Count", 1ul);   // no suite key: nothing happens
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kSuite));

    const std::string global = kSuite + "\\Global\\Deeper";
    CreateKey(HKEY_LOCAL_MACHINE, kSuite);
    CRegistryAccess().StoreValue("Count", 0x80000001ul);
    CRegistryAccess("Test").StoreValue("Null", nullptr);
    CGlobalSettingRegAccess(global.c_str()).StoreValue("Name", "text");
    EXPECT_NE(nullptr, CGlobalSettingRegAccess().m_hKey);   // HKEY_LOCAL_MACHINE itself, in Wine
    EXPECT_EQ((RegTree{{"", {{"Count", {REG_DWORD, std::string("\x01\0\0\x80", 4)}}}},
                       {"Global", {}},
                       {"Global\\Deeper", {{"Name", Sz("text")}}},
                       {"Test", {{"Null", Sz("")}}}}),
              ReadTree(HKEY_LOCAL_MACHINE, kSuite));
}

TEST_F(SettingsTest, FlagsAreOnOnlyForOnInAnyCase)
{
    int (*const flags[])() = {&CRegistryFlag::GetSimpleKeyboardFlag, &CRegistryFlag::GetDosAutoDetect,
                              &CRegistryFlag::GetWin95AutoDetect, &CRegistryFlag::GetProgramAxis,
                              &CRegistryFlag::GetTrayIcon};
    const char* names[] = {"SimpleKeyboard", "DosAutoDetect", "Win95AutoDetect", "ProgramAxis", "TrayIcon"};
    for (int i = 0; i < 5; ++i) {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kControlCenter.c_str());
        EXPECT_EQ(0, flags[i]());   // missing, and now created
        unique_hkey key = CreateKey(HKEY_LOCAL_MACHINE, kControlCenter);
        for (const char* text : {"oN", "On ", "1", "Off", "ON"}) {
            WriteValue(key.get(), names[i], REG_SZ, Sz(text).second);
            EXPECT_EQ(_strcmpi(text, "on") == 0, flags[i]()) << names[i] << " = " << text;
        }
    }
    // Non-volatile "Control Center" cannot be made below a volatile parent (1021): off.
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSuite.c_str());
    CreateKey(HKEY_LOCAL_MACHINE, kParent);
    CreateKey(HKEY_LOCAL_MACHINE, kSuite, nullptr, REG_OPTION_VOLATILE);
    EXPECT_EQ(0, CRegistryFlag::GetTrayIcon());
}

} // namespace
