// Windows of the MFC-compatible layer: command targets and message maps,
// CWnd with the per-thread window map, the application object, the module
// state and extension DLLs.
#pragma once

#include "afx.h"

class CCmdTarget;
class CWnd;
class CWinApp;
class CDynLinkLibrary;

/////////////////////////////////////////////////////////////////////////////
// Message maps

typedef void (CCmdTarget::*AFX_PMSG)();

enum AfxSig { AfxSig_end = 0, AfxSig_vv = 1 };

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage;
    UINT nCode;
    UINT nID;
    UINT nLastID;
    UINT_PTR nSig;
    AFX_PMSG pfn;
};

// The base map is reached through a function, as in the framework's shared
// DLL build, because a map's address in another DLL is not a constant.
struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

struct AFX_CMDHANDLERINFO
{
    CCmdTarget* pTarget;
    AFX_PMSG pmf;
};

#define DECLARE_MESSAGE_MAP() \
private: \
    static const AFX_MSGMAP_ENTRY _messageEntries[]; \
protected: \
    static const AFX_MSGMAP messageMap; \
    [[maybe_unused]] static const AFX_MSGMAP* _GetBaseMessageMap(); \
public: \
    [[maybe_unused]] static const AFX_MSGMAP* GetThisMessageMap(); \
protected: \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass) \
    const AFX_MSGMAP* theClass::_GetBaseMessageMap() { return baseClass::GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() { return &theClass::messageMap; } \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return &theClass::messageMap; } \
    const AFX_MSGMAP theClass::messageMap = { &theClass::_GetBaseMessageMap, &theClass::_messageEntries[0] }; \
    const AFX_MSGMAP_ENTRY theClass::_messageEntries[] = {

#define END_MESSAGE_MAP() { 0, 0, 0, 0, AfxSig_end, (AFX_PMSG)0 } };

#define ON_COMMAND(id, memberFxn) \
    { WM_COMMAND, 0, (WORD)(id), (WORD)(id), AfxSig_vv, static_cast<AFX_PMSG>(&memberFxn) },

/////////////////////////////////////////////////////////////////////////////
// CCmdTarget: the root of command routing

class AFX_CORE_CLASS CCmdTarget : public CObject
{
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;

    // Walks the message maps from the most derived class for an ON_COMMAND
    // entry; TRUE when one handled the command.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

protected:
    virtual const AFX_MSGMAP* GetMessageMap() const;

public:
    static const AFX_MSGMAP* GetThisMessageMap();

private:
    static const AFX_MSGMAP_ENTRY _messageEntries[];
    static const AFX_MSGMAP messageMap;
};

/////////////////////////////////////////////////////////////////////////////
// CWnd

AFX_CORE_API LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
// The window procedure for classes whose windows are CWnd objects.
AFX_CORE_API WNDPROC AFXAPI AfxGetAfxWndProc();

class AFX_CORE_CLASS CWnd : public CCmdTarget
{
    DECLARE_DYNAMIC(CWnd)
public:
    HWND m_hWnd;

    CWnd();
    ~CWnd() override;

    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The CWnd of this thread's window map for hWnd; for a window that has
    // none, a temporary CWnd that the thread keeps. NULL for a NULL handle.
    static CWnd* PASCAL FromHandle(HWND hWnd);
    // Only the permanent map: NULL when no CWnd owns hWnd on this thread.
    static CWnd* PASCAL FromHandlePermanent(HWND hWnd);

    BOOL Attach(HWND hWndNew);
    HWND Detach();

    // The window class must use AfxGetAfxWndProc(): its first message attaches
    // this object, so WindowProc sees every message from WM_NCCREATE on.
    virtual BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName,
                          DWORD dwStyle, int x, int y, int nWidth, int nHeight,
                          HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam = NULL);
    virtual BOOL DestroyWindow();
    BOOL ShowWindow(int nCmdShow);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

protected:
    // Overridables
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual void PostNcDestroy();

public:
    // Implementation: AfxWndProc's work, with access to the overridables.
    static LRESULT PASCAL CallWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()
};

/////////////////////////////////////////////////////////////////////////////
// The application object and message boxes

class AFX_CORE_CLASS CWinApp : public CCmdTarget
{
    DECLARE_DYNAMIC(CWinApp)
public:
    // Becomes the module state's application while it lives.
    explicit CWinApp(LPCSTR lpszAppName = NULL);
    ~CWinApp() override;

    LPCSTR m_pszAppName;
    HINSTANCE m_hInstance;

    // Every AfxMessageBox of the process comes here; override to take it over.
    virtual int DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT nIDPrompt);
};

AFX_CORE_API CWinApp* AFXAPI AfxGetApp();
AFX_CORE_API int AFXAPI AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
AFX_CORE_API int AFXAPI AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = (UINT)-1);

/////////////////////////////////////////////////////////////////////////////
// Module state and extension DLLs

struct AFX_MODULE_STATE
{
    CWinApp* m_pCurrentWinApp;
    HINSTANCE m_hCurrentInstanceHandle;
    HINSTANCE m_hCurrentResourceHandle;
    LPCSTR m_lpszCurrentAppName;
    CDynLinkLibrary* m_pFirstDLL;    // chain of extension DLLs, newest first
};

// The process's one module state, that of the program.
AFX_CORE_API AFX_MODULE_STATE* AFXAPI AfxGetModuleState();
AFX_CORE_API HINSTANCE AFXAPI AfxGetInstanceHandle();
AFX_CORE_API HINSTANCE AFXAPI AfxGetResourceHandle();
AFX_CORE_API void AFXAPI AfxSetResourceHandle(HINSTANCE hInstResource);
// The module that holds the resource: the resource handle first, then each
// extension DLL of the chain; NULL when none has it.
AFX_CORE_API HINSTANCE AFXAPI AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType);

struct AFX_EXTENSION_MODULE
{
    BOOL bInitialized;
    HMODULE hModule;
    HMODULE hResource;
    CRuntimeClass* pFirstSharedClass;
    void* pFirstSharedFactory;
};

class AFX_CORE_CLASS CDynLinkLibrary : public CCmdTarget
{
    DECLARE_DYNAMIC(CDynLinkLibrary)
public:
    // Joins the module state's chain of extension DLLs.
    explicit CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem = FALSE);
    ~CDynLinkLibrary() override;

    HMODULE m_hModule;
    HMODULE m_hResource;
    BOOL m_bSystem;
    CDynLinkLibrary* m_pNextDLL;
};

AFX_CORE_API BOOL AFXAPI AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule);
// Deletes the CDynLinkLibrary objects of this module (all of them with bAll).
AFX_CORE_API void AFXAPI AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll = FALSE);
