#include "afxwin.h"

namespace {

AFX_MODULE_STATE& ModuleState()
{
    // The program's module: whoever loaded this DLL.
    static AFX_MODULE_STATE state = [] {
        AFX_MODULE_STATE s{};
        s.m_hCurrentInstanceHandle = GetModuleHandleA(NULL);
        s.m_hCurrentResourceHandle = s.m_hCurrentInstanceHandle;
        return s;
    }();
    return state;
}

} // namespace

AFX_MODULE_STATE* AFXAPI AfxGetModuleState()
{
    return &ModuleState();
}

HINSTANCE AFXAPI AfxGetInstanceHandle()
{
    return ModuleState().m_hCurrentInstanceHandle;
}

HINSTANCE AFXAPI AfxGetResourceHandle()
{
    return ModuleState().m_hCurrentResourceHandle;
}

void AFXAPI AfxSetResourceHandle(HINSTANCE hInstResource)
{
    ModuleState().m_hCurrentResourceHandle = hInstResource;
}

HINSTANCE AFXAPI AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType)
{
    HINSTANCE hInst = AfxGetResourceHandle();
    if (hInst && FindResourceA(hInst, lpszName, lpszType))
        return hInst;
    for (CDynLinkLibrary* pDLL = ModuleState().m_pFirstDLL; pDLL; pDLL = pDLL->m_pNextDLL)
        if (pDLL->m_hResource && FindResourceA(pDLL->m_hResource, lpszName, lpszType))
            return pDLL->m_hResource;
    return NULL;
}

/////////////////////////////////////////////////////////////////////////////
// Extension DLLs

IMPLEMENT_DYNAMIC(CDynLinkLibrary, CCmdTarget)

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem)
    : m_hModule(state.hModule), m_hResource(state.hResource), m_bSystem(bSystem),
      m_pNextDLL(ModuleState().m_pFirstDLL)
{
    ModuleState().m_pFirstDLL = this;
}

CDynLinkLibrary::~CDynLinkLibrary()
{
    for (CDynLinkLibrary** pp = &ModuleState().m_pFirstDLL; *pp; pp = &(*pp)->m_pNextDLL) {
        if (*pp == this) {
            *pp = m_pNextDLL;
            break;
        }
    }
}

BOOL AFXAPI AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule)
{
    // A DLL attached again (another LoadLibrary) keeps its first set-up.
    if (state.bInitialized)
        return TRUE;
    state.hModule = hModule;
    state.hResource = hModule;
    state.bInitialized = TRUE;
    return TRUE;
}

void AFXAPI AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll)
{
    CDynLinkLibrary* pDLL = ModuleState().m_pFirstDLL;
    while (pDLL) {
        CDynLinkLibrary* pNext = pDLL->m_pNextDLL;
        if (bAll || pDLL->m_hModule == state.hModule)
            delete pDLL;
        pDLL = pNext;
    }
    state.bInitialized = FALSE;
}

/////////////////////////////////////////////////////////////////////////////
// The application object and message boxes

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

CWinApp::CWinApp(LPCSTR lpszAppName)
    : m_pszAppName(lpszAppName), m_hInstance(AfxGetInstanceHandle())
{
    ModuleState().m_pCurrentWinApp = this;
    ModuleState().m_lpszCurrentAppName = lpszAppName;
}

CWinApp::~CWinApp()
{
    if (ModuleState().m_pCurrentWinApp == this) {
        ModuleState().m_pCurrentWinApp = NULL;
        ModuleState().m_lpszCurrentAppName = NULL;
    }
}

int CWinApp::DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT)
{
    return MessageBoxA(GetActiveWindow(), lpszPrompt, m_pszAppName, nType);
}

CWinApp* AFXAPI AfxGetApp()
{
    return ModuleState().m_pCurrentWinApp;
}

int AFXAPI AfxMessageBox(LPCSTR lpszText, UINT nType, UINT nIDHelp)
{
    if (CWinApp* pApp = AfxGetApp())
        return pApp->DoMessageBox(lpszText, nType, nIDHelp);
    return MessageBoxA(GetActiveWindow(), lpszText, NULL, nType);
}

int AFXAPI AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    CString prompt;
    prompt.LoadString(nIDPrompt);
    return AfxMessageBox(prompt, nType, nIDHelp == UINT(-1) ? nIDPrompt : nIDHelp);
}
