// The module state: the application object's message box, the chain of
// extension DLLs that resource searches walk, and file status, each against
// the platform's own answer (LoadStringA, GetFileAttributesExA).
#include <afxdllx.h>

#include "TestSupport.h"
#include "library/Handles.h"

#include <string>
#include <vector>

namespace {

const UINT kPrompt = 4000;
const UINT kLong = 4001;   // 300 characters (strings.rc)

class CBoxApp : public CWinApp
{
public:
    std::vector<std::string> m_calls;
    int DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT nIDHelp) override
    {
        m_calls.push_back(std::string(lpszPrompt) + "|" + std::to_string(nType) + "|" + std::to_string(nIDHelp));
        return IDNO;
    }
};

time_t Seconds(const FILETIME& ft)
{
    return time_t(((ULONGLONG(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) / 10000000ULL - 11644473600ULL);
}

} // namespace

TEST(ModuleStateTest, TheApplicationObjectTakesMessageBoxesOver)
{
    EXPECT_EQ(nullptr, AfxGetApp());
    {
        CBoxApp app;
        EXPECT_EQ(&app, AfxGetApp());
        EXPECT_EQ(IDNO, AfxMessageBox("Text", MB_YESNO | MB_ICONWARNING, 7));
        EXPECT_EQ(IDNO, AfxMessageBox(kPrompt));   // the prompt's id is the help context
        EXPECT_EQ((std::vector<std::string>{"Text|52|7", "Unmatched quotation mark|0|4000"}), app.m_calls);
    }
    EXPECT_EQ(nullptr, AfxGetApp());
}

TEST(ModuleStateTest, LoadStringSearchesTheResourceHandleThenTheChainFromItsNewest)
{
    HMODULE self = GetModuleHandleA(NULL);
    char expected[512];
    ASSERT_EQ(300, LoadStringA(self, kLong, expected, sizeof expected));
    CString s(MAKEINTRESOURCEA(kLong));   // longer than the first buffer tried
    EXPECT_STREQ(expected, s);

    AfxSetResourceHandle(GetModuleHandleA("user32.dll"));
    EXPECT_FALSE(s.LoadString(kLong));
    EXPECT_TRUE(s.IsEmpty());
    AFX_EXTENSION_MODULE older = {}, newer = {};
    ASSERT_TRUE(AfxInitExtensionModule(older, GetModuleHandleA("kernel32.dll")) &&
                AfxInitExtensionModule(newer, self));
    new CDynLinkLibrary(older);
    new CDynLinkLibrary(newer);
    EXPECT_TRUE(s.LoadString(kLong));
    EXPECT_STREQ(expected, s);
    AfxTermExtensionModule(newer);
    EXPECT_FALSE(s.LoadString(kLong));
    AfxTermExtensionModule(older);
    AfxSetResourceHandle(AfxGetInstanceHandle());
}

TEST(FileStatusTest, ReportsWhatThePlatformKnowsAndLeavesStatusAloneOtherwise)
{
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, path);
    strcat(path, "cfu_status.txt");
    {
        cfu::unique_hfile file(CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
        const FILETIME accessed = {0, 0x01d00000}, written = {0, 0x01c00000};
        DWORD bytes;
        ASSERT_TRUE(file && WriteFile(file.get(), "12345", 5, &bytes, NULL) &&
                    SetFileTime(file.get(), NULL, &accessed, &written));
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(path, GetFileExInfoStandard, &data));
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(path, status));
    EXPECT_TRUE(status.m_size == 5 && status.m_attribute == BYTE(data.dwFileAttributes) &&
                !lstrcmpiA(path, status.m_szFullName));
    EXPECT_EQ((std::vector<time_t>{Seconds(data.ftCreationTime), Seconds(data.ftLastAccessTime),
                                   Seconds(data.ftLastWriteTime)}),
              (std::vector<time_t>{status.m_ctime.GetTime(), status.m_atime.GetTime(), status.m_mtime.GetTime()}));
    EXPECT_NE(Seconds(data.ftCreationTime), Seconds(data.ftLastAccessTime));
    DeleteFileA(path);

    memset(static_cast<void*>(&status), 0xbd, sizeof status);
    EXPECT_FALSE(CFile::GetStatus(path, status) || CFile::GetStatus(NULL, status));
    EXPECT_EQ(0xbd, static_cast<unsigned char>(status.m_szFullName[0]));
}
