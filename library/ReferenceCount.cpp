#include "library/CFUtils.h"

CReferenceCount* CReferenceCount::CopyInstancePointer()
{
    ++m_count;
    return this;
}

void CReferenceCount::AddRef()
{
    ++m_count;
}

unsigned long CReferenceCount::Release()
{
    // The count is never stored as 0: the last holder deletes at 1.
    if (m_count == 1) {
        delete this;
        return 0;
    }
    return --m_count;
}

unsigned long CReferenceCount::CurrentCount()
{
    return m_count;
}
