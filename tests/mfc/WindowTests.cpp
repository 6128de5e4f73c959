// CWnd against the platform: the message sequence a CWnd sees from its
// creation equals the one a plain window procedure sees, WM_COMMAND reaches
// OnCmdMsg, and the window map attaches and detaches.
#include <afxwin.h>

#include "TestSupport.h"

using cfu::test::MsgEntry;
using cfu::test::MsgLog;

namespace {

const char kAfxClass[] = "CFUtilsTest AfxWnd";
const char kRawClass[] = "CFUtilsTest RawWnd";

MsgLog g_rawLog;

LRESULT CALLBACK RawProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    g_rawLog.push_back({msg, 0, 0, 0});
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

void RegisterClasses()
{
    cfu::tools::RegisterWindowClass(kAfxClass, AfxGetAfxWndProc());
    cfu::tools::RegisterWindowClass(kRawClass, &RawProc);
}

class CRecordingWnd : public CWnd
{
public:
    MsgLog m_log;
    std::vector<std::pair<UINT, int>> m_commands;
    bool* m_pDeleted = nullptr;

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
    void PostNcDestroy() override
    {
        if (m_pDeleted) {
            *m_pDeleted = true;
            delete this;
        }
    }
};

class CMapWnd : public CRecordingWnd
{
public:
    int m_hits = 0;
    void OnSeven() { ++m_hits; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMapWnd, CRecordingWnd)
    ON_COMMAND(7, CMapWnd::OnSeven)
END_MESSAGE_MAP()

// Inherits its base's map without one of its own.
class CDerivedMapWnd : public CMapWnd {};

bool Create(CWnd& wnd)
{
    return wnd.CreateEx(0, kAfxClass, "t", WS_POPUP, -1000, -1000, 0, 0, NULL, NULL);
}

class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override { RegisterClasses(); }
};

} // namespace

TEST_F(WindowTest, WindowProcSeesEveryMessageFromCreationOn)
{
    g_rawLog.clear();
    HWND raw = CreateWindowExA(0, kRawClass, "t", WS_POPUP, -1000, -1000, 0, 0, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(raw) << "CreateWindowExA failed: the prefix needs the null graphics driver";
    DestroyWindow(raw);
    g_rawLog.push_back({0, 0, 0, 0});

    CRecordingWnd wnd;
    ASSERT_TRUE(Create(wnd));
    HWND hWnd = wnd.m_hWnd;
    EXPECT_EQ(&wnd, CWnd::FromHandle(hWnd));
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(hWnd));
    EXPECT_TRUE(wnd.DestroyWindow());
    cfu::test::ExpectSequence(wnd.m_log, g_rawLog.data(), "creation and destruction");

    EXPECT_EQ(NULL, wnd.m_hWnd);
    EXPECT_EQ(NULL, CWnd::FromHandlePermanent(hWnd));
    EXPECT_FALSE(IsWindow(hWnd));
}

TEST_F(WindowTest, PostNcDestroyMayDeleteTheObject)
{
    bool deleted = false;
    auto* wnd = new CRecordingWnd;
    wnd->m_pDeleted = &deleted;
    ASSERT_TRUE(Create(*wnd));
    HWND hWnd = wnd->m_hWnd;
    DestroyWindow(hWnd);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(NULL, CWnd::FromHandlePermanent(hWnd));
}

TEST_F(WindowTest, DestroyingTheObjectDestroysItsWindow)
{
    HWND hWnd;
    {
        CRecordingWnd wnd;
        ASSERT_TRUE(Create(wnd));
        hWnd = wnd.m_hWnd;
    }
    EXPECT_FALSE(IsWindow(hWnd));
    EXPECT_EQ(NULL, CWnd::FromHandlePermanent(hWnd));
}

TEST_F(WindowTest, ForeignWindowsGetATemporaryObjectThatNeverDestroysThem)
{
    HWND raw = CreateWindowExA(0, kRawClass, "t", WS_POPUP, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(raw);
    CWnd* temp = CWnd::FromHandle(raw);
    ASSERT_NE(nullptr, temp);
    EXPECT_EQ(raw, temp->m_hWnd);
    EXPECT_EQ(temp, CWnd::FromHandle(raw));
    EXPECT_EQ(NULL, CWnd::FromHandlePermanent(raw));
    EXPECT_EQ(NULL, CWnd::FromHandle(NULL));

    CWnd owner;
    EXPECT_TRUE(owner.Attach(raw));
    EXPECT_EQ(&owner, CWnd::FromHandle(raw));
    EXPECT_FALSE(CWnd().Attach(raw));
    EXPECT_EQ(raw, owner.Detach());
    EXPECT_TRUE(IsWindow(raw));
    DestroyWindow(raw);
}

TEST_F(WindowTest, CommandsReachOnCmdMsgAndItsAnswerBecomesTheResult)
{
    CRecordingWnd wnd;
    ASSERT_TRUE(Create(wnd));
    EXPECT_EQ(1, wnd.SendMessage(WM_COMMAND, MAKEWPARAM(5, 0), 0));
    EXPECT_EQ(0, wnd.SendMessage(WM_COMMAND, MAKEWPARAM(6, 0), 0));
    EXPECT_EQ(1, wnd.SendMessage(WM_COMMAND, MAKEWPARAM(5, 1), 0));    // accelerator
    EXPECT_EQ(0, wnd.SendMessage(WM_COMMAND, MAKEWPARAM(6, BN_DOUBLECLICKED), LPARAM(wnd.m_hWnd)));
    std::vector<std::pair<UINT, int>> expected = {{5, 0}, {6, 0}, {5, 0}, {6, BN_DOUBLECLICKED}};
    EXPECT_EQ(expected, wnd.m_commands);
}

TEST_F(WindowTest, MessageMapsChainToTheirBase)
{
    CDerivedMapWnd wnd;
    ASSERT_TRUE(Create(wnd));
    EXPECT_EQ(1, wnd.SendMessage(WM_COMMAND, MAKEWPARAM(7, 0), 0));
    EXPECT_EQ(0, wnd.SendMessage(WM_COMMAND, MAKEWPARAM(7, 2), 0));
    EXPECT_EQ(1, wnd.m_hits);

    AFX_CMDHANDLERINFO info = {};
    EXPECT_TRUE(wnd.OnCmdMsg(7, 0, NULL, &info));
    EXPECT_EQ(&wnd, info.pTarget);
    EXPECT_EQ(1, wnd.m_hits);
    EXPECT_TRUE(wnd.IsKindOf(RUNTIME_CLASS(CWnd)));
    EXPECT_FALSE(wnd.IsKindOf(RUNTIME_CLASS(CWinApp)));
}
