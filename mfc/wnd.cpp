#include "afxwin.h"

#include <memory>
#include <unordered_map>
#include <utility>

/////////////////////////////////////////////////////////////////////////////
// Command targets and message maps

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP_ENTRY CCmdTarget::_messageEntries[] = { { 0, 0, 0, 0, AfxSig_end, (AFX_PMSG)0 } };
const AFX_MSGMAP CCmdTarget::messageMap = { NULL, &CCmdTarget::_messageEntries[0] };

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    return &CCmdTarget::messageMap;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return &CCmdTarget::messageMap;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void*, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap;
         pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : NULL) {
        for (const AFX_MSGMAP_ENTRY* e = pMap->lpEntries; e->nSig != AfxSig_end; ++e) {
            if (e->nMessage != WM_COMMAND || e->nCode != UINT(nCode) || nID < e->nID || nID > e->nLastID)
                continue;
            // With handler information the caller only asks whether one exists.
            if (pHandlerInfo) {
                pHandlerInfo->pTarget = this;
                pHandlerInfo->pmf = e->pfn;
            } else {
                (this->*e->pfn)();
            }
            return TRUE;
        }
    }
    return FALSE;
}

/////////////////////////////////////////////////////////////////////////////
// The per-thread window map

namespace {

// A temporary CWnd wraps a window that no CWnd owns; it must never destroy it.
struct TemporaryWndDeleter
{
    void operator()(CWnd* pWnd) const
    {
        pWnd->m_hWnd = NULL;
        delete pWnd;
    }
};

struct ThreadWindows
{
    std::unordered_map<HWND, CWnd*> permanent;
    std::unordered_map<HWND, std::unique_ptr<CWnd, TemporaryWndDeleter>> temporary;
    CWnd* pCreating = nullptr;    // the CWnd whose CreateEx is under way
};

// A Win32 TLS slot, not thread_local: at the exit of a thread other than the
// first, mingw-w64 frees a thread_local object's storage before it runs the
// object's destructor, and the heap is corrupted. DllMain frees the map.
DWORD ThreadSlot()
{
    static const DWORD slot = TlsAlloc();
    return slot;
}

ThreadWindows& Windows()
{
    ThreadWindows* pWindows = static_cast<ThreadWindows*>(TlsGetValue(ThreadSlot()));
    if (!pWindows) {
        pWindows = new ThreadWindows;
        TlsSetValue(ThreadSlot(), pWindows);
    }
    return *pWindows;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_THREAD_DETACH)
        delete static_cast<ThreadWindows*>(TlsGetValue(ThreadSlot()));
    return TRUE;
}

/////////////////////////////////////////////////////////////////////////////
// CWnd

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::CWnd() : m_hWnd(NULL) {}

CWnd::~CWnd()
{
    // Messages of this destruction reach CWnd's own handlers: the derived
    // part of the object is gone already.
    if (m_hWnd)
        DestroyWindow();
}

CWnd* PASCAL CWnd::FromHandlePermanent(HWND hWnd)
{
    auto& map = Windows().permanent;
    auto it = map.find(hWnd);
    return it == map.end() ? NULL : it->second;
}

CWnd* PASCAL CWnd::FromHandle(HWND hWnd)
{
    if (!hWnd)
        return NULL;
    if (CWnd* pWnd = FromHandlePermanent(hWnd))
        return pWnd;
    auto& slot = Windows().temporary[hWnd];
    if (!slot) {
        slot.reset(new CWnd);
        slot->m_hWnd = hWnd;
    }
    return slot.get();
}

BOOL CWnd::Attach(HWND hWndNew)
{
    if (!hWndNew || m_hWnd || FromHandlePermanent(hWndNew))
        return FALSE;
    Windows().temporary.erase(hWndNew);
    Windows().permanent[hWndNew] = this;
    m_hWnd = hWndNew;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd && FromHandlePermanent(hWnd) == this)
        Windows().permanent.erase(hWnd);
    m_hWnd = NULL;
    return hWnd;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                    int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                    LPVOID lpParam)
{
    if (m_hWnd)
        return FALSE;
    CWnd* pOuter = Windows().pCreating;
    Windows().pCreating = this;
    HWND hWnd = CreateWindowExA(dwExStyle, lpszClassName, lpszWindowName, dwStyle, x, y, nWidth,
                                nHeight, hWndParent, nIDorHMenu, AfxGetInstanceHandle(), lpParam);
    Windows().pCreating = pOuter;
    // A class with another window procedure never met this object.
    if (hWnd && !m_hWnd)
        Attach(hWnd);
    return hWnd != NULL;
}

BOOL CWnd::DestroyWindow()
{
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

BOOL CWnd::ShowWindow(int nCmdShow)
{
    return ::ShowWindow(m_hWnd, nCmdShow);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && OnCommand(wParam, lParam))
        return 1;
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT nID = LOWORD(wParam);
    int nCode = HIWORD(wParam);
    // Menus (0) and accelerators (1) both arrive as plain commands.
    if (lParam == 0 && nCode == 1)
        nCode = 0;
    return OnCmdMsg(nID, nCode, NULL, NULL);
}

void CWnd::PostNcDestroy() {}

/////////////////////////////////////////////////////////////////////////////
// The common window procedure

LRESULT PASCAL CWnd::CallWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (!pWnd && Windows().pCreating) {
        // The first message of a window that CreateEx is making.
        pWnd = std::exchange(Windows().pCreating, nullptr);
        pWnd->Attach(hWnd);
    }
    if (!pWnd)
        return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);

    LRESULT lResult = pWnd->WindowProc(nMsg, wParam, lParam);
    if (nMsg == WM_NCDESTROY && CWnd::FromHandlePermanent(hWnd) == pWnd) {
        pWnd->Detach();
        pWnd->PostNcDestroy();    // may delete the object
    }
    return lResult;
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    return CWnd::CallWndProc(hWnd, nMsg, wParam, lParam);
}

WNDPROC AFXAPI AfxGetAfxWndProc()
{
    return &AfxWndProc;
}
