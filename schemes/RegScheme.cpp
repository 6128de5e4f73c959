#include "library/CFUtils.h"
#include "schemes/SchemeTree.h"

#include <mbstring.h>
#include <new>

using namespace cfu::schemes;

namespace {

const char kCurrentSchemeValue[] = "Current Scheme";

// Byte-wise and case-sensitive, so ".default" is a different scheme name here
// although the registry would find the same key under it.
bool SameSchemeName(const CString& a, const char* b)
{
    return _mbscmp(reinterpret_cast<const unsigned char*>(static_cast<LPCSTR>(a)),
                   reinterpret_cast<const unsigned char*>(b)) == 0;
}

// A name that is not exactly one key name would make the deletion reach the
// "Schemes" key itself or a key inside some scheme.
bool IsSingleKeyName(const CString& name)
{
    return !name.IsEmpty() && name.Find('\\') < 0;
}

} // namespace

CRegScheme::CRegScheme(CString& product, CString& component)
    : m_pSchemesKey(NULL), m_pSchemeIterator(NULL),
      m_strProductKey(product), m_strComponentKey(component)
{
}

CRegScheme::~CRegScheme()
{
    EndEnumeration();
}

void CRegScheme::EndEnumeration()
{
    // The iterator points into the key entry, so it goes first.
    delete m_pSchemeIterator;
    m_pSchemeIterator = NULL;
    delete m_pSchemesKey;
    m_pSchemesKey = NULL;
}

CString CRegScheme::CreateSchemePath()
{
    return "SOFTWARE\\Corvanta\\" + m_strProductKey + "\\CurrentVersion\\" + m_strComponentKey +
           "\\Schemes";
}

long CRegScheme::NewSchemeKey(CString& name)
{
    return SeedUserKey(CreateSchemePath() + "\\" + name);
}

long CRegScheme::SetCurrentScheme(CString& name)
{
    EntryPtr schemes(CRegEntry::OpenExisting(HKEY_CURRENT_USER, CreateSchemePath()));
    if (!schemes)
        return ERROR_NOT_ENOUGH_MEMORY;
    return schemes->SetValueData(kCurrentSchemeValue, name);
}

long CRegScheme::GetCurrentScheme(CString& name)
{
    CString path = CreateSchemePath();
    EntryPtr schemes(CRegEntry::OpenExisting(HKEY_CURRENT_USER, path));
    if (!schemes) {
        // Whether seeding worked shows in the creation that follows.
        SeedUserKey(path);
        schemes.reset(CRegEntry::CreateNew(HKEY_CURRENT_USER, path));
        if (!schemes)
            return ERROR_NOT_ENOUGH_MEMORY;
    }
    if (schemes->LocateValueData(kCurrentSchemeValue, name) == ERROR_SUCCESS)
        return ERROR_SUCCESS;
    name = kDefaultScheme;
    return schemes->SetValueData(kCurrentSchemeValue, name);
}

long CRegScheme::GetFirstScheme(CString& name)
{
    EndEnumeration();
    m_pSchemesKey = CRegEntry::OpenExisting(HKEY_CURRENT_USER, CreateSchemePath());
    if (!m_pSchemesKey)
        return ERROR_NOT_ENOUGH_MEMORY;
    m_pSchemeIterator = new (std::nothrow) CRegSubkeyIterator(m_pSchemesKey);
    if (!m_pSchemeIterator)
        return ERROR_NOT_ENOUGH_MEMORY;
    if (!(++*m_pSchemeIterator).IsValid())
        return ERROR_NOT_ENOUGH_MEMORY;
    return m_pSchemeIterator->CurrentSubkey(name);
}

long CRegScheme::GetNextScheme(CString& name)
{
    if (!m_pSchemesKey || !m_pSchemeIterator)
        return ERROR_NOT_ENOUGH_MEMORY;
    if (!(++*m_pSchemeIterator).IsValid())
        return ERROR_NO_DATA;
    return m_pSchemeIterator->CurrentSubkey(name);
}

long CRegScheme::DeleteSchemeKey(CString& name)
{
    if (SameSchemeName(name, kDefaultScheme))
        return ERROR_NO_DATA;
    if (!IsSingleKeyName(name))
        return ERROR_INVALID_PARAMETER;
    CString path = CreateSchemePath();
    EntryPtr schemes(CRegEntry::OpenExisting(HKEY_CURRENT_USER, path));
    if (!schemes)
        return ERROR_NOT_ENOUGH_MEMORY;
    CString current;
    long status = GetCurrentScheme(current);
    if (status != ERROR_SUCCESS)
        return status;
    // The platform deletes only keys without subkeys, and a scheme holds the
    // device and module trees: it is emptied first.
    status = EmptyKey(HKEY_CURRENT_USER, path + "\\" + name);
    if (status == ERROR_SUCCESS)
        status = schemes->DeleteSubkey(name);
    if (status != ERROR_SUCCESS || !SameSchemeName(name, current))
        return status;
    CString fallback(kDefaultScheme);
    return SetCurrentScheme(fallback);
}

long CRegScheme::GetSchemeKey(CString& path)
{
    CString current;
    long status = GetCurrentScheme(current);
    if (status == ERROR_SUCCESS)
        path = CreateSchemePath() + "\\" + current;
    return status;
}
