#include "SchemeTreeFixture.h"

#include <iomanip>
#include <vector>

namespace cfu::test {

namespace {

const char kCorvanta[] = "SOFTWARE\\Corvanta";
const char kProduct[] = "CFUtilsTest Schemes";
const HKEY kRoots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};

std::string Join(const std::string& a, const std::string& b)
{
    return a.empty() ? b : a + "\\" + b;
}

void ReadKey(HKEY key, const std::string& rel, RegTree& tree)
{
    auto& values = tree[rel];
    DWORD subkeys = 0, maxSubkey = 0, count = 0, maxName = 0, maxData = 0;
    ASSERT_EQ(0, RegQueryInfoKeyA(key, NULL, NULL, NULL, &subkeys, &maxSubkey, NULL, &count,
                                  &maxName, &maxData, NULL, NULL));
    for (DWORD i = 0; i < count; ++i) {
        std::vector<char> name(maxName + 1);
        std::vector<BYTE> data(maxData + 1);
        DWORD nameLen = name.size(), dataLen = data.size(), type = 0;
        ASSERT_EQ(0, RegEnumValueA(key, i, name.data(), &nameLen, NULL, &type, data.data(), &dataLen));
        values[name.data()] = {type, std::string(reinterpret_cast<char*>(data.data()), dataLen)};
    }
    for (DWORD i = 0; i < subkeys; ++i) {
        std::vector<char> name(maxSubkey + 1);
        DWORD nameLen = name.size();
        ASSERT_EQ(0, RegEnumKeyExA(key, i, name.data(), &nameLen, NULL, NULL, NULL, NULL));
        HKEY child;
        ASSERT_EQ(0, RegOpenKeyExA(key, name.data(), 0, KEY_READ, &child));
        ReadKey(child, Join(rel, name.data()), tree);
        RegCloseKey(child);
    }
}

} // namespace

void PrintTo(const RegValue& value, std::ostream* os)
{
    *os << "type " << value.type << " [";
    for (unsigned char c : value.bytes) {
        if (c >= 0x20 && c < 0x7f)
            *os << c;
        else
            *os << "\\x" << std::hex << std::setw(2) << std::setfill('0') << int(c) << std::dec;
    }
    *os << "]";
}

RegValue Sz(const std::string& text)
{
    return {REG_SZ, text + '\0'};
}

RegValue Dword(DWORD value)
{
    return {REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value)};
}

RegValue Binary(const std::string& bytes)
{
    return {REG_BINARY, bytes};
}

RegTree ReadTree(HKEY root, const std::string& path)
{
    RegTree tree;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        ReadKey(key, "", tree);
        RegCloseKey(key);
    }
    return tree;
}

void WriteTree(HKEY root, const std::string& path, const RegTree& tree)
{
    for (const auto& [rel, values] : tree) {
        HKEY key;
        ASSERT_EQ(0, RegCreateKeyExA(root, Join(path, rel).c_str(), 0, NULL, REG_OPTION_NON_VOLATILE,
                                     KEY_WRITE, NULL, &key, NULL));
        for (const auto& [name, value] : values)
            ASSERT_EQ(0, RegSetValueExA(key, name.c_str(), 0, value.type,
                                        reinterpret_cast<const BYTE*>(value.bytes.data()),
                                        value.bytes.size()));
        RegCloseKey(key);
    }
}

bool KeyExists(HKEY root, const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

RegTree Subtree(const RegTree& tree, const std::string& prefix)
{
    RegTree part;
    for (const auto& [rel, values] : tree) {
        if (rel == prefix)
            part[""] = values;
        else if (rel.compare(0, prefix.size() + 1, prefix + "\\") == 0)
            part[rel.substr(prefix.size() + 1)] = values;
    }
    return part;
}

RegTree Copied(const RegTree& tree)
{
    RegTree copy = tree;
    for (auto& [rel, values] : copy)
        for (auto& [name, value] : values)
            value.bytes += '\0';
    return copy;
}

RegTree MachineTree()
{
    return {
        {"", {}},
        {".Default", {}},
        {".Default\\Devices", {}},
        {".Default\\Devices\\.Default", {}},
        {kTemplate, {{"Model", Sz("Template")}}},
        {std::string(kTemplate) + "\\Assignments",
         {{"Button 1", Sz("Fire")}, {"Axes", Dword(3)}, {"", Sz("unnamed")}}},
        {std::string(kTemplate) + "\\Annimations",
         {{"Frames", Binary(std::string("\x01\x00\x02\x00", 4))}, {"Empty", Binary("")}}},
        {std::string(kTemplate) + "\\Usability", {{"Dead Zone", Sz("12")}}},
        {".Default\\Page Extension Settings", {{"Last Page", Sz("2")}}},
        {"Racing", {{"Owner", Sz("machine")}}},
        {"Racing\\Devices", {}},
    };
}

void SchemeTreeTest::SetUp()
{
    m_product = kProduct;
    m_component = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (int i = 0; i < 2; ++i)
        m_hadCorvanta[i] = KeyExists(kRoots[i], kCorvanta);
    RemoveProduct();
}

void SchemeTreeTest::TearDown()
{
    RemoveProduct();
    // Only an empty "Corvanta" that this test made goes: RegDeleteKeyA
    // refuses a key with subkeys.
    for (int i = 0; i < 2; ++i)
        if (!m_hadCorvanta[i])
            RegDeleteKeyA(kRoots[i], kCorvanta);
}

void SchemeTreeTest::RemoveProduct()
{
    std::string product = std::string(kCorvanta) + "\\" + kProduct;
    for (HKEY root : kRoots) {
        RegDeleteTreeA(root, product.c_str());
        ASSERT_FALSE(KeyExists(root, product));
    }
}

std::string SchemeTreeTest::SchemesPath() const
{
    return std::string(kCorvanta) + "\\" + kProduct + "\\CurrentVersion\\" +
           static_cast<LPCSTR>(m_component) + "\\Schemes";
}

} // namespace cfu::test
