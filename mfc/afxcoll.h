// Collections of the MFC-compatible layer: growable arrays of plain values.
#pragma once

#include "afx.h"
#include <stdlib.h>
#include <string.h>

// Storage shared by the value arrays; TYPE must be trivially copyable.
// Allocation failure throws the framework's memory exception.
template <class TYPE>
class CAfxValueArray : public CObject
{
public:
    CAfxValueArray() = default;
    ~CAfxValueArray() override { free(m_pData); }

    INT_PTR GetSize() const { return m_nSize; }
    INT_PTR GetCount() const { return m_nSize; }
    BOOL IsEmpty() const { return m_nSize == 0; }
    INT_PTR GetUpperBound() const { return m_nSize - 1; }

    TYPE GetAt(INT_PTR nIndex) const { return m_pData[nIndex]; }
    void SetAt(INT_PTR nIndex, TYPE newElement) { m_pData[nIndex] = newElement; }
    TYPE& ElementAt(INT_PTR nIndex) { return m_pData[nIndex]; }
    TYPE operator[](INT_PTR nIndex) const { return m_pData[nIndex]; }
    TYPE& operator[](INT_PTR nIndex) { return m_pData[nIndex]; }
    const TYPE* GetData() const { return m_pData; }
    TYPE* GetData() { return m_pData; }

    // New elements are zero.
    void SetSize(INT_PTR nNewSize)
    {
        Reserve(nNewSize);
        if (nNewSize > m_nSize)
            memset(m_pData + m_nSize, 0, (nNewSize - m_nSize) * sizeof(TYPE));
        m_nSize = nNewSize;
    }
    INT_PTR Add(TYPE newElement)
    {
        Reserve(m_nSize + 1);
        m_pData[m_nSize] = newElement;
        return m_nSize++;
    }
    void InsertAt(INT_PTR nIndex, TYPE newElement)
    {
        if (nIndex >= m_nSize) {
            SetSize(nIndex + 1);
            m_pData[nIndex] = newElement;
            return;
        }
        Reserve(m_nSize + 1);
        memmove(m_pData + nIndex + 1, m_pData + nIndex, (m_nSize - nIndex) * sizeof(TYPE));
        m_pData[nIndex] = newElement;
        ++m_nSize;
    }
    void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1)
    {
        memmove(m_pData + nIndex, m_pData + nIndex + nCount,
                (m_nSize - nIndex - nCount) * sizeof(TYPE));
        m_nSize -= nCount;
    }
    void RemoveAll() { m_nSize = 0; }
    void Copy(const CAfxValueArray& src)
    {
        if (&src == this)
            return;
        Reserve(src.m_nSize);
        if (src.m_nSize)
            memcpy(m_pData, src.m_pData, src.m_nSize * sizeof(TYPE));
        m_nSize = src.m_nSize;
    }
    INT_PTR Append(const CAfxValueArray& src)
    {
        INT_PTR nOldSize = m_nSize;
        Reserve(m_nSize + src.m_nSize);
        if (src.m_nSize)
            memcpy(m_pData + m_nSize, src.m_pData, src.m_nSize * sizeof(TYPE));
        m_nSize += src.m_nSize;
        return nOldSize;
    }
    void FreeExtra()
    {
        if (m_nSize == m_nMaxSize)
            return;
        Resize(m_nSize);
    }

private:
    TYPE* m_pData = nullptr;
    INT_PTR m_nSize = 0;
    INT_PTR m_nMaxSize = 0;

    void Reserve(INT_PTR nNeeded)
    {
        if (nNeeded <= m_nMaxSize)
            return;
        INT_PTR nGrow = m_nMaxSize < 16 ? 16 : m_nMaxSize;
        Resize(nNeeded > m_nMaxSize + nGrow ? nNeeded : m_nMaxSize + nGrow);
    }
    void Resize(INT_PTR nMax)
    {
        void* p = nMax ? realloc(m_pData, nMax * sizeof(TYPE)) : nullptr;
        if (nMax && !p)
            AfxThrowMemoryException();
        if (!nMax)
            free(m_pData);
        m_pData = static_cast<TYPE*>(p);
        m_nMaxSize = nMax;
    }
};

class CUIntArray : public CAfxValueArray<UINT> {};
class CPtrArray : public CAfxValueArray<void*> {};
class CDWordArray : public CAfxValueArray<DWORD> {};
class CByteArray : public CAfxValueArray<BYTE> {};
