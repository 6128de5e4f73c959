// CWnd against the platform: the message sequence a CWnd sees from its
// creation equals the one a plain window procedure sees, WM_COMMAND reaches
// OnCmdMsg and the maps of every base, and the window map attaches and detaches.
// The module state: the application object's message box, the chain of
// extension DLLs that resource searches walk, and file status, each against
// the platform's own answer (LoadStringA, GetFileAttributesExA).
#include <afxdllx.h>

#include "TestSupport.h"
#include "library/Handles.h"

#include <string>
#include <vector>

using namespace cfu::test;

namespace {

const char kAfxClass[] = "CFUtilsTest AfxWnd";
const char kRawClass[] = "CFUtilsTest RawWnd";

MsgLog g_rawLog;

LRESULT CALLBACK RawProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    g_rawLog.push_back({msg, 0, 0, 0});
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

class CRecordingWnd : public CWnd
{
public:
    MsgLog m_log;
    std::vector<std::pair<UINT, int>> m_commands;   // a handler's own call: its id with code -1

    void OnSeven() { m_commands.push_back({7, -1}); }
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pInfo) override
    {
        m_commands.push_back({nID, nCode});
        return nID == 5 || CWnd::OnCmdMsg(nID, nCode, pExtra, pInfo);
    }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        m_log.push_back({message, 0, 0, 0});
        return CWnd::WindowProc(message, wParam, lParam);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRecordingWnd, CWnd)
    ON_COMMAND(7, CRecordingWnd::OnSeven)
END_MESSAGE_MAP()

// A map of its own that chains to its base's.
class CDerivedMapWnd : public CRecordingWnd
{
public:
    void OnEight() { m_commands.push_back({8, -1}); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedMapWnd, CRecordingWnd)
    ON_COMMAND(8, CDerivedMapWnd::OnEight)
END_MESSAGE_MAP()

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

} // namespace

TEST(WindowTest, WindowProcSeesEveryMessageFromCreationOnAndTheWindowGoesWithItsObject)
{
    g_rawLog.clear();
    HWND raw = MakeHiddenWindow(kRawClass, &RawProc);
    ASSERT_TRUE(raw) << "CreateWindowExA failed: the prefix needs the null graphics driver";
    DestroyWindow(raw);
    CRecordingWnd wnd;
    ASSERT_TRUE(MakeHiddenCWnd(wnd, kAfxClass));
    HWND hWnd = wnd.m_hWnd, owned = NULL;
    EXPECT_TRUE(CWnd::FromHandle(hWnd) == &wnd && CWnd::FromHandlePermanent(hWnd) == &wnd);
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(g_rawLog, wnd.m_log) << "creation and destruction";
    EXPECT_FALSE(wnd.m_hWnd || CWnd::FromHandlePermanent(hWnd));
    if (CRecordingWnd owner; MakeHiddenCWnd(owner, kAfxClass))
        owned = owner.m_hWnd;
    EXPECT_TRUE(owned && !IsWindow(owned) && !CWnd::FromHandlePermanent(owned));
}

TEST(WindowTest, ForeignWindowsGetATemporaryObjectThatNeverDestroysThem)
{
    HWND raw = MakeHiddenWindow(kRawClass, &RawProc);
    ASSERT_TRUE(raw);
    CWnd* temp = CWnd::FromHandle(raw);
    ASSERT_TRUE(temp && temp->m_hWnd == raw && CWnd::FromHandle(raw) == temp);
    EXPECT_FALSE(CWnd::FromHandlePermanent(raw) || CWnd::FromHandle(NULL));
    CWnd owner;
    EXPECT_TRUE(owner.Attach(raw));
    EXPECT_EQ(&owner, CWnd::FromHandle(raw));
    EXPECT_FALSE(CWnd().Attach(raw));
    EXPECT_EQ(raw, owner.Detach());
    EXPECT_TRUE(!CWnd::FromHandlePermanent(raw) && IsWindow(raw));
    DestroyWindow(raw);
}

// Menus and accelerators arrive as code 0, a control's notification with its
// own code; OnCmdMsg's answer becomes the result.
TEST(WindowTest, CommandsReachOnCmdMsgAndTheMapsOfEveryBase)
{
    CDerivedMapWnd wnd;
    ASSERT_TRUE(MakeHiddenCWnd(wnd, kAfxClass));
    const struct { WPARAM wParam; LPARAM lParam; LRESULT result; } sends[] = {
        {MAKEWPARAM(5, 0), 0, 1}, {MAKEWPARAM(6, 0), 0, 0}, {MAKEWPARAM(5, 1), 0, 1},
        {MAKEWPARAM(6, BN_DOUBLECLICKED), LPARAM(wnd.m_hWnd), 0}, {MAKEWPARAM(7, 0), 0, 1},
        {MAKEWPARAM(7, 2), 0, 0}, {MAKEWPARAM(8, 0), 0, 1}, {MAKEWPARAM(9, 0), 0, 0}};
    for (const auto& s : sends)
        EXPECT_EQ(s.result, wnd.SendMessage(WM_COMMAND, s.wParam, s.lParam)) << LOWORD(s.wParam);
    AFX_CMDHANDLERINFO info = {};
    EXPECT_TRUE(wnd.OnCmdMsg(7, 0, NULL, &info) && info.pTarget == &wnd);   // asks only whether a handler exists
    EXPECT_EQ((std::vector<std::pair<UINT, int>>{{5, 0}, {6, 0}, {5, 0}, {6, BN_DOUBLECLICKED}, {7, 0}, {7, -1},
                                                 {7, 2}, {8, 0}, {8, -1}, {9, 0}, {7, 0}}),
              wnd.m_commands);
    EXPECT_TRUE(wnd.IsKindOf(RUNTIME_CLASS(CWnd)) && !wnd.IsKindOf(RUNTIME_CLASS(CWinApp)));
}

TEST(ModuleStateTest, TheApplicationObjectTakesMessageBoxesOver)
{
    EXPECT_EQ(nullptr, AfxGetApp());
    {
        CBoxApp app;
        EXPECT_EQ(&app, AfxGetApp());
        EXPECT_EQ(IDNO, AfxMessageBox("Text", MB_YESNO | MB_ICONWARNING, 7));
        EXPECT_EQ(IDNO, AfxMessageBox(4000));   // the prompt's id (strings.rc) is the help context
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
    EXPECT_TRUE(!s.LoadString(kLong) && s.IsEmpty());
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
        // 2014-11-14 11:41:59 and 2000-08-06 23:42:36 UTC, on whole seconds.
        const FILETIME accessed = {0xffc6dd80, 0x01cfffff}, written = {0xff9ebe00, 0x01bfffff};
        DWORD bytes;
        ASSERT_TRUE(file && WriteFile(file.get(), "12345", 5, &bytes, NULL) &&
                    SetFileTime(file.get(), NULL, &accessed, &written));
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    CFileStatus status;
    ASSERT_TRUE(GetFileAttributesExA(path, GetFileExInfoStandard, &data) && CFile::GetStatus(path, status));
    EXPECT_TRUE(status.m_size == 5 && status.m_attribute == BYTE(data.dwFileAttributes) &&
                !lstrcmpiA(path, status.m_szFullName));
    // The creation time is the platform's (now), the others those set above.
    EXPECT_EQ((std::vector<time_t>{CTime(data.ftCreationTime).GetTime(), 1415965319, 965605356}),
              (std::vector<time_t>{status.m_ctime.GetTime(), status.m_atime.GetTime(), status.m_mtime.GetTime()}));
    DeleteFileA(path);

    memset(static_cast<void*>(&status), 0xbd, sizeof status);
    EXPECT_FALSE(CFile::GetStatus(path, status) || CFile::GetStatus(NULL, status));
    EXPECT_EQ(0xbd, static_cast<unsigned char>(status.m_szFullName[0]));
}
