// Collection templates of the MFC-compatible layer.
#pragma once

#include "afx.h"
#include <new>

// A doubly linked list; a POSITION is a node, valid until that node is removed.
// Elements are default-constructed and then assigned from ARG_TYPE, as the
// framework does, so TYPE needs a default constructor and an assignment.
template <class TYPE, class ARG_TYPE = const TYPE&>
class CList : public CObject
{
    struct CNode
    {
        CNode(CNode* prev, CNode* next) : pNext(next), pPrev(prev), data() {}
        CNode* pNext;
        CNode* pPrev;
        TYPE data;
    };

public:
    explicit CList(INT_PTR nBlockSize = 10) { (void)nBlockSize; }
    ~CList() override { RemoveAll(); }

    INT_PTR GetCount() const { return m_nCount; }
    INT_PTR GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }

    TYPE& GetHead() { return m_pNodeHead->data; }
    const TYPE& GetHead() const { return m_pNodeHead->data; }
    TYPE& GetTail() { return m_pNodeTail->data; }
    const TYPE& GetTail() const { return m_pNodeTail->data; }

    POSITION AddHead(ARG_TYPE newElement) { return InsertNode(NULL, m_pNodeHead, newElement); }
    POSITION AddTail(ARG_TYPE newElement) { return InsertNode(m_pNodeTail, NULL, newElement); }
    POSITION InsertBefore(POSITION position, ARG_TYPE newElement)
    {
        if (!position)
            return AddHead(newElement);
        CNode* pNode = Node(position);
        return InsertNode(pNode->pPrev, pNode, newElement);
    }
    POSITION InsertAfter(POSITION position, ARG_TYPE newElement)
    {
        if (!position)
            return AddTail(newElement);
        CNode* pNode = Node(position);
        return InsertNode(pNode, pNode->pNext, newElement);
    }

    TYPE RemoveHead()
    {
        TYPE value;
        value = m_pNodeHead->data;
        RemoveAt(Pos(m_pNodeHead));
        return value;
    }
    TYPE RemoveTail()
    {
        TYPE value;
        value = m_pNodeTail->data;
        RemoveAt(Pos(m_pNodeTail));
        return value;
    }
    void RemoveAll()
    {
        while (m_pNodeHead)
            RemoveAt(Pos(m_pNodeHead));
    }
    // Other positions stay valid, so a walk that noted the next position
    // before removing the current one can go on.
    void RemoveAt(POSITION position)
    {
        CNode* pNode = Node(position);
        (pNode->pPrev ? pNode->pPrev->pNext : m_pNodeHead) = pNode->pNext;
        (pNode->pNext ? pNode->pNext->pPrev : m_pNodeTail) = pNode->pPrev;
        delete pNode;
        --m_nCount;
    }

    POSITION GetHeadPosition() const { return Pos(m_pNodeHead); }
    POSITION GetTailPosition() const { return Pos(m_pNodeTail); }
    TYPE& GetNext(POSITION& rPosition)
    {
        CNode* pNode = Node(rPosition);
        rPosition = Pos(pNode->pNext);
        return pNode->data;
    }
    const TYPE& GetNext(POSITION& rPosition) const
    {
        CNode* pNode = Node(rPosition);
        rPosition = Pos(pNode->pNext);
        return pNode->data;
    }
    TYPE& GetPrev(POSITION& rPosition)
    {
        CNode* pNode = Node(rPosition);
        rPosition = Pos(pNode->pPrev);
        return pNode->data;
    }
    TYPE& GetAt(POSITION position) { return Node(position)->data; }
    const TYPE& GetAt(POSITION position) const { return Node(position)->data; }
    void SetAt(POSITION pos, ARG_TYPE newElement) { Node(pos)->data = newElement; }

    POSITION FindIndex(INT_PTR nIndex) const
    {
        if (nIndex < 0 || nIndex >= m_nCount)
            return NULL;
        CNode* pNode = m_pNodeHead;
        while (nIndex--)
            pNode = pNode->pNext;
        return Pos(pNode);
    }
    POSITION Find(ARG_TYPE searchValue, POSITION startAfter = NULL) const
    {
        CNode* pNode = startAfter ? Node(startAfter)->pNext : m_pNodeHead;
        for (; pNode; pNode = pNode->pNext)
            if (pNode->data == searchValue)
                return Pos(pNode);
        return NULL;
    }

private:
    CNode* m_pNodeHead = nullptr;
    CNode* m_pNodeTail = nullptr;
    INT_PTR m_nCount = 0;

    static CNode* Node(POSITION position) { return reinterpret_cast<CNode*>(position); }
    static POSITION Pos(CNode* pNode) { return reinterpret_cast<POSITION>(pNode); }

    POSITION InsertNode(CNode* pPrev, CNode* pNext, ARG_TYPE newElement)
    {
        CNode* pNode = new (std::nothrow) CNode(pPrev, pNext);
        if (!pNode)
            AfxThrowMemoryException();
        pNode->data = newElement;
        (pPrev ? pPrev->pNext : m_pNodeHead) = pNode;
        (pNext ? pNext->pPrev : m_pNodeTail) = pNode;
        ++m_nCount;
        return Pos(pNode);
    }
};
