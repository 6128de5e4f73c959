// A program built only from the installed package: the public header, the
// import libraries and the DLLs.
#include <CFUtils.h>

#include <cstdio>

int main()
{
    bool chained = false;
    for (CDynLinkLibrary* p = AfxGetModuleState()->m_pFirstDLL; p; p = p->m_pNextDLL)
        chained |= p->m_hModule == GetModuleHandleA("CFUtils.dll");
    CReferenceCount* counted = new CReferenceCount;
    counted->AddRef();
    bool counting = counted->Release() == 1 && counted->Release() == 0;
    CString text("consumer");
    text += " linked";
    std::printf("%s; CFUtils.dll in the extension chain: %s; reference count: %s\n",
                static_cast<LPCSTR>(text), chained ? "yes" : "no", counting ? "ok" : "wrong");
    return chained && counting ? 0 : 1;
}
