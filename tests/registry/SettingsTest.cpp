// The settings accessors, the control centre's flags and the one-call registry
// functions on the suite's real keys (the machine-wide suite key, the real
// HKEY_CLASSES_ROOT and RunOnce), each put back as it was found.
#include "library/CFUtils.h"

#include "TestSupport.h"

#include <list>
#include <string>
#include <vector>

namespace {

using namespace cfu::test;

const std::string kSuite = "Software\\Corvanta\\Corvanta FlyDeck Software\\CurrentVersion";
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
        std::string text;   // "-": the buffer untouched; "": read with no default
        unsigned long number;
    } cases[] = {
        {{REG_NONE, ""}, 10, "abc", 77},          {{REG_NONE, ""}, 2, "a", 77},
        {{REG_NONE, ""}, 0, "-", 77},             {{REG_BINARY, "\1\2"}, 3, "\1\2", 0x0201},
        {{REG_BINARY, "abcd"}, 4, "abc", 0x64636261},   // no zero stored: the last byte gives way
        {{REG_QWORD, std::string(8, '\1')}, 9, std::string(8, '\1'), 77}, {{REG_NONE, ""}, 4, "", 77},
    };
    cfu::unique_hkey key = CreateKey(HKEY_LOCAL_MACHINE, kSuite + "\\Test");
    CRegistryAccess access("Test");
    for (const auto& c : cases) {
        RegDeleteValueA(key.get(), "V");
        if (c.stored.first != REG_NONE)
            WriteValue(key.get(), "V", c.stored.first, c.stored.second);
        EXPECT_EQ(c.number, access.LoadValue("V", 77));
        std::vector<char> buffer(c.size + 16, '\xbd');
        access.LoadValue("V", buffer.data(), c.size, c.text.empty() ? nullptr : "abc");
        const size_t used = c.text == "-" ? 0 : c.text.size() + 1, guard = used ? c.size : 0;
        EXPECT_EQ(c.text == "-" ? "" : c.text + '\0', std::string(buffer.data(), used));
        EXPECT_EQ(std::string(buffer.size() - guard, '\xbd'), std::string(buffer.begin() + guard, buffer.end()));
    }
}

TEST_F(SettingsTest, WritesLandWhereEachAccessorPointsOrNowhere)
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSuite.c_str());
    CRegistryAccess("Test").StoreValue("Count", 1ul);   // no suite key: nothing happens
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kSuite));

    CreateKey(HKEY_LOCAL_MACHINE, kSuite);
    CRegistryAccess().StoreValue("Count", 0x80000001ul);
    CRegistryAccess("Test").StoreValue("Null", nullptr);
    CGlobalSettingRegAccess((kSuite + "\\Global\\Deeper").c_str()).StoreValue("Name", "text");
    EXPECT_NE(nullptr, CGlobalSettingRegAccess().m_hKey);   // HKEY_LOCAL_MACHINE itself, in Wine
    EXPECT_EQ((RegTree{{"", {{"Count", {REG_DWORD, std::string("\x01\0\0\x80", 4)}}}}, {"Global", {}},
                       {"Global\\Deeper", {{"Name", Sz("text")}}}, {"Test", {{"Null", Sz("")}}}}),
              ReadTree(HKEY_LOCAL_MACHINE, kSuite));
}

TEST_F(SettingsTest, FlagsAreOnOnlyForOnInAnyCase)
{
    const std::pair<int (*)(), const char*> flags[] = {
        {&CRegistryFlag::GetSimpleKeyboardFlag, "SimpleKeyboard"}, {&CRegistryFlag::GetDosAutoDetect, "DosAutoDetect"},
        {&CRegistryFlag::GetWin95AutoDetect, "Win95AutoDetect"}, {&CRegistryFlag::GetProgramAxis, "ProgramAxis"},
        {&CRegistryFlag::GetTrayIcon, "TrayIcon"}};
    for (const auto& [flag, name] : flags) {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kControlCenter.c_str());
        EXPECT_EQ(0, flag());   // missing, and now created
        for (const char* text : {"oN", "On ", "1", "Off", "ON"}) {
            WriteTree(HKEY_LOCAL_MACHINE, kControlCenter, {{"", {{name, Sz(text)}}}});
            EXPECT_EQ(_strcmpi(text, "on") == 0, flag()) << name << " = " << text;
        }
    }
}

TEST(RegFunctionsTest, DefaultValuesOfClassKeysAndRunOnceCommands)
{
    const char kRunOnce[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    const std::string key = "CFUtilsTest Key", sub = key + "\\Sub";
    SavedKey savedKey(HKEY_CLASSES_ROOT, key), savedRunOnce(HKEY_CURRENT_USER, kRunOnce);
    for (size_t length : {0, 519, 520, 600}) {   // the text and its zero fit 520 bytes up to 519
        const std::string text(length, 't');
        EXPECT_EQ(1, SetRegKey(sub.c_str(), text.c_str()));
        EXPECT_EQ((RegTree{{"", {{"", Sz(text)}}}}), ReadTree(HKEY_CLASSES_ROOT, sub));
        CString value = "sentinel";
        EXPECT_EQ(length < 520, GetRegKey(sub.c_str(), value)) << length;
        EXPECT_EQ(length < 520 ? text : "", std::string(value));
    }
    EXPECT_EQ(0, SetRegKey(sub.c_str(), nullptr) + DeleteRegKey(key.c_str()));   // the key has a subkey
    EXPECT_EQ(1, DeleteRegKey(sub.c_str()));
    CString value = "sentinel";   // missing now
    EXPECT_EQ(0, GetRegKey(sub.c_str(), value) + DeleteRegKey(sub.c_str()) + DeleteRegKey("") + DeleteRegKey(nullptr));
    EXPECT_EQ("", std::string(value));

    RegDeleteTreeA(HKEY_CURRENT_USER, kRunOnce);
    EXPECT_EQ(2, SetRunOnce("CFUtilsTest", "C:\\Tools\\setup.exe /q") + SetRunOnce("CFUtilsTest Empty", ""));
    EXPECT_EQ((RegTree{{"", {{"CFUtilsTest", Sz("C:\\Tools\\setup.exe /q")}, {"CFUtilsTest Empty", Sz("")}}}}),
              ReadTree(HKEY_CURRENT_USER, kRunOnce));   // the key is made
}

TEST(RegFunctionsTest, FileTypesPointTheExtensionOnlyWhenItIsFree)
{
    const struct
    {
        const char* before;   // null: no association key
        bool takenOver;
        UINT description;   // 2: no such string
    } cases[] = {{nullptr, true, 1}, {"", true, 1}, {"FTColor", true, 2}, {"ftcolor", false, 1}, {"Other", false, 2}};
    const std::string icons = ModulePath(GetModuleHandleA("user32.dll"));
    std::list<SavedKey> saved;
    for (const auto& c : cases) {
        const std::string extension = ".cfutest" + std::to_string(saved.size()), type = "psimage" + extension;
        saved.emplace_back(HKEY_CLASSES_ROOT, extension);
        saved.emplace_back(HKEY_CLASSES_ROOT, type);
        RegDeleteTreeA(HKEY_CLASSES_ROOT, type.c_str());
        RegDeleteTreeA(HKEY_CLASSES_ROOT, extension.c_str());
        if (c.before)
            WriteTree(HKEY_CLASSES_ROOT, extension, {{"", {{"", Sz(c.before)}}}});
        RegisterFileType(extension.c_str(), c.description, GetModuleHandleA("user32.dll"), -3);
        EXPECT_EQ((RegTree{{"", {{"", Sz(c.description == 1 ? "Corvanta Image" : "")}}},
                           {"DefaultIcon", {{"", Sz(icons + ",-3")}}}, {"shell", {}}, {"shell\\open", {}},
                           {"shell\\open\\command", {{"", Sz(ModulePath() + " \"%1\"")}}}}),
                  ReadTree(HKEY_CLASSES_ROOT, type)) << extension;
        EXPECT_EQ((RegTree{{"", {{"", Sz(c.takenOver ? type : c.before)}}}}), ReadTree(HKEY_CLASSES_ROOT, extension))
            << extension;
    }
}

} // namespace
