// The file names of loaded modules and of the application itself.
#include "library/CFUtils.h"
#include "shell/AppModule.h"

CString GetModuleFileNameA(HINSTANCE module)
{
    char buffer[MAX_PATH];
    // A name longer than the buffer comes back cut to it and may lack its NUL,
    // so the length the platform answers bounds the text.
    const DWORD length = ::GetModuleFileNameA(module, buffer, MAX_PATH);
    return CString(buffer, int(length));
}

CString GetAppModuleFileName()
{
    return GetModuleFileNameA(AfxGetInstanceHandle());
}

CString GetAppDirectory()
{
    CString path = GetAppModuleFileName();
    return path.Left(path.ReverseFind('\\') + 1);
}
