// The module state: the application object's message box, the chain of
// extension DLLs that resource searches walk, and file status.
#include <afxdllx.h>

#include "TestSupport.h"
#include "library/Handles.h"

namespace {

class CBoxApp : public CWinApp
{
public:
    CString m_prompt;
    UINT m_type = 0;
    int DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT) override
    {
        m_prompt = lpszPrompt;
        m_type = nType;
        return IDNO;
    }
};

// The first string id of a module's first string table block.
UINT FirstStringId(HMODULE hModule)
{
    UINT found = 0;
    EnumResourceNamesA(hModule, RT_STRING, [](HMODULE, LPCSTR, LPSTR name, LONG_PTR param) -> BOOL {
        if (!IS_INTRESOURCE(name))
            return TRUE;
        *reinterpret_cast<UINT*>(param) = (UINT(LOWORD(reinterpret_cast<ULONG_PTR>(name))) - 1) * 16;
        return FALSE;
    }, reinterpret_cast<LONG_PTR>(&found));
    for (UINT id = found; id < found + 16; ++id) {
        char buf[2];
        if (LoadStringA(hModule, id, buf, sizeof buf))
            return id;
    }
    return 0;
}

} // namespace

TEST(ModuleStateTest, TheApplicationObjectTakesMessageBoxesOver)
{
    EXPECT_EQ(nullptr, AfxGetApp());
    {
        CBoxApp app;
        EXPECT_EQ(&app, AfxGetApp());
        EXPECT_EQ(IDNO, AfxMessageBox("Unmatched quotation mark", MB_YESNO | MB_ICONWARNING));
        EXPECT_STREQ("Unmatched quotation mark", app.m_prompt);
        EXPECT_EQ(UINT(MB_YESNO | MB_ICONWARNING), app.m_type);
    }
    EXPECT_EQ(nullptr, AfxGetApp());
}

TEST(ModuleStateTest, LoadStringSearchesTheResourceHandleThenTheChain)
{
    HMODULE user32 = GetModuleHandleA("user32.dll");
    UINT id = FirstStringId(user32);
    ASSERT_NE(0u, id);
    char expected[512];
    ASSERT_GT(LoadStringA(user32, id, expected, sizeof expected), 0);

    CString s("sentinel");
    EXPECT_FALSE(s.LoadString(id));     // the program has no strings
    EXPECT_TRUE(s.IsEmpty());

    AFX_EXTENSION_MODULE module = {};
    ASSERT_TRUE(AfxInitExtensionModule(module, user32));
    new CDynLinkLibrary(module);
    EXPECT_TRUE(s.LoadString(id));
    EXPECT_STREQ(expected, s);
    AfxTermExtensionModule(module);
    EXPECT_FALSE(s.LoadString(id));

    AfxSetResourceHandle(user32);
    EXPECT_TRUE(s.LoadString(id));
    EXPECT_STREQ(expected, s);
    AfxSetResourceHandle(AfxGetInstanceHandle());
}

TEST(FileStatusTest, ReportsExistingFilesAndLeavesStatusAloneOtherwise)
{
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, path);
    strcat(path, "cfu_status.txt");
    {
        cfu::unique_hfile file(CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
        ASSERT_TRUE(file);
        DWORD written;
        WriteFile(file.get(), "12345", 5, &written, NULL);
    }

    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(path, status));
    EXPECT_EQ(5, status.m_size);
    EXPECT_EQ(BYTE(GetFileAttributesA(path)), status.m_attribute);
    EXPECT_EQ(0, lstrcmpiA(path, status.m_szFullName));
    EXPECT_NE(0, status.m_mtime.GetTime());
    DeleteFileA(path);

    memset(static_cast<void*>(&status), 0xbd, sizeof status);
    EXPECT_FALSE(CFile::GetStatus(path, status));
    EXPECT_EQ(0xbd, static_cast<unsigned char>(status.m_szFullName[0]));
    EXPECT_FALSE(CFile::GetStatus(NULL, status));
}
