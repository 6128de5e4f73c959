// A fixed key of the suite that a test touches, put back as the test found it.
#pragma once

#include "RegTree.h"

#include <string>

namespace cfu::test {

// Restores the key's tree when it existed. Otherwise the key goes, and with it
// the parents that were missing too, each only while nothing else lives in it
// (another test program may be using a shared parent meanwhile).
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

} // namespace cfu::test
