#include "library/CFUtils.h"

#include "resources/LocalizedString.h"

#include <stdlib.h>

namespace {

// The digits and the zero after them: numbers are stored as text whose
// recorded length counts that zero, so a write stores it too. _itoa is the
// signed conversion on purpose: large unsigned values come out negative and
// read back through atoi as the same 32 bits.
CString DecimalText(int value)
{
    char digits[12];
    _itoa(value, digits, 10);
    return CString(digits, int(strlen(digits)) + 1);
}

// Like the numbers, the text and one zero byte.
CString OnOffText(int value)
{
    return value ? CString("On", sizeof("On")) : CString("Off", sizeof("Off"));
}

} // namespace

CRegData::CRegData() : m_dwType(REG_SZ), m_nValue(0)
{
}

CRegData::CRegData(const CRegData& other) : CString(other), m_dwType(other.m_dwType), m_nValue(0)
{
}

CRegData::CRegData(CString& text) : CString(text), m_dwType(REG_SZ), m_nValue(0)
{
}

CRegData::CRegData(const char* text) : CString(text), m_dwType(REG_SZ), m_nValue(0)
{
}

CRegData::CRegData(unsigned char* const data, unsigned long size, unsigned long type)
    : CString(reinterpret_cast<LPCSTR>(data), int(size)), m_dwType(type), m_nValue(0)
{
}

CRegData::CRegData(unsigned int value) : CString(DecimalText(int(value))), m_dwType(REG_SZ), m_nValue(0)
{
}

CRegData::CRegData(int value, int onOff)
    : CString(onOff ? OnOffText(value) : DecimalText(value)), m_dwType(REG_SZ), m_nValue(0)
{
}

CRegData::~CRegData()
{
}

unsigned long CRegData::GetType() const
{
    return m_dwType;
}

CRegData::operator unsigned char*() const
{
    return reinterpret_cast<unsigned char*>(m_pchData);
}

CRegData::operator void*() const
{
    return operator unsigned char*();
}

// Binary data is not text and reads as 0 through both views.
CRegData::operator int*()
{
    if (m_dwType == REG_BINARY)
        m_nValue = 0;
    else if (lstrcmpiA(m_pchData, "On") == 0)
        m_nValue = 1;
    else if (lstrcmpiA(m_pchData, "Off") == 0)
        m_nValue = 0;
    else
        m_nValue = atoi(m_pchData);
    return &m_nValue;
}

CRegData::operator unsigned int*()
{
    m_nValue = m_dwType == REG_BINARY ? 0 : atoi(m_pchData);
    return reinterpret_cast<unsigned int*>(&m_nValue);
}

const CRegData& CRegData::operator=(const CRegData& other)
{
    CString::operator=(other);
    m_dwType = other.m_dwType;
    return *this;
}

int CRegData::LoadStringA(unsigned int id)
{
    m_dwType = REG_SZ;
    CString::operator=(LoadLocalizedString(id));
    return !IsEmpty();
}
