// The library as a DLL in a process: its start-up, and the test set-up's
// promise that a crash fails at once instead of hanging or passing.
#include "CFUtils.h"

#include "TestSupport.h"

CFU_CHILD_ROLE(crash)
{
    // Leave the test binary's own crash filter out: this proves the prefix.
    SetUnhandledExceptionFilter(NULL);
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 0;
}

TEST(LibraryStartTest, ACrashingChildEndsAtOnceWithANonzeroStatus)
{
    cfu::tools::ChildProcess child("crash");
    ASSERT_TRUE(child.Started());
    long code = child.Wait(20000);
    EXPECT_NE(-1, code) << "the crashed child hung";
    EXPECT_NE(0, code) << "a crash must not look like success";
}

TEST(LibraryStartTest, TheLibraryJoinsTheChainOfExtensionDlls)
{
    HMODULE library = GetModuleHandleA("CFUtils.dll");
    ASSERT_TRUE(library);
    bool found = false;
    for (CDynLinkLibrary* p = AfxGetModuleState()->m_pFirstDLL; p; p = p->m_pNextDLL)
        found |= p->m_hModule == library && p->m_hResource == library;
    EXPECT_TRUE(found);
    EXPECT_EQ(GetModuleHandleA(NULL), AfxGetInstanceHandle());
}

TEST(ReferenceCountTest, LastReleaseDeletesTheMostDerivedObject)
{
    static int destroyed;
    struct Counted : CReferenceCount
    {
        ~Counted() override { ++destroyed; }
    };
    auto* obj = new Counted;
    EXPECT_EQ(obj, obj->CopyInstancePointer());
    obj->AddRef();
    EXPECT_EQ(3u, obj->CurrentCount());
    for (unsigned long left : {2ul, 1ul, 0ul}) {
        EXPECT_EQ(0, destroyed);
        EXPECT_EQ(left, obj->Release());
    }
    EXPECT_EQ(1, destroyed);
}

// A copy of the DLL mapped without start-up (no imports bound, no DllMain,
// no constructors) already holds complete run-time classes: none waits for
// start-up code to fill in its base, so one read early is right too.
TEST(LibraryStartTest, RunTimeClassesNeedNoStartUpCode)
{
    const HMODULE library = GetModuleHandleA("CFUtils.dll");
    char dll[MAX_PATH], temp[MAX_PATH], copy[MAX_PATH];
    ASSERT_TRUE(GetModuleFileNameA(library, dll, MAX_PATH) && GetTempPathA(MAX_PATH, temp) &&
                GetTempFileNameA(temp, "cfu", 0, copy) && CopyFileA(dll, copy, FALSE));
    const HMODULE mapped = LoadLibraryExA(copy, NULL, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_TRUE(mapped);
    auto offset = [](const void* p, HMODULE base) {
        return static_cast<const BYTE*>(p) - reinterpret_cast<BYTE*>(base);
    };
    for (const CRuntimeClass* live : {RUNTIME_CLASS(CNotifyTarget), RUNTIME_CLASS(CDriverPipe)}) {
        auto early = reinterpret_cast<const CRuntimeClass*>(reinterpret_cast<BYTE*>(mapped) + offset(live, library));
        EXPECT_STREQ(live->m_lpszClassName, early->m_lpszClassName);
        EXPECT_EQ(offset(reinterpret_cast<void*>(live->m_pfnGetBaseClass), library),
                  offset(reinterpret_cast<void*>(early->m_pfnGetBaseClass), mapped));
    }
    FreeLibrary(mapped);
    DeleteFileA(copy);
}
