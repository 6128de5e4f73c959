#include "afxwin.h"

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string_view>

namespace {

// Every empty CString shares this; it is never freed or written.
struct EmptyString
{
    CStringData header{0, 0};
    char zero = '\0';
} g_empty;

bool IsBlank(char ch)
{
    return ch == ' ' || (ch >= '\t' && ch <= '\r');
}

std::string_view View(const CString& s)
{
    return std::string_view(static_cast<LPCSTR>(s), size_t(s.GetLength()));
}

int IndexOrMinusOne(size_t pos)
{
    return pos == std::string_view::npos ? -1 : int(pos);
}

// How many characters at the end, or at the start, of s satisfy trimmed.
template <class Pred>
int TrailingCount(const CString& s, Pred trimmed)
{
    std::string_view v = View(s);
    size_t kept = v.size();
    while (kept > 0 && trimmed(v[kept - 1]))
        --kept;
    return int(v.size() - kept);
}

template <class Pred>
int LeadingCount(const CString& s, Pred trimmed)
{
    std::string_view v = View(s);
    size_t skip = 0;
    while (skip < v.size() && trimmed(v[skip]))
        ++skip;
    return int(skip);
}

// A copy of s with tail appended; every operator+ is this.
template <class Tail>
CString Joined(CString s, const Tail& tail)
{
    s += tail;
    return s;
}

} // namespace

void CString::Init()
{
    m_pchData = g_empty.header.data();
}

void CString::Release(CStringData* pData)
{
    if (pData != &g_empty.header)
        free(pData);
}

void CString::Release()
{
    Release(GetData());
    Init();
}

// Room for nLen bytes and the zero after them; the old data is dropped.
void CString::AllocBuffer(int nLen)
{
    if (nLen <= 0) {
        Init();
        return;
    }
    auto* pData = static_cast<CStringData*>(malloc(sizeof(CStringData) + size_t(nLen) + 1));
    if (!pData)
        AfxThrowMemoryException();
    pData->nAllocLength = nLen;
    pData->nDataLength = nLen;
    pData->data()[nLen] = '\0';
    m_pchData = pData->data();
}

CString::CString()
{
    Init();
}

CString::CString(const CString& stringSrc)
{
    Init();
    AssignCopy(stringSrc.GetLength(), stringSrc.m_pchData);
}

CString::CString(char ch, int nRepeat)
{
    Init();
    if (nRepeat > 0) {
        AllocBuffer(nRepeat);
        memset(m_pchData, ch, size_t(nRepeat));
    }
}

CString::CString(LPCSTR lpsz)
{
    Init();
    // As in the framework, a resource identifier in place of a pointer loads it.
    if (lpsz && IS_INTRESOURCE(lpsz))
        LoadString(LOWORD(reinterpret_cast<ULONG_PTR>(lpsz)));
    else if (lpsz)
        AssignCopy(int(strlen(lpsz)), lpsz);
}

CString::CString(LPCSTR lpch, int nLength)
{
    Init();
    if (lpch && nLength > 0)
        AssignCopy(nLength, lpch);
}

CString::CString(LPCWSTR lpsz)
{
    Init();
    *this = lpsz;
}

CString::~CString()
{
    Release(GetData());
}

void CString::Empty()
{
    Release();
}

char CString::GetAt(int nIndex) const
{
    return (nIndex >= 0 && nIndex <= GetLength()) ? m_pchData[nIndex] : '\0';
}

void CString::SetAt(int nIndex, char ch)
{
    if (nIndex >= 0 && nIndex < GetLength())
        m_pchData[nIndex] = ch;
}

void CString::AssignCopy(int nSrcLen, LPCSTR lpszSrcData)
{
    if (nSrcLen > GetData()->nAllocLength) {
        Release();
        AllocBuffer(nSrcLen);
    }
    if (nSrcLen > 0)
        memmove(m_pchData, lpszSrcData, size_t(nSrcLen));
    if (GetData() != &g_empty.header) {
        GetData()->nDataLength = nSrcLen;
        m_pchData[nSrcLen] = '\0';
    }
}

const CString& CString::operator=(const CString& stringSrc)
{
    if (this != &stringSrc)
        AssignCopy(stringSrc.GetLength(), stringSrc.m_pchData);
    return *this;
}

const CString& CString::operator=(char ch)
{
    AssignCopy(1, &ch);
    return *this;
}

const CString& CString::operator=(LPCSTR lpsz)
{
    AssignCopy(lpsz ? int(strlen(lpsz)) : 0, lpsz);
    return *this;
}

const CString& CString::operator=(LPCWSTR lpsz)
{
    int nBytes = lpsz ? WideCharToMultiByte(CP_ACP, 0, lpsz, -1, NULL, 0, NULL, NULL) : 0;
    if (nBytes <= 1) {
        Empty();
        return *this;
    }
    CString converted;
    converted.AllocBuffer(nBytes - 1);
    WideCharToMultiByte(CP_ACP, 0, lpsz, -1, converted.m_pchData, nBytes, NULL, NULL);
    return *this = converted;
}

// The source may lie inside this string's own buffer, so the old buffer is
// freed only after the copy.
void CString::ConcatInPlace(int nSrcLen, LPCSTR lpszSrcData)
{
    if (nSrcLen <= 0)
        return;
    int nOldLen = GetLength();
    if (nOldLen + nSrcLen <= GetData()->nAllocLength) {
        memmove(m_pchData + nOldLen, lpszSrcData, size_t(nSrcLen));
        GetData()->nDataLength = nOldLen + nSrcLen;
        m_pchData[nOldLen + nSrcLen] = '\0';
        return;
    }
    CStringData* pOld = GetData();
    AllocBuffer(nOldLen + nSrcLen);
    memcpy(m_pchData, pOld->data(), size_t(nOldLen));
    memcpy(m_pchData + nOldLen, lpszSrcData, size_t(nSrcLen));
    Release(pOld);
}

const CString& CString::operator+=(const CString& string)
{
    ConcatInPlace(string.GetLength(), string.m_pchData);
    return *this;
}

const CString& CString::operator+=(char ch)
{
    ConcatInPlace(1, &ch);
    return *this;
}

const CString& CString::operator+=(LPCSTR lpsz)
{
    ConcatInPlace(lpsz ? int(strlen(lpsz)) : 0, lpsz);
    return *this;
}

CString AFXAPI operator+(const CString& string1, const CString& string2)
{
    return Joined(string1, string2);
}

CString AFXAPI operator+(const CString& string, char ch)
{
    return Joined(string, ch);
}

CString AFXAPI operator+(char ch, const CString& string)
{
    return Joined(CString(ch), string);
}

CString AFXAPI operator+(const CString& string, LPCSTR lpsz)
{
    return Joined(string, lpsz);
}

CString AFXAPI operator+(LPCSTR lpsz, const CString& string)
{
    return Joined(CString(lpsz), string);
}

int CString::Compare(LPCSTR lpsz) const
{
    return strcmp(m_pchData, lpsz ? lpsz : "");
}

int CString::CompareNoCase(LPCSTR lpsz) const
{
    return _stricmp(m_pchData, lpsz ? lpsz : "");
}

bool AFXAPI operator==(const CString& s1, const CString& s2) { return s1.Compare(s2) == 0; }
bool AFXAPI operator==(const CString& s1, LPCSTR s2) { return s1.Compare(s2) == 0; }
bool AFXAPI operator==(LPCSTR s1, const CString& s2) { return s2.Compare(s1) == 0; }
bool AFXAPI operator!=(const CString& s1, const CString& s2) { return s1.Compare(s2) != 0; }
bool AFXAPI operator!=(const CString& s1, LPCSTR s2) { return s1.Compare(s2) != 0; }
bool AFXAPI operator!=(LPCSTR s1, const CString& s2) { return s2.Compare(s1) != 0; }
bool AFXAPI operator<(const CString& s1, const CString& s2) { return s1.Compare(s2) < 0; }
bool AFXAPI operator<(const CString& s1, LPCSTR s2) { return s1.Compare(s2) < 0; }
bool AFXAPI operator<(LPCSTR s1, const CString& s2) { return s2.Compare(s1) > 0; }

// The framework's clamping: a negative start counts from 0, a negative count
// gives nothing, and a count past the end stops at the end.
CString CString::Mid(int nFirst, int nCount) const
{
    int nLen = GetLength();
    nFirst = std::clamp(nFirst, 0, nLen);
    nCount = std::clamp(nCount, 0, nLen - nFirst);
    return CString(m_pchData + nFirst, nCount);
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, GetLength() - std::max(nFirst, 0));
}

CString CString::Left(int nCount) const
{
    return CString(m_pchData, std::clamp(nCount, 0, GetLength()));
}

CString CString::Right(int nCount) const
{
    nCount = std::clamp(nCount, 0, GetLength());
    return CString(m_pchData + GetLength() - nCount, nCount);
}

void CString::MakeUpper()
{
    if (GetLength())
        CharUpperBuffA(m_pchData, DWORD(GetLength()));
}

void CString::MakeLower()
{
    if (GetLength())
        CharLowerBuffA(m_pchData, DWORD(GetLength()));
}

void CString::MakeReverse()
{
    std::reverse(m_pchData, m_pchData + GetLength());
}

void CString::TrimRight()
{
    AssignCopy(GetLength() - TrailingCount(*this, IsBlank), m_pchData);
}

void CString::TrimLeft()
{
    int nSkip = LeadingCount(*this, IsBlank);
    AssignCopy(GetLength() - nSkip, m_pchData + nSkip);
}

void CString::TrimRight(char chTarget)
{
    AssignCopy(GetLength() - TrailingCount(*this, [=](char c) { return c == chTarget; }), m_pchData);
}

void CString::TrimLeft(char chTarget)
{
    int nSkip = LeadingCount(*this, [=](char c) { return c == chTarget; });
    AssignCopy(GetLength() - nSkip, m_pchData + nSkip);
}

// Searches cover the whole length, zero bytes included.
int CString::Find(char ch) const
{
    return Find(ch, 0);
}

int CString::Find(char ch, int nStart) const
{
    if (nStart < 0 || nStart >= GetLength())
        return -1;
    size_t pos = View(*this).find(ch, size_t(nStart));
    return IndexOrMinusOne(pos);
}

int CString::Find(LPCSTR lpszSub) const
{
    return Find(lpszSub, 0);
}

int CString::Find(LPCSTR lpszSub, int nStart) const
{
    if (!lpszSub || nStart < 0 || nStart > GetLength())
        return -1;
    size_t pos = View(*this).find(lpszSub, size_t(nStart));
    return IndexOrMinusOne(pos);
}

int CString::ReverseFind(char ch) const
{
    size_t pos = View(*this).rfind(ch);
    return IndexOrMinusOne(pos);
}

int CString::FindOneOf(LPCSTR lpszCharSet) const
{
    if (!lpszCharSet)
        return -1;
    size_t pos = View(*this).find_first_of(lpszCharSet);
    return IndexOrMinusOne(pos);
}

void CString::FormatV(LPCSTR lpszFormat, va_list argList)
{
    if (!lpszFormat) {
        Empty();
        return;
    }
    va_list sizing;
    va_copy(sizing, argList);
    int nLen = vsnprintf(NULL, 0, lpszFormat, sizing);
    va_end(sizing);
    if (nLen <= 0) {
        Empty();
        return;
    }
    CString result;
    result.AllocBuffer(nLen);
    vsnprintf(result.m_pchData, size_t(nLen) + 1, lpszFormat, argList);
    *this = result;
}

void AFX_CDECL CString::Format(LPCSTR lpszFormat, ...)
{
    va_list args;
    va_start(args, lpszFormat);
    FormatV(lpszFormat, args);
    va_end(args);
}

void AFX_CDECL CString::Format(UINT nFormatID, ...)
{
    CString format;
    format.LoadString(nFormatID);
    va_list args;
    va_start(args, nFormatID);
    FormatV(format, args);
    va_end(args);
}

BOOL CString::LoadString(UINT nID)
{
    // Strings live in blocks of 16, each a resource of its own.
    HINSTANCE hInst = AfxFindResourceHandle(MAKEINTRESOURCEA((nID >> 4) + 1), RT_STRING);
    int nSize = 256;
    for (;;) {
        CString buffer;
        int nLen = hInst ? ::LoadStringA(hInst, nID, buffer.GetBuffer(nSize), nSize + 1) : 0;
        if (nLen < nSize) {
            buffer.ReleaseBuffer(nLen);
            *this = buffer;
            return nLen > 0;
        }
        nSize *= 2;
    }
}

LPSTR CString::GetBuffer(int nMinBufLength)
{
    if (nMinBufLength > GetData()->nAllocLength) {
        CStringData* pOld = GetData();
        int nOldLen = pOld->nDataLength;
        AllocBuffer(nMinBufLength);
        memcpy(m_pchData, pOld->data(), size_t(nOldLen) + 1);
        GetData()->nDataLength = nOldLen;
        Release(pOld);
    }
    return m_pchData;
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (GetData() == &g_empty.header)
        return;
    if (nNewLength < 0)
        nNewLength = int(strnlen(m_pchData, size_t(GetData()->nAllocLength)));
    nNewLength = std::min(nNewLength, GetData()->nAllocLength);
    GetData()->nDataLength = nNewLength;
    m_pchData[nNewLength] = '\0';
}

LPSTR CString::GetBufferSetLength(int nNewLength)
{
    GetBuffer(nNewLength);
    ReleaseBuffer(std::max(nNewLength, 0));
    return m_pchData;
}

void CString::FreeExtra()
{
    if (GetLength() != GetData()->nAllocLength) {
        CString exact(m_pchData, GetLength());
        Release();
        std::swap(m_pchData, exact.m_pchData);
    }
}
