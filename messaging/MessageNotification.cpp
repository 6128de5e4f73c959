#include "library/CFUtils.h"

// Marks a notification the router filled in; a target may overwrite it.
static const UINT kDispositionInitialized = 10;

CMessageNotification::CMessageNotification()
    : m_returnResult(0), m_notifyType(0), m_hWnd(NULL), m_message(0), m_wParam(0),
      m_lParam(0), m_disposition(0), m_pRegistration(NULL)
{
}

CMessageNotification::~CMessageNotification() = default;

void CMessageNotification::InitializeMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam,
                                             CMessageRegistration* pRegistration)
{
    m_hWnd = hWnd;
    m_message = message;
    m_wParam = wParam;
    m_lParam = lParam;
    m_pRegistration = pRegistration;
    m_disposition = kDispositionInitialized;
}
