// A suite component that reads its settings and, from the user's current
// device scheme, the settings of its first joystick and of its property pages.
// The installer writes the machine-wide tree (install.reg beside this file);
// the library copies it to the user on first use.
#include <CFUtils.h>

#include <cstdio>
#include <cstring>

namespace {

const char kProduct[] = "FlyDeck Example Suite";
const char kComponent[] = "Stick Tuner";
const char kSettingsKey[] = "SOFTWARE\\Corvanta\\FlyDeck Example Suite\\CurrentVersion\\Stick Tuner";

// Prints every value of the key at path under root; FALSE when it is missing.
bool PrintValues(HKEY root, const CString& path)
{
    CRegEntry* key = CRegEntry::OpenExisting(root, path);
    if (!key)
        return false;
    CRegValueIterator values(key);
    for (++values; values.IsValid(); ++values) {
        CString name;
        CRegData data;
        values.CurrentValue(name, data);
        if (data.GetType() == REG_DWORD) {
            DWORD number = 0;
            std::memcpy(&number, static_cast<unsigned char*>(data), sizeof number);
            std::printf("    %s = %lu\n", static_cast<LPCSTR>(name), number);
        } else {
            std::printf("    %s = \"%s\"\n", static_cast<LPCSTR>(name), static_cast<LPCSTR>(data));
        }
    }
    key->Release();
    return true;
}

} // namespace

int main()
{
    // Without the installer's tree there is nothing to read (and the settings
    // accessor would create an empty key).
    CRegEntry* installed = CRegEntry::OpenExisting(HKEY_LOCAL_MACHINE, CString(kSettingsKey));
    if (!installed) {
        std::printf("scheme_reader: not installed: import install.reg first\n");
        return 1;
    }
    installed->Release();
    CGlobalSettingRegAccess settings(kSettingsKey);
    char language[16];
    settings.LoadValue("Language", language, sizeof language, "en");
    std::printf("scheme_reader: %s settings: poll interval %lu ms, language %s\n", kComponent,
                settings.LoadValue("Poll Interval", 50), language);

    CString product(kProduct), component(kComponent), current, path;
    CRegScheme* scheme = new CRegScheme(product, component);
    // Copies the machine-wide tree to this user when the user has none yet.
    long status = scheme->GetCurrentScheme(current);
    std::printf("scheme_reader: current scheme \"%s\" (status %ld); the user's schemes:", static_cast<LPCSTR>(current),
                status);
    CString name;
    for (long s = scheme->GetFirstScheme(name); s == ERROR_SUCCESS; s = scheme->GetNextScheme(name))
        std::printf(" \"%s\"", static_cast<LPCSTR>(name));
    std::printf("\n");

    CString family;
    GetDevFamilyName(family, 0);
    CRegDevice* stick = new CRegDevice(family, 0, scheme);
    bool ok = stick->GetUsabilityKey(path) == ERROR_SUCCESS;
    std::printf("scheme_reader: %s 0 usability (HKCU\\%s):\n", static_cast<LPCSTR>(family), static_cast<LPCSTR>(path));
    ok = ok && PrintValues(HKEY_CURRENT_USER, path);

    CRegModule* pages = new CRegModule(scheme);
    ok = ok && pages->GetModuleKey(path) == ERROR_SUCCESS;
    std::printf("scheme_reader: property pages (HKCU\\%s):\n", static_cast<LPCSTR>(path));
    ok = ok && PrintValues(HKEY_CURRENT_USER, path);

    // Each holder took its own reference to the scheme.
    pages->Release();
    stick->Release();
    scheme->Release();
    return ok && status == ERROR_SUCCESS ? 0 : 1;
}
