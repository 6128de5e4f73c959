// Registry trees as regedit's text files: written as REGEDIT4 (ANSI), read
// as REGEDIT4 or as the UTF-16 "Windows Registry Editor Version 5.00" form
// that regedit /E writes. A file is read whole before anything is written.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace cfu::cli {

struct RegFileValue
{
    std::string name;    // "" for the default value
    DWORD type;
    std::string data;    // the bytes RegSetValueExA takes
};

struct RegFileKey
{
    HKEY root;
    std::string path;    // below the root
    int line;            // where the key's header stands in the file
    std::vector<RegFileValue> values;
};

// REGEDIT4 text of the trees below root\path for each (root, path), each key
// followed by its subkeys; missing trees are left out.
std::string WriteRegFile(const std::vector<std::pair<HKEY, std::string>>& trees);

// The keys and values of a file's bytes; Failure naming the line of the
// first thing that is not regedit's form (deletions included: never written).
std::vector<RegFileKey> ReadRegFile(const std::string& bytes);

// Creates every key and sets every value; Failure at the first that fails.
void ApplyRegFile(const std::vector<RegFileKey>& keys);

} // namespace cfu::cli
