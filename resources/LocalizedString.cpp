#include "resources/LocalizedString.h"

#include "library/Handles.h"

#include <algorithm>
#include <string.h>

namespace {

const LANGUAGE_INFO g_languages[] = {
    {0, "ENU", "MS Sans Serif", 0x0409, 1252},
    {1, "DEU", "MS Sans Serif", 0x0407, 1252},
    {2, "ESP", "MS Sans Serif", 0x040A, 1252},
    {3, "FRA", "MS Sans Serif", 0x040C, 1252},
    {4, "ITA", "MS Sans Serif", 0x0410, 1252},
    {5, "NLD", "MS Sans Serif", 0x0413, 1252},
    {6, "PTB", "MS Sans Serif", 0x0416, 1252},
    {7, "ELL", "MS Sans Serif", 0x0408, 1253},
    {8, "DAN", "MS Sans Serif", 0x0406, 1252},
    {9, "FIN", "MS Sans Serif", 0x040B, 1252},
    {10, "NOR", "MS Sans Serif", 0x0414, 1252},
    {11, "SVE", "MS Sans Serif", 0x041D, 1252},
    {12, "CHS", "Simsun", 0x0804, 936},
    {13, "CHT", "PMingLiU", 0x0404, 950},
    {14, "JPN", "MS UI Gothic", 0x0411, 932},
    {15, "KOR", "Gulim", 0x0412, 949},
};

// Nothing in the library switches language; the suite ships English tables.
const WORD g_currentLanguage = 0;

WORD CurrentLanguageId()
{
    return LOWORD(CurrentLanguage().languageId);
}

// One entry of a string-table block: a block is 16 entries end to end, each a
// character count and that many UTF-16 characters, unterminated.
struct StringEntry
{
    const WCHAR* block = nullptr;
    size_t blockBytes = 0;
    size_t position = 0;    // in 16-bit units
    bool found = false;

    bool CountInside() const { return 2 * (position + 1) <= blockBytes; }
    UINT Length() const { return found ? block[position] : 0; }
    bool Whole() const { return 2 * (position + 1 + Length()) <= blockBytes; }
    const WCHAR* Text() const { return block + position + 1; }
};

StringEntry FindStringEntry(HMODULE module, UINT id, WORD languageId)
{
    StringEntry entry;
    WORD blockName = WORD((id >> 4) + 1);
    HRSRC info = FindResourceExA(module, RT_STRING, MAKEINTRESOURCEA(blockName), languageId);
    HGLOBAL loaded = info ? LoadResource(module, info) : NULL;
    entry.block = loaded ? static_cast<const WCHAR*>(LockResource(loaded)) : nullptr;
    if (!entry.block)
        return entry;
    entry.blockBytes = SizeofResource(module, info);
    for (UINT i = 0; i < (id & 15) && entry.CountInside(); ++i)
        entry.position += entry.block[entry.position] + 1;
    entry.found = entry.CountInside();
    return entry;
}

// The string's length characters and a zero in a fresh buffer; null when
// memory is short.
cfu::unique_hlocal LoadWide(HMODULE module, UINT id, UINT length)
{
    UINT bytes = (length + 1) * sizeof(WCHAR);
    cfu::unique_hlocal wide(LocalAlloc(LPTR, bytes));
    if (wide)
        LoadLocalizedStringW(module, id, static_cast<WCHAR*>(wide.get()), bytes, CurrentLanguageId());
    return wide;
}

} // namespace

const LANGUAGE_INFO& CurrentLanguage()
{
    return g_languages[g_currentLanguage];
}

int LoadLocalizedStringW(HMODULE module, UINT id, WCHAR* buffer, UINT bufferBytes, WORD languageId)
{
    StringEntry entry = FindStringEntry(module, id, languageId);
    UINT length = entry.Length();
    if (length == 0 || !entry.Whole())
        return int(length);
    UINT room = bufferBytes / sizeof(WCHAR);
    length = std::min(length, room > 0 ? room - 1 : 0);
    if (buffer) {
        memset(buffer, 0, bufferBytes);
        memcpy(buffer, entry.Text(), length * sizeof(WCHAR));
    }
    return int(length);
}

int LoadLocalizedStringA(HMODULE module, UINT id, char* buffer, int bufferBytes)
{
    UINT length = FindStringEntry(module, id, CurrentLanguageId()).Length();
    if (length == 0 || !buffer)
        return int(length);
    cfu::unique_hlocal wide = LoadWide(module, id, length);
    if (!wide || bufferBytes <= 0)
        return int(length);
    memset(buffer, 0, size_t(bufferBytes));
    WideCharToMultiByte(CurrentLanguage().codePage, 0, static_cast<LPCWSTR>(wide.get()), -1,
                        buffer, bufferBytes, NULL, NULL);
    // Text that does not fit makes the conversion fail after filling the
    // buffer, without a terminator: keep the part that fits.
    buffer[bufferBytes - 1] = '\0';
    return int(length);
}

CString LoadLocalizedString(UINT id)
{
    CString result;
    HMODULE module = AfxGetResourceHandle();
    UINT length = FindStringEntry(module, id, CurrentLanguageId()).Length();
    if (length == 0) {
        result.LoadString(id);
        return result;
    }
    if (cfu::unique_hlocal wide = LoadWide(module, id, length))
        result = static_cast<LPCWSTR>(wide.get());
    return result;
}
