// Start-up of CFUtils.dll: it registers itself with the framework as an
// extension module and does nothing else until a caller creates an object.
#include <afxdllx.h>

static AFX_EXTENSION_MODULE s_extensionModule = { FALSE, NULL, NULL, NULL, NULL };

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH) {
        if (!AfxInitExtensionModule(s_extensionModule, hInstance))
            return FALSE;
        // Joins the chain that resource searches walk; freed at detach.
        new CDynLinkLibrary(s_extensionModule);
    } else if (dwReason == DLL_PROCESS_DETACH) {
        AfxTermExtensionModule(s_extensionModule);
    }
    return TRUE;
}
