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
const std::string kSubkey = "CFUtilsTest Settings";
const std::string kControlCenter = kSuite + "\\Control Center";
const char kPoison = '\xbd';

class SettingsTest : public testing::Test
{
protected:
    // Replaces the value below the test's subkey; type REG_NONE removes it.
    void Plant(const char* name, const RegValue& value)
    {
        unique_hkey key = CreateKey(HKEY_LOCAL_MACHINE, kSuite + "\\" + kSubkey);
        RegDeleteValueA(key.get(), name);
        if (value.first != REG_NONE)
            WriteValue(key.get(), name, value.first, value.second);
    }

    SavedKey m_saved{HKEY_LOCAL_MACHINE, kSuite};
};

TEST_F(SettingsTest, NumbersReadAnyValueOfUpToFourBytes)
{
    const struct
    {
        RegValue stored;   // type REG_NONE: no such value
        unsigned long expected;
    } cases[] = {
        {{REG_NONE, ""}, 77},
        {{REG_DWORD, std::string("\x78\x56\x34\x12", 4)}, 0x12345678},
        {{REG_BINARY, std::string("\xff\xff\xff\xff", 4)}, 0xffffffff},
        {{REG_BINARY, "\x01\x02"}, 0x0201},
        {Sz("12"), 0x3231},
        {{REG_BINARY, ""}, 0},
        {{REG_QWORD, std::string("\1\0\0\0\0\0\0\0", 8)}, 77},
        {Sz("long"), 77},
    };
    Plant("Number", {REG_NONE, ""});
    CRegistryAccess access(kSubkey.c_str());
    for (const auto& c : cases) {
        Plant("Number", c.stored);
        EXPECT_EQ(c.expected, access.LoadValue("Number", 77)) << "type " << c.stored.first;
    }
}

// Every text read goes into a buffer followed by guard bytes, which stay.
TEST_F(SettingsTest, TextsFitTheirBufferOrFallBackToTheDefault)
{
    const struct
    {
        RegValue stored;
        unsigned long size;
        const char* defaultText;
        const char* expected;   // null: the buffer untouched
    } cases[] = {
        {{REG_NONE, ""}, 10, "abc", "abc"},
        {{REG_NONE, ""}, 2, "abc", "a"},
        {{REG_NONE, ""}, 1, "abc", ""},
        {{REG_NONE, ""}, 10, nullptr, ""},
        {{REG_NONE, ""}, 0, "abc", nullptr},
        {Sz("hello"), 6, "x", "hello"},
        {Sz("hello"), 5, "xy", "xy"},                  // too long to read
        {{REG_DWORD, std::string("ab\0d", 4)}, 8, "x", "ab"},    // whatever its type
        {{REG_BINARY, "abcd"}, 8, "x", "abcd"},                  // no zero stored: one added
        {{REG_BINARY, "abcd"}, 4, "x", "abc"},                   // ... in the data's last byte
    };
    Plant("Text", {REG_NONE, ""});
    CRegistryAccess access(kSubkey.c_str());
    for (const auto& c : cases) {
        Plant("Text", c.stored);
        std::vector<char> buffer(c.size + 16, kPoison);
        access.LoadValue("Text", buffer.data(), c.size, c.defaultText);
        const std::string expected = c.expected ? c.expected : "";
        const size_t text = c.expected ? expected.size() + 1 : 0;
        EXPECT_EQ(expected, std::string(buffer.data(), text ? text - 1 : 0)) << c.size << " " << c.stored.second;
        EXPECT_EQ(std::vector<char>(buffer.size() - c.size, kPoison), std::vector<char>(buffer.begin() + c.size,
                                                                                         buffer.end()));
        for (size_t i = text; c.expected == nullptr && i < c.size; ++i)
            EXPECT_EQ(kPoison, buffer[i]);
    }
}

TEST_F(SettingsTest, WritesLandWhereEachAccessorPoints)
{
    const std::string global = kSuite + "\\CFUtilsTest Global\\Deeper";
    CreateKey(HKEY_LOCAL_MACHINE, kSuite);
    {
        CRegistryAccess suite;
        CRegistryAccess below(kSubkey.c_str());
        CGlobalSettingRegAccess anywhere(global.c_str());
        suite.StoreValue("Count", 0x80000001ul);
        below.StoreValue("Name", "text");
        below.StoreValue("Null", nullptr);
        anywhere.StoreValue("Count", 5ul);
        anywhere.StoreValue("Name", "");
        EXPECT_NE(nullptr, CGlobalSettingRegAccess().m_hKey);   // HKEY_LOCAL_MACHINE itself, in Wine
    }
    RegTree suite = ReadTree(HKEY_LOCAL_MACHINE, kSuite);
    EXPECT_EQ((RegValue{REG_DWORD, std::string("\x01\0\0\x80", 4)}), suite[""]["Count"]);
    EXPECT_EQ((std::map<std::string, RegValue>{{"Name", Sz("text")}, {"Null", Sz("")}}), suite[kSubkey]);
    EXPECT_EQ((RegTree{{"", {{"Count", {REG_DWORD, std::string("\5\0\0\0", 4)}}, {"Name", Sz("")}}}}),
              ReadTree(HKEY_LOCAL_MACHINE, global));
}

TEST_F(SettingsTest, WithoutTheSuiteKeyReadsGiveDefaultsAndWritesNothing)
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSuite.c_str());
    CRegistryAccess access(kSubkey.c_str());
    EXPECT_EQ(nullptr, access.m_hKey);
    EXPECT_EQ(42ul, access.LoadValue("Number", 42));
    char buffer[8];
    memset(buffer, kPoison, sizeof buffer);
    access.LoadValue("Text", buffer, sizeof buffer, "default");
    EXPECT_EQ(std::string(sizeof buffer, kPoison), std::string(buffer, sizeof buffer));
    access.StoreValue("Number", 1ul);
    access.StoreValue("Text", "text");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kSuite));
}

TEST_F(SettingsTest, FlagsAreOnOnlyForOnInAnyCase)
{
    const struct
    {
        int (*read)();
        const char* name;
    } flags[] = {
        {&CRegistryFlag::GetSimpleKeyboardFlag, "SimpleKeyboard"}, {&CRegistryFlag::GetDosAutoDetect, "DosAutoDetect"},
        {&CRegistryFlag::GetWin95AutoDetect, "Win95AutoDetect"},   {&CRegistryFlag::GetProgramAxis, "ProgramAxis"},
        {&CRegistryFlag::GetTrayIcon, "TrayIcon"},
    };
    const struct
    {
        RegValue stored;
        int expected;
    } cases[] = {
        {Sz("On"), 1},  {Sz("oN"), 1},  {Sz("ON"), 1}, {{REG_BINARY, "on"}, 1}, {Sz("Off"), 0},
        {Sz("1"), 0},   {Sz("On "), 0}, {Sz(""), 0},   {{REG_DWORD, std::string("\1\0\0\0", 4)}, 0},
    };
    for (const auto& flag : flags) {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kControlCenter.c_str());
        EXPECT_EQ(0, flag.read()) << flag.name;   // and the key is created
        unique_hkey key = CreateKey(HKEY_LOCAL_MACHINE, kControlCenter);
        EXPECT_EQ((RegTree{{"", {}}}), ReadTree(key.get()));
        for (const auto& c : cases) {
            WriteValue(key.get(), flag.name, c.stored.first, c.stored.second);
            WriteValue(key.get(), "Other", REG_SZ, Sz(c.expected ? "Off" : "On").second);
            EXPECT_EQ(c.expected, flag.read()) << flag.name << " = " << c.stored.second;
        }
    }
    // A key that cannot be created (non-volatile below a volatile parent: 1021) reads as off.
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSuite.c_str());
    CreateKey(HKEY_LOCAL_MACHINE, kParent);
    CreateKey(HKEY_LOCAL_MACHINE, kSuite, nullptr, REG_OPTION_VOLATILE);
    EXPECT_EQ(0, CRegistryFlag::GetTrayIcon());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kControlCenter));
}

} // namespace
