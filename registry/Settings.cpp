#include "library/CFUtils.h"

#include "library/Handles.h"

#include <algorithm>
#include <mbstring.h>
#include <memory>
#include <string.h>

namespace {

const char kSuiteKey[] = "Software\\Corvanta\\Corvanta FlyDeck Software\\CurrentVersion";
const char kControlCenterKey[] = "SOFTWARE\\Corvanta\\Corvanta FlyDeck Software\\CurrentVersion\\Control Center";

cfu::unique_hkey OpenSuiteKey()
{
    cfu::unique_hkey suite;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSuiteKey, 0, KEY_ALL_ACCESS, suite.put());
    return suite;
}

// Data stored without a terminating zero (binary, or text from a careless
// writer) still reads as a text: its last byte gives way when it fills the buffer.
void EndText(char* buffer, DWORD read, DWORD size)
{
    if (size && !memchr(buffer, 0, read))
        buffer[std::min(read, size - 1)] = '\0';
}

// Behind every flag: the control centre's key is reached with write rights
// (created when missing) and the value read through the same entry.
int ReadControlCenterFlag(const char* valueName)
{
    CString path = kControlCenterKey;
    std::unique_ptr<CRegEntry> entry(CRegEntry::CreateNew(HKEY_LOCAL_MACHINE, path));
    if (!entry)
        return 0;
    CString text;
    entry->LocateValueData(valueName, text);
    return _strcmpi(text, "On") == 0 ? 1 : 0;
}

} // namespace

CRegistryAccess::CRegistryAccess(const char* subkey) : CRegistryAccess(OpenSuiteKey().get(), subkey)
{
}

CRegistryAccess::CRegistryAccess(HKEY parent, const char* name) : m_hKey(NULL)
{
    cfu::unique_hkey key;
    if (parent && RegCreateKeyExA(parent, name, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL,
                                  key.put(), NULL) == ERROR_SUCCESS)
        m_hKey = key.release();
}

CRegistryAccess::~CRegistryAccess()
{
    if (m_hKey)
        RegCloseKey(m_hKey);
    m_hKey = NULL;
}

unsigned long CRegistryAccess::LoadValue(const char* name, unsigned long defaultValue)
{
    DWORD cell = 0, size = sizeof cell, type = REG_DWORD;
    if (!m_hKey || RegQueryValueExA(m_hKey, name, NULL, &type, reinterpret_cast<BYTE*>(&cell), &size) !=
                       ERROR_SUCCESS)
        return defaultValue;
    return cell;
}

void CRegistryAccess::StoreValue(const char* name, unsigned long value)
{
    if (m_hKey)
        RegSetValueExA(m_hKey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void CRegistryAccess::LoadValue(const char* name, char* buffer, unsigned long size, const char* defaultText)
{
    if (!m_hKey || !buffer)
        return;
    DWORD type = REG_SZ, read = size;
    if (RegQueryValueExA(m_hKey, name, NULL, &type, reinterpret_cast<BYTE*>(buffer), &read) == ERROR_SUCCESS) {
        EndText(buffer, read, size);
    } else if (size) {
        _mbsnbcpy(reinterpret_cast<unsigned char*>(buffer),
                  reinterpret_cast<const unsigned char*>(defaultText ? defaultText : ""), size);
        buffer[size - 1] = '\0';
    }
}

void CRegistryAccess::StoreValue(const char* name, const char* text)
{
    if (!text)
        text = "";
    if (m_hKey)
        RegSetValueExA(m_hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), DWORD(strlen(text) + 1));
}

CGlobalSettingRegAccess::CGlobalSettingRegAccess(const char* path) : CRegistryAccess(HKEY_LOCAL_MACHINE, path)
{
}

int CRegistryFlag::GetSimpleKeyboardFlag()
{
    return ReadControlCenterFlag("SimpleKeyboard");
}

int CRegistryFlag::GetDosAutoDetect()
{
    return ReadControlCenterFlag("DosAutoDetect");
}

int CRegistryFlag::GetWin95AutoDetect()
{
    return ReadControlCenterFlag("Win95AutoDetect");
}

int CRegistryFlag::GetProgramAxis()
{
    return ReadControlCenterFlag("ProgramAxis");
}

int CRegistryFlag::GetTrayIcon()
{
    return ReadControlCenterFlag("TrayIcon");
}
