#include "library/CFUtils.h"
#include "messaging/RegistrationIndex.h"
#include "messaging/RemoteMonitor.h"
#include "library/CFRouter.h"
#include "library/Handles.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <new>

namespace {

// A post waiting for its internal message; the notification is the caller's.
struct PendingPost
{
    unsigned __int64 handle;
    CMessageNotification* pNotification;
};

// A registration built with a null target is kept (the pipe never checks
// targets) but can receive nothing.
int NotifyTarget(CMessageRegistration& reg, CMessageNotification& notification)
{
    CNotifyTarget* pTarget = reg.MessageTarget();
    return pTarget ? pTarget->Notify(&notification) : 0;
}

BOOL CALLBACK CloseIfToolWindow(HWND hWnd, LPARAM)
{
    // The thread also owns windows of the system's (Wine's "IME" window):
    // only a tool window is closed, and only the first one met.
    if (!(GetWindowLongA(hWnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW))
        return TRUE;
    PostMessageA(hWnd, WM_CLOSE, 0, 0);
    return FALSE;
}

} // namespace

BEGIN_MESSAGE_MAP(CMessagePipe, CWnd)
END_MESSAGE_MAP()

CMessagePipe::CMessagePipe()
    : m_bHotKeyRegistered(FALSE), m_hotKeyId(0), m_internalMessage(0), m_hHookLibrary(NULL),
      m_hShellHook(NULL), m_hKeyboardHook(NULL), m_hCBTHook(NULL),
      m_pIndex(new CRegistrationIndex), m_pRemoteMonitor(NULL)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = AfxGetAfxWndProc();
    wc.hInstance = AfxGetModuleState()->m_hCurrentInstanceHandle;
    wc.lpszClassName = cfu::router::kWindowClass;
    // Fails once the class exists (an earlier pipe registered it): harmless.
    RegisterClassA(&wc);
}

CMessagePipe::~CMessagePipe()
{
    ReleaseHotKey();
    for (INT_PTR i = 0; i < m_pendingPosts.GetSize(); ++i)
        delete static_cast<PendingPost*>(m_pendingPosts[i]);
    m_pendingPosts.RemoveAll();
    m_registrations.RemoveAll();
    delete m_pIndex;
    if (m_pRemoteMonitor)
        m_pRemoteMonitor->Release();
}

int CMessagePipe::Initialize()
{
    if (!CreateEx(0, cfu::router::kWindowClass, cfu::router::kWindowClass, WS_POPUP, -1000, -1000,
                  0, 0, NULL, NULL, NULL))
        return 0;
    ShowWindow(SW_HIDE);
    m_internalMessage = RegisterWindowMessageA(cfu::router::kInternalMessage);
    m_pRemoteMonitor = new (std::nothrow) CRemoteMonitor;
    if (m_pRemoteMonitor)
        m_pRemoteMonitor->Register(this);
    return 1;
}

unsigned __int64 CMessagePipe::RegisterForNotifications(CMessageRegistration& reg)
{
    reg.SetMessagePipe(this);
    reg.AssignHandle(m_pIndex->TakeHandle());
    POSITION pos = m_registrations.AddTail(reg);
    m_pIndex->Add(m_registrations.GetAt(pos), pos);
    return reg.GetHandle();
}

int CMessagePipe::UnRegisterNotification(unsigned __int64 handle)
{
    // Handles start at 1, so handle 0 is never found.
    POSITION pos = FindRegistration(handle);
    if (!pos)
        return 0;
    m_pIndex->Remove(m_registrations.GetAt(pos));
    m_registrations.RemoveAt(pos);
    return 1;
}

UINT CMessagePipe::CountHandlers(UINT message)
{
    return UINT(m_pIndex->Count(message));
}

__int64 CMessagePipe::SendMessageToHandler(unsigned __int64 handle, CMessageNotification& notification)
{
    POSITION pos = FindRegistration(handle);
    if (!pos)
        return 0;
    NotifyTarget(m_registrations.GetAt(pos), notification);
    return notification.GetReturnResult();
}

int CMessagePipe::PostMessageToHandler(unsigned __int64 handle, CMessageNotification& notification)
{
    std::unique_ptr<PendingPost> post(new (std::nothrow) PendingPost{handle, &notification});
    if (!post)
        return 0;
    m_pendingPosts.Add(post.get());
    post.release();
    ::PostMessageA(m_hWnd, m_internalMessage, WPARAM(handle), 0);
    return 1;
}

BOOL CMessagePipe::OnCmdMsg(UINT nID, int nCode, void*, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    if (nCode != 0)
        return FALSE;
    POSITION pos = m_pIndex->FirstForCommand(nID);
    if (!pos)
        return FALSE;
    // With handler information the caller only asks whether one exists. The
    // handler is a registration's target, not a member of ours: no pmf to give.
    if (pHandlerInfo) {
        pHandlerInfo->pTarget = this;
        pHandlerInfo->pmf = NULL;
        return TRUE;
    }
    CMessageNotification notification;
    notification.InitializeMessage(NULL, nID, 0, 0, NULL);
    notification.SetNotifyType(NOTIFY_TYPE_COMMAND);
    NotifyTarget(m_registrations.GetAt(pos), notification);
    return TRUE;
}

LRESULT CMessagePipe::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    BOOL handled = FALSE;
    if (message == WM_CLOSE) {
        EnumThreadWindows(GetCurrentThreadId(), &CloseIfToolWindow, 0);
        handled = TRUE;
    }
    // Until Initialize knows the internal message, 0 must not catch WM_NULL.
    if (m_internalMessage && message == m_internalMessage)
        return DeliverPost(wParam);
    LRESULT result = 0;
    if (RouteMessage(message, wParam, lParam, result))
        handled = TRUE;
    return handled ? result : CWnd::WindowProc(message, wParam, lParam);
}

BOOL CMessagePipe::RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    CMessageNotification notification;
    BOOL handled = FALSE;
    CRegistrationIndex::Matches matches(*m_pIndex, message);
    for (size_t i = 0; i < matches.Size();) {
        const POSITION pos = matches[i].pos;
        CMessageRegistration& reg = m_registrations.GetAt(pos);
        // The return result is not cleared: an earlier target's answer stands
        // unless this one sets its own.
        notification.InitializeMessage(NULL, message, wParam, lParam, &reg);
        notification.SetNotifyType(NOTIFY_TYPE_MESSAGE);
        handled = TRUE;
        const unsigned __int64 handle = reg.GetHandle();
        const INT_PTR countBefore = m_registrations.GetCount();
        const unsigned __int64 nextHandleBefore = m_pIndex->NextHandle();
        const bool hadSuccessor = pos != m_registrations.GetTailPosition();
        if (NotifyTarget(reg, notification))
            result = notification.GetReturnResult();
        // Every registration made inside Notify took a new handle and went to
        // the tail; a count below that means some were removed. The walk goes
        // on past its own handle, over what the list holds now; but with
        // nothing removed, the last registration had no successor to go on with.
        const INT_PTR added = INT_PTR(m_pIndex->NextHandle() - nextHandleBefore);
        const bool removed = m_registrations.GetCount() < countBefore + added;
        if (!removed && !added) {
            ++i;
            continue;
        }
        if (!removed && !hadSuccessor)
            break;
        matches.Refill(handle);
        i = 0;
    }
    return handled;
}

LRESULT CMessagePipe::DeliverPost(unsigned __int64 handle)
{
    void** pFirst = m_pendingPosts.GetData();
    void** pLast = pFirst + m_pendingPosts.GetSize();
    void** pFound = std::find_if(pFirst, pLast, [handle](void* p) {
        return static_cast<PendingPost*>(p)->handle == handle;
    });
    if (pFound == pLast)
        return 0;
    // Out of the array before Notify: a target that pumps messages may have
    // the next post delivered inside its own.
    std::unique_ptr<PendingPost> post(static_cast<PendingPost*>(*pFound));
    m_pendingPosts.RemoveAt(pFound - pFirst);
    POSITION pos = FindRegistration(handle);
    return pos ? NotifyTarget(m_registrations.GetAt(pos), *post->pNotification) : 0;
}

POSITION CMessagePipe::FindRegistration(unsigned __int64 handle)
{
    return m_pIndex->Find(handle);
}

void CMessagePipe::ReleaseHotKey()
{
    if (!m_bHotKeyRegistered)
        return;
    if (::IsWindow(m_hWnd))
        ::UnregisterHotKey(m_hWnd, int(m_hotKeyId));
    // The atom was added even if the window has gone.
    ::GlobalDeleteAtom(ATOM(m_hotKeyId));
    m_bHotKeyRegistered = FALSE;
    m_hotKeyId = 0;
}

/////////////////////////////////////////////////////////////////////////////
// System hooks and hot key

namespace {

using SetHookFn = HHOOK(WINAPI*)(HWND hRouter, UINT message);
using SetHookWindowFn = void(WINAPI*)(HWND hRouter, UINT message);
using SetHookHandleFn = void(WINAPI*)(HHOOK hHook);

// GetProcAddress's FARPROC, as the export's own type.
template <class Fn>
Fn HookExport(HMODULE hLibrary, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(hLibrary, name)));
}

// The router installs the CBT hook with the library's procedure; a missing
// export or a failed step ends the sequence there.
HHOOK InstallCbtHook(HMODULE hLibrary, HWND hRouter)
{
    auto pSetWindow = HookExport<SetHookWindowFn>(hLibrary, "SetHookWindowHandle");
    if (!pSetWindow)
        return NULL;
    pSetWindow(hRouter, cfu::router::kCbtNotification);
    auto pCbtProc = HookExport<HOOKPROC>(hLibrary, "CbtProc");
    HHOOK hHook = pCbtProc ? ::SetWindowsHookExA(WH_CBT, pCbtProc, hLibrary, 0) : NULL;
    auto pSetHandle = HookExport<SetHookHandleFn>(hLibrary, "SetHookHandle");
    if (hHook && pSetHandle)
        pSetHandle(hHook);
    return hHook;
}

// A hook that could not be removed may still run the library's code in some
// process: the library handle is forgotten so that it is never freed.
bool Unhook(HHOOK hHook, HMODULE& hLibrary)
{
    if (::UnhookWindowsHookEx(hHook))
        return true;
    hLibrary = NULL;
    return false;
}

// For the CBT and shell hooks, which are cleared whether or not unhooking worked.
void DropHook(HHOOK& hHook, HMODULE& hLibrary)
{
    if (hHook)
        Unhook(hHook, hLibrary);
    hHook = NULL;
}

// The hot-key control's HOTKEYF_* bits to RegisterHotKey's MOD_* bits; other
// bits are dropped.
UINT SystemHotKeyModifiers(WORD hotKeyFlags)
{
    static const struct { WORD from; UINT to; } kBits[] = {
        {HOTKEYF_SHIFT, MOD_SHIFT}, {HOTKEYF_CONTROL, MOD_CONTROL}, {HOTKEYF_ALT, MOD_ALT}, {HOTKEYF_EXT, MOD_WIN}};
    UINT modifiers = 0;
    for (const auto& bit : kBits)
        modifiers |= (hotKeyFlags & bit.from) ? bit.to : 0;
    return modifiers;
}

} // namespace

int CMessagePipe::LoadHookLibrary(int enable)
{
    if (enable) {
        if (!m_hHookLibrary)
            m_hHookLibrary = ::LoadLibraryA(cfu::router::kHookLibrary);
        return m_hHookLibrary != NULL;
    }
    if (m_hHookLibrary && !::FreeLibrary(m_hHookLibrary))
        return 0;
    m_hHookLibrary = NULL;
    return 1;
}

int CMessagePipe::InstallLibraryHook(HHOOK& hook, const char* exportName, UINT message)
{
    LoadHookLibrary(1);
    if (!m_hHookLibrary || hook)
        return 1;
    auto pSetHook = HookExport<SetHookFn>(m_hHookLibrary, exportName);
    hook = pSetHook ? pSetHook(m_hWnd, message) : NULL;
    return hook != NULL;
}

int CMessagePipe::EnableKeyboardHook(int enable)
{
    if (enable)
        return InstallLibraryHook(m_hKeyboardHook, "SetKeyboardHook", cfu::router::kKeyboardNotification);
    if (!m_hKeyboardHook || !Unhook(m_hKeyboardHook, m_hHookLibrary))
        return 0;
    m_hKeyboardHook = NULL;
    return 1;
}

int CMessagePipe::EnableCBTHook(int enable)
{
    if (!enable) {
        DropHook(m_hCBTHook, m_hHookLibrary);
        return 1;
    }
    LoadHookLibrary(1);
    if (m_hHookLibrary && !m_hCBTHook)
        m_hCBTHook = InstallCbtHook(m_hHookLibrary, m_hWnd);
    return 1;
}

int CMessagePipe::EnableShellHook(int enable)
{
    if (enable)
        return InstallLibraryHook(m_hShellHook, "SetShellHook", cfu::router::kShellNotification);
    DropHook(m_hShellHook, m_hHookLibrary);
    return 1;
}

UINT CMessagePipe::SetHotKey(int enable, WORD virtualKey, WORD modifiers)
{
    ReleaseHotKey();
    // A hot key without a window would belong to this thread and outlive the pipe.
    if (!enable || !::IsWindow(m_hWnd))
        return 0;
    // Deleted again when the registration is refused, so that no failed call
    // leaves a reference to the atom behind.
    cfu::unique_atom atom(::GlobalAddAtomA(cfu::router::kHotKeyAtom));
    if (!atom || !::RegisterHotKey(m_hWnd, atom.get(), SystemHotKeyModifiers(modifiers), virtualKey))
        return 0;
    m_hotKeyId = atom.release();
    m_bHotKeyRegistered = TRUE;
    return m_hotKeyId;
}
