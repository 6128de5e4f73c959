// Path names and tokens, registry keys with their iterators and tree copy,
// and a user's device schemes seeded from a machine-wide tree. Everything the
// demo writes to the registry lives under its own product key and is removed.
#include "Demo.h"

#include "CFUtils.h"
#include "RegTree.h"

#include <cstdio>

namespace {

const char kProductPath[] = "SOFTWARE\\Corvanta\\CFUtils Demo";

using EntryPtr = cfu::unique_ref<CRegEntry>;

// Under a root key or under another entry.
template <class Parent>
EntryPtr Create(Parent parent, const char* path)
{
    CString name(path);
    return EntryPtr(CRegEntry::CreateNew(parent, name));
}

void ShowPaths()
{
    std::printf("== Path names and the in-place tokenizer ==\n");
    CPathName path("  C:\\Games\\\\Flydeck\\profiles\\racing.cfg");
    std::printf("  normal form %s: drive %s, directory %s, name %s, extension %s\n",
                (LPCSTR)path.PathName(), (LPCSTR)path.Drive(), (LPCSTR)path.Directory(),
                (LPCSTR)path.Name(), (LPCSTR)path.Extension());
    path.ToParent();
    std::printf("  parent: %s\n", (LPCSTR)path.PathName());

    char line[] = "stick = \"Flight Stick Pro\", buttons = 12";
    std::printf("  tokens of [%s]:", line);
    CTokenizer tokens(line, " ", NULL);
    std::printf(" key '%s'", tokens.next("="));
    std::printf(", value '%s'", tokens.nextBetween("\""));
    tokens.next(",");
    std::printf(", key '%s'", tokens.next("="));
    std::printf(", value '%s'\n", tokens.next(NULL));
    tokens.terminate();
    std::printf("  after terminate the caller's text is whole again: [%s]\n", line);
}

void ShowRegistry()
{
    std::printf("== Registry values, iterators and tree copy ==\n");
    cfu::tools::RegSandbox sandbox(HKEY_CURRENT_USER, "Software\\CFUtils Demo");
    EntryPtr source = Create(HKEY_CURRENT_USER, "Software\\CFUtils Demo\\Source");
    EntryPtr child = Create(source.get(), "Buttons");
    if (!source || !child) {
        std::printf("  could not create the demo keys\n");
        return;
    }
    source->SetValueData("Name", CString("Flight Stick Pro"));
    source->SetValueData("Axes", CRegData(4u));
    child->SetValueData("Trigger", CString("Fire"));

    CRegValueIterator values(source.get());
    for (++values; values.IsValid(); ++values) {
        CString name;
        CRegData data;
        values.CurrentValue(name, data);
        std::printf("  value %-5s type %lu, %d bytes: %s\n", (LPCSTR)name, data.GetType(),
                    data.GetLength(), (LPCSTR)data);
    }
    EntryPtr copy = Create(HKEY_CURRENT_USER, "Software\\CFUtils Demo\\Copy");
    long status = source->CopyStructure(copy.get());
    EntryPtr copiedChild = Create(copy.get(), "Buttons");
    CString trigger;
    copiedChild->LocateValueData("Trigger", trigger);
    std::printf("  CopyStructure: status %ld, Copy\\Buttons\\Trigger = %s\n", status, (LPCSTR)trigger);
}

void ShowSchemes()
{
    std::printf("== Device configuration schemes ==\n");
    cfu::tools::RegSandbox user(HKEY_CURRENT_USER, kProductPath), machine(HKEY_LOCAL_MACHINE, kProductPath);
    CString product("CFUtils Demo"), component("Demo");
    CRegScheme* scheme = new CRegScheme(product, component);
    CString schemes = scheme->CreateSchemePath();
    // The machine-wide tree an installer would have written.
    EntryPtr machineDefault = Create(HKEY_LOCAL_MACHINE, schemes + "\\.Default");
    EntryPtr usability = Create(HKEY_LOCAL_MACHINE, schemes + "\\.Default\\Devices\\.Default\\0000\\Usability");
    usability->SetValueData("Sensitivity", CRegData(7u));

    CString current, name, racing("Racing");
    scheme->GetCurrentScheme(current);
    std::printf("  user tree seeded from the machine's; current scheme: %s\n", (LPCSTR)current);
    scheme->NewSchemeKey(racing);
    scheme->SetCurrentScheme(racing);
    for (long s = scheme->GetFirstScheme(name); s == 0; s = scheme->GetNextScheme(name))
        std::printf("  scheme %s\n", (LPCSTR)name);

    CString family, devicePath;
    GetDevFamilyName(family, 1);
    CRegDevice* device = new CRegDevice(family, 3, scheme);
    device->GetUsabilityKey(devicePath);
    std::printf("  device %s #3 usability key: %s\n", (LPCSTR)family, (LPCSTR)devicePath);
    scheme->DeleteSchemeKey(racing);
    scheme->GetCurrentScheme(current);
    std::printf("  Racing deleted; current scheme: %s\n", (LPCSTR)current);

    device->Release();
    scheme->Release();
}

} // namespace

int RunDataDemo()
{
    ShowPaths();
    ShowRegistry();
    ShowSchemes();
    return 0;
}
