// Real scheme trees for the scheme tests. The store's roots are fixed
// (HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE), so each test gets a product key
// of its own under "SOFTWARE\Corvanta" instead, removed before and after.
#pragma once

#include "library/CFUtils.h"

#include <gtest/gtest.h>
#include <map>
#include <ostream>
#include <string>

namespace cfu::test {

// One value exactly as the registry holds it.
struct RegValue
{
    DWORD type;
    std::string bytes;
    bool operator==(const RegValue& o) const { return type == o.type && bytes == o.bytes; }
};
void PrintTo(const RegValue& value, std::ostream* os);

// A key tree: path relative to its top ("" for the top itself) -> values.
using RegTree = std::map<std::string, std::map<std::string, RegValue>>;

// REG_SZ with its terminating zero, as RegSetValueExA callers store text.
RegValue Sz(const std::string& text);
RegValue Dword(DWORD value);
RegValue Binary(const std::string& bytes);

// Read with the platform's own calls; empty when the key is missing.
RegTree ReadTree(HKEY root, const std::string& path);
void WriteTree(HKEY root, const std::string& path, const RegTree& tree);
bool KeyExists(HKEY root, const std::string& path);
// The part of tree below prefix, with paths relative to prefix.
RegTree Subtree(const RegTree& tree, const std::string& prefix);
// What the registry layer's copy makes of tree: every value one zero byte longer.
RegTree Copied(const RegTree& tree);

// A machine-wide scheme tree: ".Default" with a device template and module
// settings, and a "Racing" scheme without a template.
RegTree MachineTree();
inline const char kTemplate[] = ".Default\\Devices\\.Default\\0000";

class SchemeTreeTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // The product key's "Schemes" path, as CRegScheme builds it.
    std::string SchemesPath() const;

    CString m_product;
    CString m_component;

private:
    void RemoveProduct();
    bool m_hadCorvanta[2] = {};
};

} // namespace cfu::test
