#include "schemes/SchemeTree.h"

#include "library/Handles.h"

namespace cfu::schemes {

long SeedUserKey(const CString& path)
{
    if (EntryPtr(CRegEntry::OpenExisting(HKEY_CURRENT_USER, path)))
        return ERROR_SUCCESS;
    CString name(path);
    EntryPtr user(CRegEntry::CreateNew(HKEY_CURRENT_USER, name));
    if (!user)
        return ERROR_NOT_ENOUGH_MEMORY;
    // A partial copy still leaves the user a usable tree; its status is not ours.
    if (EntryPtr machine{CRegEntry::OpenExisting(HKEY_LOCAL_MACHINE, path)})
        machine->CopyStructure(user.get());
    return ERROR_SUCCESS;
}

long EmptyKey(HKEY root, const CString& path)
{
    // RegDeleteTreeA needs to enumerate and query the key and to delete its
    // values; the key itself stays, so DELETE is not asked for.
    unique_hkey key;
    long status = RegOpenKeyExA(root, path, 0, KEY_READ | KEY_SET_VALUE, key.put());
    if (status == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS)
        return status;
    return RegDeleteTreeA(key.get(), NULL);
}

CRegScheme* ShareScheme(CRegScheme* scheme)
{
    return scheme ? static_cast<CRegScheme*>(scheme->CopyInstancePointer()) : NULL;
}

void ReleaseScheme(CRegScheme* scheme)
{
    if (scheme)
        scheme->Release();
}

long SchemeSubkeyPath(CRegScheme* scheme, const CString& tail, CString& path)
{
    if (!scheme)
        return ERROR_INVALID_PARAMETER;
    CString key;
    long status = scheme->GetSchemeKey(key);
    if (status == ERROR_SUCCESS)
        path = key + tail;
    return status;
}

} // namespace cfu::schemes
