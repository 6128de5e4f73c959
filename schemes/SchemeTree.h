// Registry work shared by the scheme store and the objects that hang off it.
#pragma once

#include "library/CFUtils.h"
#include "library/Handles.h"

namespace cfu::schemes {

using EntryPtr = unique_ref<CRegEntry>;

inline const char kDefaultScheme[] = ".Default";

// Makes sure HKEY_CURRENT_USER\path exists; a newly created key receives a
// copy of HKEY_LOCAL_MACHINE\path when that exists. 0 when the user's key
// exists afterwards, whatever the copy reported; 8 when it cannot be created.
long SeedUserKey(const CString& path);

// Removes every subkey and value of root\path but keeps the key itself, so
// that a plain key deletion can follow. 0 also when the key is missing.
long EmptyKey(HKEY root, const CString& path);

// A counted reference to scheme, or NULL.
CRegScheme* ShareScheme(CRegScheme* scheme);
void ReleaseScheme(CRegScheme* scheme);

// path = the current scheme's key + tail. 87 without a scheme, else the status
// of reading the current scheme; path changes only on success.
long SchemeSubkeyPath(CRegScheme* scheme, const CString& tail, CString& path);

} // namespace cfu::schemes
