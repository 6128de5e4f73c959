// The one-call registry functions on the real HKEY_CLASSES_ROOT (in Wine,
// HKEY_LOCAL_MACHINE "Software\Classes") and the real RunOnce key; every key
// touched is put back as it was found.
#include "library/CFUtils.h"

#include "TestSupport.h"

#include <list>
#include <string>

namespace {

using namespace cfu::test;

const char kRunOnce[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char kKey[] = "CFUtilsTest Key";

std::string ModuleFile(HMODULE module)
{
    char path[MAX_PATH];
    return std::string(path, GetModuleFileNameA(module, path, sizeof path));
}

class RegFunctionsTest : public testing::Test
{
protected:
    void Save(HKEY root, const std::string& path) { m_saved.emplace_back(root, path); }

    std::list<SavedKey> m_saved;
};

TEST_F(RegFunctionsTest, DefaultValuesOfClassKeysAndRunOnceCommands)
{
    Save(HKEY_CLASSES_ROOT, kKey);
    const std::string sub = std::string(kKey) + "\\Sub";
    for (size_t length : {0, 519, 520, 600}) {   // the text and its zero fit 520 bytes up to 519
        const std::string text(length, 't');
        EXPECT_EQ(1, SetRegKey(sub.c_str(), text.c_str()));
        EXPECT_EQ((RegTree{{"", {{"", Sz(text)}}}}), ReadTree(HKEY_CLASSES_ROOT, sub));
        CString value = "sentinel";
        EXPECT_EQ(length < 520, GetRegKey(sub.c_str(), value)) << length;
        EXPECT_EQ(length < 520 ? text : "", std::string(value));
    }
    EXPECT_EQ(0, SetRegKey(sub.c_str(), nullptr));
    EXPECT_EQ(0, DeleteRegKey(kKey));   // it has a subkey
    EXPECT_EQ(1, DeleteRegKey(sub.c_str()));
    CString value = "sentinel";   // missing now
    EXPECT_EQ(0, GetRegKey(sub.c_str(), value) + DeleteRegKey(sub.c_str()));
    EXPECT_EQ(0, DeleteRegKey("") + DeleteRegKey(nullptr));
    EXPECT_EQ("", std::string(value));

    Save(HKEY_CURRENT_USER, kRunOnce);
    RegDeleteTreeA(HKEY_CURRENT_USER, kRunOnce);
    EXPECT_EQ(1, SetRunOnce("CFUtilsTest", "C:\\Tools\\setup.exe /q"));   // the key is made
    EXPECT_EQ(1, SetRunOnce("CFUtilsTest Empty", ""));
    EXPECT_EQ((RegTree{{"", {{"CFUtilsTest", Sz("C:\\Tools\\setup.exe /q")}, {"CFUtilsTest Empty", Sz("")}}}}),
              ReadTree(HKEY_CURRENT_USER, kRunOnce));
}

TEST_F(RegFunctionsTest, FileTypesPointTheExtensionOnlyWhenItIsFree)
{
    const struct
    {
        const char* before;   // null: no association key
        bool takenOver;
        UINT description;   // 2: no such string
    } cases[] = {{nullptr, true, 1}, {"", true, 1}, {"FTColor", true, 2}, {"ftcolor", false, 1}, {"Other", false, 2}};
    const std::string application = ModuleFile(NULL);
    const std::string icons = ModuleFile(GetModuleHandleA("user32.dll"));
    int index = 0;
    for (const auto& c : cases) {
        const std::string extension = ".cfutest" + std::to_string(index++);
        const std::string type = "psimage" + extension;
        Save(HKEY_CLASSES_ROOT, extension);
        Save(HKEY_CLASSES_ROOT, type);
        RegDeleteTreeA(HKEY_CLASSES_ROOT, type.c_str());
        RegDeleteTreeA(HKEY_CLASSES_ROOT, extension.c_str());
        if (c.before)
            WriteTree(HKEY_CLASSES_ROOT, extension, {{"", {{"", Sz(c.before)}}}});

        RegisterFileType(extension.c_str(), c.description, GetModuleHandleA("user32.dll"), -3);
        const RegTree expectedType = {
            {"", {{"", Sz(c.description == 1 ? "Corvanta Image" : "")}}},
            {"DefaultIcon", {{"", Sz(icons + ",-3")}}},
            {"shell", {}},
            {"shell\\open", {}},
            {"shell\\open\\command", {{"", Sz(application + " \"%1\"")}}},
        };
        EXPECT_EQ(expectedType, ReadTree(HKEY_CLASSES_ROOT, type)) << extension;
        const std::string after = c.takenOver ? type : c.before;
        EXPECT_EQ((RegTree{{"", {{"", Sz(after)}}}}), ReadTree(HKEY_CLASSES_ROOT, extension)) << extension;
    }
}

} // namespace
