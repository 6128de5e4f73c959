// CRegEntry and its iterators against the plain registry calls doing the
// same job, in a key of its own under HKCU\Software\CFUtilsBench.
#include "library/CFUtils.h"
#include "RegTree.h"

#include "Bench.h"

#include <string>

namespace {

using cfu::tools::CreateKey;
using cfu::tools::WriteValue;
using EntryPtr = cfu::unique_ref<CRegEntry>;

const char kRoot[] = "Software\\CFUtilsBench\\Registry";

void WriteTenValues(HKEY key)
{
    for (int v = 0; v < 10; ++v)
        WriteValue(key, "Value " + std::to_string(v), v % 2 ? REG_SZ : REG_DWORD,
                   v % 2 ? std::string("some text of a setting\0", 23) : std::string("\x2a\0\0\0", 4));
}

// 10 keys of 99 subkeys each: 1,000 keys of 10 values.
void BuildThousandKeys(HKEY root)
{
    for (int g = 0; g < 10; ++g) {
        cfu::unique_hkey group = CreateKey(root, "Group " + std::to_string(g));
        WriteTenValues(group.get());
        for (int k = 0; k < 99; ++k)
            WriteTenValues(CreateKey(group.get(), "Key " + std::to_string(k)).get());
    }
}

void BenchCopy(HKEY root)
{
    cfu::unique_hkey source = CreateKey(root, "Source");
    BuildThousandKeys(source.get());
    EntryPtr from(CRegEntry::OpenExisting(source.get(), CString()));
    int copies = 0;
    // Every copy lands in a fresh key, as a copy into an existing tree would
    // only overwrite.
    auto next = [&] { return CreateKey(root, "Copy " + std::to_string(copies++)); };
    cfu::bench::Compare("CopyStructure 1000 keys x 10 values", 1, [&] {
        cfu::unique_hkey to = next();
        EntryPtr into(CRegEntry::OpenExisting(to.get(), CString()));
        from->CopyStructure(into.get());
    }, [&] {
        cfu::unique_hkey to = next();
        RegCopyTreeA(source.get(), NULL, to.get());
    }, 3);
}

void BenchKeyAccess(HKEY root)
{
    cfu::unique_hkey key = CreateKey(root, "Access");
    WriteTenValues(key.get());
    for (int k = 0; k < 10; ++k)
        CreateKey(key.get(), "Subkey " + std::to_string(k));
    const CString path = (std::string(kRoot) + "\\Access").c_str();
    const long ops = 2000;

    cfu::bench::Compare("open and close", ops, [&] {
        EntryPtr entry(CRegEntry::OpenExisting(HKEY_CURRENT_USER, path));
    }, [&] {
        cfu::unique_hkey raw;
        RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, raw.put());
    });

    EntryPtr entry(CRegEntry::OpenExisting(HKEY_CURRENT_USER, path));
    const CString name("Value 1");
    cfu::bench::Compare("read one value", ops, [&] {
        CRegData data;
        entry->LocateValueData(name, data);
    }, [&] {
        BYTE data[64];
        DWORD size = sizeof data, type;
        RegQueryValueExA(key.get(), name, NULL, &type, data, &size);
    });

    cfu::bench::Compare("write one value", ops, [&] {
        entry->SetValueData(name, CString("some text of a setting"));
    }, [&] {
        RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>("some text of a setting"), 23);
    });

    cfu::bench::Compare("enumerate 10 values", ops / 10, [&] {
        CRegValueIterator values(entry.get());
        CString valueName;
        CRegData data;
        for (++values; values.IsValid(); ++values)
            values.CurrentValue(valueName, data);
    }, [&] {
        char valueName[64];
        BYTE data[64];
        for (DWORD i = 0;; ++i) {
            DWORD chars = sizeof valueName, size = sizeof data, type;
            if (RegEnumValueA(key.get(), i, valueName, &chars, NULL, &type, data, &size) != ERROR_SUCCESS)
                break;
        }
    });

    cfu::bench::Compare("enumerate 10 subkeys", ops / 10, [&] {
        CRegSubkeyIterator subkeys(entry.get());
        CString subkeyName;
        for (++subkeys; subkeys.IsValid(); ++subkeys)
            subkeys.CurrentSubkey(subkeyName);
    }, [&] {
        char subkeyName[64];
        for (DWORD i = 0;; ++i) {
            DWORD chars = sizeof subkeyName;
            if (RegEnumKeyExA(key.get(), i, subkeyName, &chars, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
                break;
        }
    });
}

} // namespace

int main()
{
    cfu::tools::RegSandbox root(HKEY_CURRENT_USER, kRoot);
    BenchKeyAccess(root.Key());
    BenchCopy(root.Key());
    return 0;
}
