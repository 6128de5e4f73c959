#include "library/CFUtils.h"

#include "library/Handles.h"
#include "registry/RegBuffers.h"

namespace {

// Every handle also carries the rights of the entry's own reads: the count
// query and single-value read at opening, the value reads and the iterators.
// Wine enforces them, so a write-only handle could not even be constructed
// on a key holding one value.
constexpr REGSAM kOwnReadRights = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;

// Allows class names of one character only: a longer one makes the count
// query fail with ERROR_MORE_DATA, and such a key cannot be opened.
constexpr DWORD kClassNameChars = 2;

HKEY KeyOf(const CRegEntry* entry)
{
    return entry ? entry->m_hKey : NULL;
}

// Runs op on a second entry's handle (NULL when it could not be opened) and
// keeps its status in the first.
template <class Op>
long ThroughSecondHandle(CRegEntry& self, CRegEntry* second, Op op)
{
    std::unique_ptr<CRegEntry> owner(second);
    self.m_lStatus = owner ? op(owner->m_hKey) : ERROR_NOT_ENOUGH_MEMORY;
    return self.m_lStatus;
}

// RegQueryValueExA into a buffer sized by the cached counts; take receives
// the bytes on success.
template <class Take>
long ReadValue(CRegEntry& self, const CString& name, Take take)
{
    self.m_lStatus = ERROR_NOT_ENOUGH_MEMORY;
    DWORD size = self.m_dwMaxValueLen;
    auto buffer = cfu::TryAllocate<unsigned char>(size);
    if (!buffer)
        return self.m_lStatus;
    DWORD type = REG_NONE;
    self.m_lStatus = RegQueryValueExA(self.m_hKey, name, NULL, &type, buffer.get(), &size);
    if (self.m_lStatus == ERROR_SUCCESS)
        take(buffer.get(), size, type);
    return self.m_lStatus;
}

// The single value of a key opened for reading, kept in the entry.
void CacheOnlyValue(CRegEntry& self)
{
    CRegValueIterator only(&self);
    ++only;
    long status = only.CurrentValue(self.m_strValueName, self.m_valueData);
    // Without buffers the single value is just not cached.
    if (status != ERROR_NOT_ENOUGH_MEMORY)
        self.m_lStatus = status;
}

} // namespace

CRegEntry::CRegEntry(HKEY parent, const CString& name, REGSAM access)
    : m_hKey(NULL), m_lStatus(ERROR_SUCCESS), m_dwSubkeys(0), m_dwMaxSubkeyLen(0), m_dwValues(0),
      m_dwMaxValueNameLen(0), m_dwMaxValueLen(0)
{
    // Owned here until construction ends: the destructor would not run if a
    // CString allocation below threw, and the key would leak.
    cfu::unique_hkey key;
    const bool create = (access & KEY_WRITE) == KEY_WRITE;
    // A key just created has nothing to count.
    DWORD disposition = REG_OPENED_EXISTING_KEY;
    m_lStatus = create ? RegCreateKeyExA(parent, name, 0, NULL, REG_OPTION_NON_VOLATILE, access | kOwnReadRights,
                                         NULL, key.put(), &disposition)
                       : RegOpenKeyExA(parent, name, 0, access | kOwnReadRights, key.put());
    m_hKey = key.get();
    if (m_lStatus == ERROR_SUCCESS && disposition == REG_OPENED_EXISTING_KEY && ResetCounts() == ERROR_SUCCESS &&
        !create && m_dwValues == 1)
        CacheOnlyValue(*this);
    m_hKey = key.release();
}

CRegEntry::~CRegEntry()
{
    if (m_hKey)
        RegCloseKey(m_hKey);
}

CRegEntry* CRegEntry::Make(HKEY parent, const CString& name, REGSAM access)
{
    std::unique_ptr<CRegEntry> entry(new (std::nothrow) CRegEntry(parent, name, access));
    return entry && entry->m_lStatus == ERROR_SUCCESS ? entry.release() : NULL;
}

CRegEntry* CRegEntry::OpenExisting(HKEY parent, const CString& name)
{
    return Make(parent, name, KEY_READ);
}

CRegEntry* CRegEntry::OpenExisting(CRegEntry* parent, CString& name)
{
    return Make(KeyOf(parent), name, KEY_READ);
}

CRegEntry* CRegEntry::OpenExisting(CRegEntry* entry)
{
    return Make(KeyOf(entry), CString(), KEY_READ);
}

CRegEntry* CRegEntry::CreateNew(HKEY parent, CString& name)
{
    return Make(parent, name, KEY_WRITE);
}

CRegEntry* CRegEntry::CreateNew(CRegEntry* parent, CString& name)
{
    return Make(KeyOf(parent), name, KEY_WRITE);
}

long CRegEntry::ResetCounts()
{
    char className[kClassNameChars];
    DWORD classChars = kClassNameChars;
    DWORD maxClassChars = 0;
    DWORD securityBytes = 0;
    FILETIME lastWrite;
    DWORD maxSubkey = 0, maxValueName = 0, maxValue = 0;
    m_lStatus = RegQueryInfoKeyA(m_hKey, className, &classChars, NULL, &m_dwSubkeys, &maxSubkey, &maxClassChars,
                                 &m_dwValues, &maxValueName, &maxValue, &securityBytes, &lastWrite);
    // Room for a terminator after the longest name, and for the zero byte
    // that a value iterator appends to the longest data: kept even when the
    // query fails (ERROR_MORE_DATA still fills the maxima), so that buffers
    // sized from them always hold the terminator.
    m_dwMaxSubkeyLen = maxSubkey + 1;
    m_dwMaxValueNameLen = maxValueName + 1;
    m_dwMaxValueLen = maxValue + 1;
    return m_lStatus;
}

long CRegEntry::LocateValueData(const CString& name, CRegData& data)
{
    return ReadValue(*this, name, [&](unsigned char* bytes, DWORD size, DWORD type) {
        data = CRegData(bytes, size, type);
    });
}

long CRegEntry::LocateValueData(const CString& name, CString& text)
{
    return ReadValue(*this, name, [&](unsigned char* bytes, DWORD size, DWORD) {
        text = cfu::TextOf(bytes, size);
    });
}

long CRegEntry::SetValueData(const CString& name, const unsigned char* data, unsigned long type,
                             unsigned long size)
{
    return ThroughSecondHandle(*this, Make(m_hKey, CString(), KEY_SET_VALUE), [&](HKEY key) {
        long status = RegSetValueExA(key, name, 0, type, data, size);
        // Later reads through this entry are sized for the new value.
        return status == ERROR_SUCCESS ? ResetCounts() : status;
    });
}

long CRegEntry::SetValueData(const CString& name, const CString& text)
{
    return SetValueData(name, reinterpret_cast<const unsigned char*>(static_cast<LPCSTR>(text)), REG_SZ,
                        text.GetLength() + 1);
}

// The string part always keeps a zero byte after the data; it is written too.
long CRegEntry::SetValueData(const CString& name, const CRegData& data)
{
    return SetValueData(name, static_cast<unsigned char*>(data), data.m_dwType, data.GetLength() + 1);
}

long CRegEntry::DeleteValue(const CString& name)
{
    return ThroughSecondHandle(*this, Make(m_hKey, CString(), KEY_WRITE),
                               [&](HKEY key) { return RegDeleteValueA(key, name); });
}

long CRegEntry::DeleteSubkey(const CString& name)
{
    return ThroughSecondHandle(*this, Make(m_hKey, CString(), KEY_WRITE),
                               [&](HKEY key) { return RegDeleteKeyA(key, name); });
}

long CRegEntry::CopyStructure(CRegEntry* const destination)
{
    std::unique_ptr<CRegEntry> target(Make(KeyOf(destination), CString(), KEY_WRITE));
    m_lStatus = target ? CopyKeyTree(this, target.get()) : ERROR_NOT_ENOUGH_MEMORY;
    return m_lStatus;
}

// Progress is kept in this entry's status: a failed enumeration anywhere
// below ends the walk at every level above it.
long CRegEntry::CopyKeyTree(CRegEntry* source, CRegEntry* target)
{
    m_lStatus = ERROR_SUCCESS;
    if (source->m_dwSubkeys == 0)
        return CopyKeyValues(source, target);
    CRegSubkeyIterator subkeys(source);
    for (++subkeys; subkeys.IsValid() && m_lStatus == ERROR_SUCCESS; ++subkeys) {
        CString name;
        if ((m_lStatus = subkeys.CurrentSubkey(name)) != ERROR_SUCCESS)
            break;
        // A subkey that cannot be opened here or made there is skipped.
        std::unique_ptr<CRegEntry> from(Make(source->m_hKey, name, KEY_READ));
        std::unique_ptr<CRegEntry> to(Make(target->m_hKey, name, KEY_WRITE));
        if (from && to)
            CopyKeyTree(from.get(), to.get());
    }
    if (m_lStatus == ERROR_SUCCESS)
        CopyKeyValues(source, target);
    return m_lStatus;
}

// A value that fails to enumerate or to write is skipped; the result is the
// status of the last enumeration.
long CRegEntry::CopyKeyValues(CRegEntry* source, CRegEntry* target)
{
    CRegValueIterator values(source);
    for (++values; values.IsValid(); ++values) {
        CString name;
        CRegData data;
        if ((m_lStatus = values.CurrentValue(name, data)) == ERROR_SUCCESS)
            target->SetValueData(name, data);
    }
    return m_lStatus;
}
