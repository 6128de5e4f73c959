// Registry sandboxes and trees for tests, the demo and the benchmarks, built
// and read back with the plain platform calls only.
#pragma once

#include "library/Handles.h"

#include <map>
#include <string>
#include <utility>

namespace cfu::tools {

// A key of the caller's own: root\path deleted and created afresh on
// construction, and deleted with everything below it on destruction.
class RegSandbox
{
public:
    RegSandbox(HKEY root, std::string path) : m_root(root), m_path(std::move(path))
    {
        RegDeleteTreeA(m_root, m_path.c_str());
        RegCreateKeyExA(m_root, m_path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, m_key.put(), NULL);
    }
    ~RegSandbox()
    {
        m_key.reset();
        RegDeleteTreeA(m_root, m_path.c_str());
    }
    RegSandbox(const RegSandbox&) = delete;
    RegSandbox& operator=(const RegSandbox&) = delete;

    HKEY Key() const { return m_key.get(); }
    // Relative to the root.
    const std::string& Path() const { return m_path; }

private:
    HKEY m_root;
    std::string m_path;
    unique_hkey m_key;
};

// One value exactly as the registry holds it: type and bytes.
using RegValue = std::pair<DWORD, std::string>;

// REG_SZ with its terminating zero, as RegSetValueExA callers store text.
inline RegValue Sz(const std::string& text)
{
    return {REG_SZ, text + '\0'};
}

// Key path below the top ("" for the top itself) to its values by name.
using RegTree = std::map<std::string, std::map<std::string, RegValue>>;

inline unique_hkey CreateKey(HKEY parent, const std::string& path, const char* className = nullptr,
                             DWORD options = REG_OPTION_NON_VOLATILE)
{
    unique_hkey key;
    RegCreateKeyExA(parent, path.c_str(), 0, const_cast<char*>(className), options, KEY_ALL_ACCESS, NULL,
                    key.put(), NULL);
    return key;
}

inline LONG WriteValue(HKEY key, const std::string& name, DWORD type, const std::string& data)
{
    return RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          DWORD(data.size()));
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

// The tree below root\path; empty when the key is missing.
inline RegTree ReadTree(HKEY root, const std::string& path = "")
{
    RegTree tree;
    unique_hkey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS)
        ReadTreeInto(key.get(), "", tree);
    return tree;
}

inline void WriteTree(HKEY root, const std::string& path, const RegTree& tree)
{
    for (const auto& [rel, values] : tree) {
        unique_hkey key = CreateKey(root, rel.empty() ? path : path + "\\" + rel);
        for (const auto& [name, value] : values)
            WriteValue(key.get(), name, value.first, value.second);
    }
}

inline bool KeyExists(HKEY root, const std::string& path)
{
    unique_hkey key;
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// A fixed key of the suite that a test or the demo touches, put back as it was
// found: its tree when it existed. Otherwise the key goes, and with it
// the parents that were missing too, each only while nothing else lives in it
// (another program may be using a shared parent meanwhile).
class SavedKey
{
public:
    SavedKey(HKEY root, const std::string& path) : m_root(root), m_path(path), m_tree(ReadTree(root, path))
    {
        for (size_t end = 0; end != std::string::npos && m_firstMissing.empty();) {
            end = path.find('\\', end + 1);
            if (!KeyExists(root, path.substr(0, end)))
                m_firstMissing = path.substr(0, end);
        }
    }
    ~SavedKey()
    {
        RegDeleteTreeA(m_root, m_path.c_str());
        if (m_firstMissing.empty())
            WriteTree(m_root, m_path, m_tree);
        for (std::string key = m_path; !m_firstMissing.empty() && key.size() > m_firstMissing.size();) {
            key.erase(key.rfind('\\'));
            RegDeleteKeyA(m_root, key.c_str());
        }
    }
    SavedKey(const SavedKey&) = delete;
    SavedKey& operator=(const SavedKey&) = delete;

private:
    HKEY m_root;
    std::string m_path;
    RegTree m_tree;
    std::string m_firstMissing;
};

// The part of tree below prefix, with paths relative to prefix.
inline RegTree Subtree(const RegTree& tree, const std::string& prefix)
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

// What a copy through registry entries makes of tree: every value gains the
// zero byte that an entry writes after its data.
inline RegTree Copied(RegTree tree)
{
    for (auto& [rel, values] : tree)
        for (auto& [name, value] : values)
            value.second += '\0';
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
    for (int k = 0; depth > 0 && k < fanout; ++k)
        BuildTree(CreateKey(root, "Key " + std::to_string(k)).get(), depth - 1, fanout, valuesPerKey);
}

} // namespace cfu::tools
