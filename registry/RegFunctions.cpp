#include "library/CFUtils.h"

#include "library/Handles.h"
#include "registry/RegBuffers.h"
#include "resources/LocalizedString.h"
#include "shell/AppModule.h"

#include <mbstring.h>

namespace {

// Read and write rights on each key of the way to RunOnce.
constexpr REGSAM kRunOnceAccess = KEY_READ | KEY_WRITE;

// The current user's RunOnce key, opening "Software" and creating what is
// missing below it; empty when any step fails.
cfu::unique_hkey OpenRunOnceKey()
{
    cfu::unique_hkey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, kRunOnceAccess, key.put()) != ERROR_SUCCESS)
        return {};
    for (const char* name : {"Microsoft", "Windows", "CurrentVersion", "RunOnce"}) {
        cfu::unique_hkey child;
        if (RegCreateKeyExA(key.get(), name, 0, NULL, REG_OPTION_NON_VOLATILE, kRunOnceAccess, NULL, child.put(),
                            NULL) != ERROR_SUCCESS)
            return {};
        key = std::move(child);
    }
    return key;
}

} // namespace

int SetRegKey(const char* key, const char* value)
{
    return RegSetValueA(HKEY_CLASSES_ROOT, key, REG_SZ, value, DWORD(lstrlenA(value))) == ERROR_SUCCESS;
}

int GetRegKey(CString key, CString& value)
{
    char buffer[520];
    LONG size = sizeof buffer;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key, buffer, &size) != ERROR_SUCCESS) {
        value.Empty();
        return 0;
    }
    value = cfu::TextOf(reinterpret_cast<unsigned char*>(buffer), DWORD(size));
    return 1;
}

int DeleteRegKey(const char* key)
{
    // An empty name would name the root itself.
    if (!key || !*key)
        return 0;
    return RegDeleteKeyA(HKEY_CLASSES_ROOT, key) == ERROR_SUCCESS;
}

int SetRunOnce(CString name, CString command)
{
    cfu::unique_hkey runOnce = OpenRunOnceKey();
    return runOnce && RegSetValueExA(runOnce.get(), name, 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(static_cast<const char*>(command)),
                                     DWORD(command.GetLength() + 1)) == ERROR_SUCCESS;
}

void RegisterFileType(CString extension, unsigned int descriptionId, HINSTANCE iconModule, int iconIndex)
{
    const CString type = "psimage" + extension;
    SetRegKey(type, LoadLocalizedString(descriptionId));
    SetRegKey(type + "\\DefaultIcon",
              wformat("%s,%d", static_cast<const char*>(GetModuleFileNameA(iconModule)), iconIndex));
    SetRegKey(type + "\\shell\\open\\command", GetAppModuleFileName() + " \"%1\"");
    // Only a missing association or "FTColor" is taken over: a user's choice of
    // another program for the extension stays.
    CString association;
    GetRegKey(extension, association);
    const auto* text = reinterpret_cast<const unsigned char*>(static_cast<const char*>(association));
    if (association.IsEmpty() || _mbscmp(text, reinterpret_cast<const unsigned char*>("FTColor")) == 0)
        SetRegKey(extension, type);
}
