// Registry trees for the registry tests and benchmark, built and read back
// with the plain platform calls only, and an owner for entries.
#pragma once

#include "library/CFUtils.h"
#include "library/Handles.h"

#include <map>
#include <memory>
#include <string>

namespace cfu::test {

struct EntryDeleter
{
    void operator()(CRegEntry* entry) const { entry->Release(); }
};
using EntryPtr = std::unique_ptr<CRegEntry, EntryDeleter>;

struct RegValueRecord
{
    DWORD type;
    std::string data;
    bool operator==(const RegValueRecord& o) const { return type == o.type && data == o.data; }
};

// Key path below the root ("" for the root itself) to its values by name.
using RegTree = std::map<std::string, std::map<std::string, RegValueRecord>>;

inline unique_hkey CreateKey(HKEY parent, const std::string& path, const char* className = nullptr)
{
    unique_hkey key;
    RegCreateKeyExA(parent, path.c_str(), 0, const_cast<char*>(className), REG_OPTION_NON_VOLATILE,
                    KEY_ALL_ACCESS, NULL, key.put(), NULL);
    return key;
}

inline LONG WriteValue(HKEY key, const std::string& name, DWORD type, const std::string& data)
{
    return RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          DWORD(data.size()));
}

// RegQueryValueExA of the whole value.
inline LONG ReadValue(HKEY key, const std::string& name, RegValueRecord& value)
{
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, name.c_str(), NULL, &value.type, NULL, &size);
    if (status != ERROR_SUCCESS)
        return status;
    value.data.assign(size, '\0');
    return RegQueryValueExA(key, name.c_str(), NULL, &value.type,
                            reinterpret_cast<BYTE*>(&value.data[0]), &size);
}

inline void ReadTreeInto(HKEY key, const std::string& path, RegTree& tree)
{
    auto& values = tree[path];
    DWORD maxName = 0, maxData = 0;
    RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, NULL, &maxName, &maxData, NULL, NULL);
    std::string name(maxName + 1, '\0'), data(maxData + 1, '\0');
    for (DWORD i = 0;; ++i) {
        DWORD nameChars = DWORD(name.size()), size = DWORD(data.size()), type = 0;
        if (RegEnumValueA(key, i, &name[0], &nameChars, NULL, &type, reinterpret_cast<BYTE*>(&data[0]),
                          &size) != ERROR_SUCCESS)
            break;
        values[name.substr(0, nameChars)] = {type, data.substr(0, size)};
    }
    char subkey[256];
    for (DWORD i = 0;; ++i) {
        DWORD chars = sizeof subkey;
        if (RegEnumKeyExA(key, i, subkey, &chars, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        unique_hkey child;
        if (RegOpenKeyExA(key, subkey, 0, KEY_READ, child.put()) == ERROR_SUCCESS)
            ReadTreeInto(child.get(), path.empty() ? subkey : path + "\\" + subkey, tree);
    }
}

inline RegTree ReadTree(HKEY key)
{
    RegTree tree;
    ReadTreeInto(key, "", tree);
    return tree;
}

// A tree of fanout^1 + ... + fanout^depth keys below root, each with
// valuesPerKey values of every registry type in turn, the default value
// among them.
inline void BuildTree(HKEY root, int depth, int fanout, int valuesPerKey)
{
    for (int v = 0; v < valuesPerKey; ++v) {
        DWORD type = DWORD(v % 12);
        std::string data = "value " + std::to_string(v) + std::string(size_t(v % 5), 'x');
        if (type == REG_SZ || type == REG_EXPAND_SZ)
            data += '\0';
        else if (type == REG_MULTI_SZ)
            data += std::string("\0second\0\0", 9);
        else if (type == REG_DWORD)
            data = std::string("\x2a\0\0\x80", 4);
        else if (type == REG_QWORD)
            data = std::string("\x01\x02\0\0\0\0\0\xff", 8);
        WriteValue(root, v == 0 ? "" : "Value " + std::to_string(v), type, data);
    }
    if (depth == 0)
        return;
    for (int k = 0; k < fanout; ++k) {
        unique_hkey child = CreateKey(root, "Key " + std::to_string(k));
        BuildTree(child.get(), depth - 1, fanout, valuesPerKey);
    }
}

} // namespace cfu::test
