#include "library/CFUtils.h"

#include <algorithm>
#include <cstddef>
#include <string.h>
#include <new>

// The header as packed, although its fields end at the lists: the record
// always ends with 8 bytes that carry nothing.
static_assert(sizeof(TAGRawRegistration) == 48, "packed registration header");
static_assert(offsetof(TAGRawRegistration, hWnd) == 16, "packed registration window");
static_assert(offsetof(TAGRawRegistration, aIds) == 40, "packed registration lists");

CMessageRegistration::CMessageRegistration()
    : m_pNotifyTarget(NULL), m_pMessagePipe(NULL), m_handle(0), m_messageFrom(0), m_messageTo(0),
      m_pPackedRecord(NULL), m_hWnd(NULL), m_callbackMessage(0), m_notifyStyle(NOTIFY_STYLE_DEFAULT)
{
}

CMessageRegistration::CMessageRegistration(TAGRawRegistration* pRaw) : CMessageRegistration()
{
    m_messageFrom = pRaw->uMessageFrom;
    m_messageTo = pRaw->uMessageTo;
    m_hWnd = pRaw->hWnd;
    m_callbackMessage = pRaw->uCallbackMessage;
    m_notifyStyle = pRaw->nNotifyStyle;
    const UINT* pIds = pRaw->aIds;
    for (UINT i = 0; i < pRaw->cMessages; ++i)
        m_messageList.Add(*pIds++);
    for (UINT i = 0; i < pRaw->cCommands; ++i)
        m_commandList.Add(*pIds++);
}

CMessageRegistration::~CMessageRegistration()
{
    FreePackedRecord();
}

CMessageRegistration& CMessageRegistration::operator=(CMessageRegistration& src)
{
    m_pNotifyTarget = src.m_pNotifyTarget;
    m_pMessagePipe = src.m_pMessagePipe;
    m_handle = src.m_handle;
    m_messageFrom = src.m_messageFrom;
    m_messageTo = src.m_messageTo;
    m_hWnd = src.m_hWnd;
    m_callbackMessage = src.m_callbackMessage;
    m_notifyStyle = src.m_notifyStyle;
    FreePackedRecord();
    m_messageList.Copy(src.m_messageList);
    m_commandList.Copy(src.m_commandList);
    return *this;
}

CMessageRegistration::operator void*()
{
    FreePackedRecord();
    const UINT cMessages = UINT(m_messageList.GetSize());
    const UINT cCommands = UINT(m_commandList.GetSize());
    const UINT cbSize = sizeof(TAGRawRegistration) + sizeof(UINT) * (cMessages + cCommands);
    BYTE* pRecord = new (std::nothrow) BYTE[cbSize];
    if (!pRecord)
        AfxThrowMemoryException();
    memset(pRecord, 0, cbSize);

    TAGRawRegistration* pRaw = reinterpret_cast<TAGRawRegistration*>(pRecord);
    pRaw->cbSize = cbSize;
    pRaw->uMessageFrom = m_messageFrom;
    pRaw->uMessageTo = m_messageTo;
    pRaw->hWnd = m_hWnd;
    pRaw->uCallbackMessage = m_callbackMessage;
    pRaw->nNotifyStyle = m_notifyStyle;
    pRaw->cMessages = cMessages;
    pRaw->cCommands = cCommands;
    UINT* pIds = pRaw->aIds;
    if (cMessages)
        memcpy(pIds, m_messageList.GetData(), sizeof(UINT) * cMessages);
    if (cCommands)
        memcpy(pIds + cMessages, m_commandList.GetData(), sizeof(UINT) * cCommands);

    m_pPackedRecord = pRecord;
    return pRecord;
}

void CMessageRegistration::Reset()
{
    m_messageList.RemoveAll();
    m_commandList.RemoveAll();
    FreePackedRecord();
    m_pNotifyTarget = NULL;
    m_pMessagePipe = NULL;
    m_handle = 0;
    m_messageFrom = 0;
    m_messageTo = 0;
    m_hWnd = NULL;
    m_callbackMessage = 0;
    m_notifyStyle = NOTIFY_STYLE_DEFAULT;
}

int CMessageRegistration::AddMessageToList(UINT message)
{
    return int(m_messageList.Add(message));
}

int CMessageRegistration::AddCommandToList(UINT id)
{
    return int(m_commandList.Add(id));
}

int CMessageRegistration::GetMessageListCount() const
{
    return int(m_messageList.GetSize());
}

int CMessageRegistration::GetCommandCount() const
{
    return int(m_commandList.GetSize());
}

static bool ListHolds(const CUIntArray& list, UINT value)
{
    const UINT* pFirst = list.GetData();
    const UINT* pLast = pFirst + list.GetSize();
    return std::find(pFirst, pLast, value) != pLast;
}

int CMessageRegistration::MessageForThisTarget(UINT message) const
{
    // A range whose bounds are equal or reversed is not in force.
    if (m_messageTo > m_messageFrom && message >= m_messageFrom && message <= m_messageTo)
        return 1;
    return ListHolds(m_messageList, message) ? 1 : 0;
}

int CMessageRegistration::CommandForThisTarget(UINT id) const
{
    return ListHolds(m_commandList, id) ? 1 : 0;
}

void CMessageRegistration::FreePackedRecord()
{
    delete[] m_pPackedRecord;
    m_pPackedRecord = NULL;
}
