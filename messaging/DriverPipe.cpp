#include "library/CFUtils.h"
#include "library/CFRouter.h"
#include "library/Handles.h"

#include <algorithm>
#include <cstring>

IMPLEMENT_DYNAMIC(CDriverPipe, CNotifyTarget)

using cfu::router::kDriverPayloadMax;
using cfu::router::kDriverRecordHeader;

namespace {

void CloseAndClear(HANDLE& h)
{
    if (h)
        CloseHandle(h);
    h = NULL;
}

UINT HeaderField(const BYTE* pRecord, int index)
{
    UINT value;
    memcpy(&value, pRecord + index * sizeof(UINT), sizeof value);
    return value;
}

} // namespace

CDriverPipe::CDriverPipe()
    : m_hReadEnd(NULL), m_hWriteEnd(NULL), m_hClientWrite(NULL), m_hRouter(NULL), m_bInitialized(FALSE),
      m_cbRecord(0)
{
}

CDriverPipe::~CDriverPipe()
{
    CloseHandles();
}

int CDriverPipe::InitialServerSide()
{
    if (m_bInitialized)
        return 1;
    m_bInitialized = TRUE;
    SECURITY_ATTRIBUTES sa = {sizeof sa, NULL, TRUE};
    return CreatePipe(&m_hReadEnd, &m_hWriteEnd, &sa, cfu::router::kDriverPipeBuffer);
}

int CDriverPipe::InitialClientSide()
{
    if (m_bInitialized)
        return 1;
    m_bInitialized = TRUE;
    m_hRouter = FindWindowA(cfu::router::kWindowClass, NULL);
    if (!m_hRouter)
        return 0;
    const HANDLE hServerWrite = HANDLE(SendMessageA(m_hRouter, cfu::router::kDriverRequestWriteEnd, 0, 0));
    DWORD processId = 0;
    GetWindowThreadProcessId(m_hRouter, &processId);
    cfu::unique_handle server(OpenProcess(PROCESS_DUP_HANDLE, TRUE, processId));
    if (!server || !hServerWrite)
        return 0;
    return DuplicateHandle(server.get(), hServerWrite, GetCurrentProcess(), &m_hClientWrite, 0, TRUE,
                           DUPLICATE_SAME_ACCESS);
}

int CDriverPipe::WriteDataToClientPipe(UINT length, UINT code, void* pData)
{
    if (length > kDriverPayloadMax || (length && !pData)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // One write per record: every client shares the one write end, and the
    // platform keeps the bytes of one write together, so records of clients
    // writing at once never interleave.
    BYTE record[cfu::router::kDriverPipeBuffer];
    memcpy(record, &length, sizeof length);
    memcpy(record + sizeof length, &code, sizeof code);
    if (length)
        memcpy(record + kDriverRecordHeader, pData, length);
    DWORD written = 0;
    if (!WriteFile(m_hClientWrite, record, kDriverRecordHeader + length, &written, NULL))
        return 0;
    PostMessageA(m_hRouter, cfu::router::kDriverDataReady, 0, 0);
    return 1;
}

int CDriverPipe::Register(CMessagePipe* pPipe)
{
    if (!pPipe)
        return 0;
    m_registration.AddMessageToList(cfu::router::kDriverDataReady);
    m_registration.AddMessageToList(cfu::router::kDriverRequestWriteEnd);
    m_registration.SetNotifyTarget(this);
    pPipe->RegisterForNotifications(m_registration);
    return 1;
}

int CDriverPipe::UnRegister()
{
    CloseHandles();
    CMessagePipe* pPipe = m_registration.GetMessagePipe();
    if (m_registration.GetHandle() && pPipe)
        pPipe->UnRegisterNotification(m_registration.GetHandle());
    // A second UnRegister must not reach a pipe that may be gone by then.
    m_registration.AssignHandle(0);
    return 1;
}

int CDriverPipe::Notify(CMessageNotification* pNotification)
{
    if (!pNotification)
        return 0;
    if (pNotification->GetMessageA() == cfu::router::kDriverDataReady)
        ReadWaitingData();
    else if (pNotification->GetMessageA() == cfu::router::kDriverRequestWriteEnd)
        pNotification->SetReturnResult(LRESULT(m_hWriteEnd));
    return 1;
}

void CDriverPipe::OnRecordRead(UINT, UINT, const void*) {}

void CDriverPipe::CloseHandles()
{
    CloseAndClear(m_hReadEnd);
    CloseAndClear(m_hWriteEnd);
    CloseAndClear(m_hClientWrite);
    m_cbRecord = 0;
}

// The router's thread must never wait here: a writer may announce more than
// it writes, or die mid-record. Only what the pipe holds now is read, and a
// record stays partly read until later data-ready messages bring the rest.
void CDriverPipe::ReadWaitingData()
{
    DWORD available = 0;
    if (!PeekNamedPipe(m_hReadEnd, NULL, 0, NULL, &available, NULL) || !available)
        return;
    if (!ReadRecordBytes(kDriverRecordHeader, available) || m_cbRecord < kDriverRecordHeader)
        return;
    const UINT length = HeaderField(m_record, 0);
    if (length > kDriverPayloadMax) {
        // No writer of this library announces that: the stream is out of step.
        DropWaitingData(available);
        return;
    }
    if (!ReadRecordBytes(kDriverRecordHeader + length, available) || m_cbRecord < kDriverRecordHeader + length)
        return;
    // A copy, and the record cleared first: OnRecordRead may pump messages
    // and so read the next record into m_record.
    const UINT code = HeaderField(m_record, 1);
    BYTE payload[kDriverPayloadMax];
    memcpy(payload, m_record + kDriverRecordHeader, length);
    m_cbRecord = 0;
    OnRecordRead(length, code, payload);
}

BOOL CDriverPipe::ReadRecordBytes(DWORD upTo, DWORD& available)
{
    // Never a read of 0 bytes: on an empty pipe it waits for the next write.
    const DWORD wanted = std::min(upTo - m_cbRecord, available);
    if (!wanted)
        return TRUE;
    DWORD read = 0;
    if (!ReadFile(m_hReadEnd, m_record + m_cbRecord, wanted, &read, NULL))
        return FALSE;
    m_cbRecord += read;
    available -= read;
    return TRUE;
}

void CDriverPipe::DropWaitingData(DWORD available)
{
    DWORD read = 0;
    while (available && ReadFile(m_hReadEnd, m_record, std::min<DWORD>(available, sizeof m_record), &read, NULL) &&
           read)
        available -= read;
    m_cbRecord = 0;
}
