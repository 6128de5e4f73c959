// Loaders of string-table resources in one language chosen by the library,
// not by the platform's language fallback. Internal to CFUtils.dll.
#pragma once

#include "library/CFUtils.h"

struct LANGUAGE_INFO
{
    UINT index;
    char code[4];
    const char* fontFace;
    UINT languageId;
    UINT codePage;
};

// The row of the language table in use; every load asks for its language.
const LANGUAGE_INFO& CurrentLanguage();

// Copies string id of module in languageId into buffer (bufferBytes bytes,
// zero-filled, always terminated); the number of characters copied, 0 when
// absent. A null buffer asks for the length only. An entry that overruns its
// block gives its recorded length with buffer untouched.
int LoadLocalizedStringW(HMODULE module, UINT id, WCHAR* buffer, UINT bufferBytes, WORD languageId);

// String id in the current language, converted with its code page into
// buffer; the string's length in UTF-16 characters (not bytes written), 0
// when absent. Text that does not fit is cut, still terminated.
int LoadLocalizedStringA(HMODULE module, UINT id, char* buffer, int bufferBytes);

// String id in the current language from the framework's resource handle;
// absent or empty, the framework's own CString::LoadString answers.
CString LoadLocalizedString(UINT id);
