#include "library/CFUtils.h"

#include "registry/RegBuffers.h"

namespace {

// One value at a position, read into buffers sized by the entry's counts.
struct EnumeratedValue
{
    CString name;
    std::unique_ptr<unsigned char[]> data;
    DWORD size = 0;
    DWORD type = REG_NONE;
};

// RegEnumValueA; ERROR_INVALID_HANDLE without an entry, as for a null key.
long EnumerateValue(const CRegEntry* entry, int index, EnumeratedValue& value)
{
    if (!entry)
        return ERROR_INVALID_HANDLE;
    DWORD nameChars = entry->m_dwMaxValueNameLen;
    auto name = cfu::TryAllocate<char>(nameChars);
    value.size = entry->m_dwMaxValueLen;
    value.data = cfu::TryAllocate<unsigned char>(value.size);
    if (!name || !value.data)
        return ERROR_NOT_ENOUGH_MEMORY;
    long status = RegEnumValueA(entry->m_hKey, DWORD(index), name.get(), &nameChars, NULL, &value.type,
                                value.data.get(), &value.size);
    if (status == ERROR_SUCCESS)
        value.name = CString(name.get(), int(nameChars));
    return status;
}

} // namespace

CRegIterator::CRegIterator(CRegEntry* entry, DWORD count) : m_pEntry(entry), m_nIndex(-1), m_nCount(int(count))
{
}

CRegIterator::~CRegIterator()
{
}

CRegIterator& CRegIterator::operator++()
{
    ++m_nIndex;
    return *this;
}

BOOL CRegIterator::IsValid() const
{
    return m_nIndex < m_nCount;
}

CRegSubkeyIterator::CRegSubkeyIterator(CRegEntry* entry) : CRegIterator(entry, entry ? entry->m_dwSubkeys : 0)
{
}

long CRegSubkeyIterator::CurrentSubkey(CString& name)
{
    if (!m_pEntry)
        return ERROR_INVALID_HANDLE;
    DWORD chars = m_pEntry->m_dwMaxSubkeyLen + 1;
    auto buffer = cfu::TryAllocate<char>(chars);
    if (!buffer)
        return ERROR_NOT_ENOUGH_MEMORY;
    FILETIME lastWrite;
    long status = RegEnumKeyExA(m_pEntry->m_hKey, DWORD(m_nIndex), buffer.get(), &chars, NULL, NULL, NULL,
                                &lastWrite);
    if (status == ERROR_SUCCESS)
        name = CString(buffer.get(), int(chars));
    return status;
}

CRegValueIterator::CRegValueIterator(CRegEntry* entry) : CRegIterator(entry, entry ? entry->m_dwValues : 0)
{
}

long CRegValueIterator::CurrentValue(CString& name, unsigned char* data, unsigned long* size,
                                     unsigned long* type)
{
    EnumeratedValue value;
    long status = EnumerateValue(m_pEntry, m_nIndex, value);
    if (status != ERROR_SUCCESS)
        return status;
    // With counts gone stale the platform can fill the whole buffer, and the
    // zero byte after the data would land past the m_dwMaxValueLen bytes promised.
    if (data && value.size >= m_pEntry->m_dwMaxValueLen)
        return ERROR_MORE_DATA;
    name = value.name;
    if (type)
        *type = value.type;
    if (size)
        *size = value.size;
    if (data) {
        memcpy(data, value.data.get(), value.size);
        data[value.size] = 0;
    }
    return status;
}

long CRegValueIterator::CurrentValue(CString& name, CRegData& data)
{
    EnumeratedValue value;
    long status = EnumerateValue(m_pEntry, m_nIndex, value);
    if (status == ERROR_SUCCESS) {
        name = value.name;
        data = CRegData(value.data.get(), value.size, value.type);
    }
    return status;
}

long CRegValueIterator::CurrentValue(CString& name, CString& text)
{
    EnumeratedValue value;
    long status = EnumerateValue(m_pEntry, m_nIndex, value);
    if (status != ERROR_SUCCESS)
        return status;
    if (value.type != REG_SZ)
        return ERROR_BAD_FORMAT;
    name = value.name;
    text = cfu::TextOf(value.data.get(), value.size);
    return status;
}
