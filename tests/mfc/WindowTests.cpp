// CWnd against the platform: the message sequence a CWnd sees from its
// creation equals the one a plain window procedure sees, WM_COMMAND reaches
// OnCmdMsg and the maps of every base, and the window map attaches and detaches.
#include <afxwin.h>

#include "TestSupport.h"

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

class CRecordingWnd : public CWnd
{
public:
    MsgLog m_log;
    std::vector<std::pair<UINT, int>> m_commands;
    std::vector<int> m_hits;
    bool* m_pDeleted = nullptr;

    void OnSeven() { m_hits.push_back(7); }
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
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRecordingWnd, CWnd)
    ON_COMMAND(7, CRecordingWnd::OnSeven)
END_MESSAGE_MAP()

// A map of its own that chains to its base's.
class CDerivedMapWnd : public CRecordingWnd
{
public:
    void OnEight() { m_hits.push_back(8); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedMapWnd, CRecordingWnd)
    ON_COMMAND(8, CDerivedMapWnd::OnEight)
END_MESSAGE_MAP()

bool Create(CWnd& wnd)
{
    return wnd.CreateEx(0, kAfxClass, "t", WS_POPUP, -1000, -1000, 0, 0, NULL, NULL);
}

class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        cfu::tools::RegisterWindowClass(kAfxClass, AfxGetAfxWndProc());
        cfu::tools::RegisterWindowClass(kRawClass, &RawProc);
    }
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
    EXPECT_TRUE(CWnd::FromHandle(hWnd) == &wnd && CWnd::FromHandlePermanent(hWnd) == &wnd);
    EXPECT_TRUE(wnd.DestroyWindow());
    cfu::test::ExpectSequence(wnd.m_log, g_rawLog.data(), "creation and destruction");
    EXPECT_FALSE(wnd.m_hWnd || CWnd::FromHandlePermanent(hWnd));
}

// PostNcDestroy may delete the object; destroying the object destroys its window.
TEST_F(WindowTest, EitherEndOfTheLifetimeEndsTheOther)
{
    bool deleted = false;
    auto* wnd = new CRecordingWnd;
    wnd->m_pDeleted = &deleted;
    ASSERT_TRUE(Create(*wnd));
    HWND first = wnd->m_hWnd, second = NULL;
    DestroyWindow(first);
    EXPECT_TRUE(deleted);
    if (CRecordingWnd scoped; Create(scoped))
        second = scoped.m_hWnd;
    EXPECT_TRUE(second && !IsWindow(second));
    EXPECT_FALSE(CWnd::FromHandlePermanent(first) || CWnd::FromHandlePermanent(second));
}

TEST_F(WindowTest, ForeignWindowsGetATemporaryObjectThatNeverDestroysThem)
{
    HWND raw = CreateWindowExA(0, kRawClass, "t", WS_POPUP, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(raw);
    CWnd* temp = CWnd::FromHandle(raw);
    ASSERT_TRUE(temp && temp->m_hWnd == raw && CWnd::FromHandle(raw) == temp);
    EXPECT_FALSE(CWnd::FromHandlePermanent(raw) || CWnd::FromHandle(NULL));
    CWnd owner;
    EXPECT_TRUE(owner.Attach(raw));
    EXPECT_EQ(&owner, CWnd::FromHandle(raw));
    EXPECT_FALSE(CWnd().Attach(raw));
    EXPECT_EQ(raw, owner.Detach());
    EXPECT_FALSE(CWnd::FromHandlePermanent(raw));
    EXPECT_TRUE(IsWindow(raw));
    DestroyWindow(raw);
}

// Menus and accelerators arrive as code 0, a control's notification with its
// own code; OnCmdMsg's answer becomes the result.
TEST_F(WindowTest, CommandsReachOnCmdMsgAndTheMapsOfEveryBase)
{
    CDerivedMapWnd wnd;
    ASSERT_TRUE(Create(wnd));
    const struct { WPARAM wParam; LPARAM lParam; LRESULT result; } sends[] = {
        {MAKEWPARAM(5, 0), 0, 1}, {MAKEWPARAM(6, 0), 0, 0}, {MAKEWPARAM(5, 1), 0, 1},
        {MAKEWPARAM(6, BN_DOUBLECLICKED), LPARAM(wnd.m_hWnd), 0}, {MAKEWPARAM(7, 0), 0, 1},
        {MAKEWPARAM(7, 2), 0, 0}, {MAKEWPARAM(8, 0), 0, 1}, {MAKEWPARAM(9, 0), 0, 0}};
    for (const auto& s : sends)
        EXPECT_EQ(s.result, wnd.SendMessage(WM_COMMAND, s.wParam, s.lParam)) << LOWORD(s.wParam);
    AFX_CMDHANDLERINFO info = {};
    EXPECT_TRUE(wnd.OnCmdMsg(7, 0, NULL, &info) && info.pTarget == &wnd);   // asks only whether a handler exists
    EXPECT_EQ((std::vector<std::pair<UINT, int>>{
                  {5, 0}, {6, 0}, {5, 0}, {6, BN_DOUBLECLICKED}, {7, 0}, {7, 2}, {8, 0}, {9, 0}, {7, 0}}),
              wnd.m_commands);
    EXPECT_EQ((std::vector<int>{7, 8}), wnd.m_hits);
    EXPECT_TRUE(wnd.IsKindOf(RUNTIME_CLASS(CWnd)) && !wnd.IsKindOf(RUNTIME_CLASS(CWinApp)));
}
