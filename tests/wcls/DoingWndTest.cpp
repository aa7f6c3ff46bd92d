// DoingWndTest.cpp - the progress window: geometry, cancel requests, the owner, painting, Pump.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "WndTestKit.h"
#include "wcls/DoingWnd.h"
#include "wcls/Handles.h"
#include "wcls/LibStartup.h"
#include "wcls/ServiceWnd.h"
#include "wcls/WndFunc.h"

namespace {

// Logs its end and counts its paints.
class ProbeDoingWnd : public DoingWnd {
public:
    using DoingWnd::DoingWnd;
    ~ProbeDoingWnd() override { g_log.Add("~DoingWnd"); }
    LRESULT WindowProc(UINT msg, MsgParams* params) override
    {
        m_paints += msg == WM_PAINT;
        return DoingWnd::WindowProc(msg, params);
    }
    int m_paints = 0;
};

const char kTitle[] = "Zuntoria セットアップ";
const DWORD kSetupFlags = DW_CANCELBTN | DW_NOBAR | DW_SHOW | DW_DISABLEOWNER;

using DoingWndTest = WindowTest;

ProbeDoingWnd* Make(DWORD flags, HWND owner = nullptr, const char* title = kTitle)
{
    return new ProbeDoingWnd(title, -1, -1, 40 * g_cxChar, g_cyChar, owner, flags);
}

POINT Centre(const RECT& rc) { return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}; }

LPARAM At(POINT pt) { return MAKELPARAM(pt.x, pt.y); }

BOOL WINAPI FailedQuery(UINT, UINT, PVOID rect, UINT)
{
    SetRect(static_cast<RECT*>(rect), -9000, -9000, -8000, -8000);  // whatever a failed call left
    return FALSE;
}

TEST_F(DoingWndTest, GeometryFollowsTheCharacterMetricsAndCentresOnTheOwnerOrTheScreen)
{
    const int ch = g_cyChar, width = 44 * g_cxChar + 2 * GetSystemMetrics(SM_CXDLGFRAME);
    const int height = ch + 7 * ch / 2 + 2 * GetSystemMetrics(SM_CYDLGFRAME);  // no bar, but a button
    TestWnd* owner = new TestWnd("O");
    owner->CreateWnd(0, "", WS_POPUP | WS_VISIBLE, 100, 100, 600, 400, nullptr, nullptr, nullptr, nullptr);
    for (const char* title : {kTitle, "   "}) {  // no caption without a title, and lower by it
        ProbeDoingWnd* w = Make(kSetupFlags, owner->HWnd(), title);
        int h = height + (title == kTitle ? GetSystemMetrics(SM_CYCAPTION) : 0);
        RECT rc, want = {(800 - width) / 2, (600 - h) / 2, (800 + width) / 2, (600 - h) / 2 + h};
        GetWindowRect(w->HWnd(), &rc);
        EXPECT_TRUE(EqualRect(&want, &rc)) << rc.left << "," << rc.top << " " << rc.right << "," << rc.bottom;
        w->Close();
    }
    DestroyWnd(owner);
    g_pfnSystemParametersInfo = FailedQuery;  // no owner, no work area: centred on the screen
    ProbeDoingWnd* alone = Make(0);
    g_pfnSystemParametersInfo = SystemParametersInfoA;
    RECT rc;
    GetWindowRect(alone->HWnd(), &rc);
    EXPECT_NEAR(GetSystemMetrics(SM_CXSCREEN) / 2, Centre(rc).x, 1);
    EXPECT_NEAR(GetSystemMetrics(SM_CYSCREEN) / 2, Centre(rc).y, 1);
    alone->Close();
}

TEST_F(DoingWndTest, EveryCancelRequestAndTheDragOffButton)
{
    ProbeDoingWnd* w = Make(kSetupFlags & ~DW_DISABLEOWNER);
    HWND hwnd = w->HWnd();
    const POINT in = Centre(w->ButtonRect()), out = {w->ButtonRect().right + 5, in.y};
    const struct {
        UINT msg;
        POINT at;
        bool pressed;
    } steps[] = {{WM_LBUTTONDOWN, in, true},  {WM_MOUSEMOVE, out, false}, {WM_MOUSEMOVE, in, true},
                 {WM_MOUSEMOVE, out, false}, {WM_LBUTTONUP, out, false},  // dragged off: no cancel
                 {WM_LBUTTONDOWN, in, true},  {WM_CANCELMODE, in, false}, {WM_LBUTTONUP, in, false}};  // let go
    for (const auto& d : steps) {
        SendMessageA(hwnd, d.msg, d.msg == WM_LBUTTONDOWN || d.msg == WM_MOUSEMOVE ? MK_LBUTTON : 0, At(d.at));
        EXPECT_EQ(d.pressed, w->Pressed());
    }
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ(1, w->Pump());
    const UINT asks[][3] = {{WM_LBUTTONDOWN, MK_LBUTTON, (UINT)At(in)}, {WM_KEYDOWN, VK_ESCAPE, 0}, {WM_CLOSE, 0, 0},
                            {WM_COMMAND, IDCANCEL, 0}};  // a click, Esc, the close box, command 2
    for (const auto& a : asks) {
        PostMessageA(hwnd, a[0], a[1], a[2]);
        if (a[0] == WM_LBUTTONDOWN) PostMessageA(hwnd, WM_LBUTTONUP, 0, a[2]);
        EXPECT_EQ(0, w->Pump()) << a[0];  // asks; the window stays
        w->m_bCancel = 0;
    }
    w->Close();
}

// Taken over by another phase as soon as it is enabled: a second enabling shows.
class ReclaimedOwner : public TestWnd {
public:
    ReclaimedOwner() : TestWnd("R") {}
    LRESULT WindowProc(UINT msg, MsgParams* params) override
    {
        if (msg == WM_ENABLE && params->wParam && m_reclaim) EnableWindow(m_hWnd, m_reclaim = false);
        return TestWnd::WindowProc(msg, params);
    }
    bool m_reclaim = false;
};

TEST_F(DoingWndTest, TheOwnerIsEnabledAgainExactlyOnceWhicheverWayTheWindowGoes)
{
    for (int way = 0; way < 3; ++way) {  // Close, destroyed, the owner given as a child
        ReclaimedOwner* owner = new ReclaimedOwner;
        owner->Create(nullptr, WS_POPUP | WS_VISIBLE);
        HWND child = (new TestWnd("C"))->Create(owner->HWnd(), WS_CHILD | WS_VISIBLE);
        ProbeDoingWnd* w = Make(kSetupFlags, way == 2 ? child : owner->HWnd());
        EXPECT_FALSE(IsWindowEnabled(owner->HWnd()));
        owner->m_reclaim = true;
        way == 1 ? (void)DestroyWindow(w->HWnd()) : w->Close();
        EXPECT_FALSE(owner->m_reclaim || IsWindowEnabled(owner->HWnd())) << way;  // enabled, then taken
        Make(kSetupFlags, owner->HWnd())->Close();  // disabled before: left so
        EXPECT_FALSE(IsWindowEnabled(owner->HWnd()));
        EnableWindow(owner->HWnd(), TRUE);
        Make(kSetupFlags, owner->HWnd());  // the owner going first takes it along
        DestroyWnd(owner);
        EXPECT_EQ(3, g_log.Count("~DoingWnd")) << way;
        g_log.Clear();
    }
}

ProbeDoingWnd* g_timerTarget;
void CALLBACK PumpFromTimer(HWND hwnd, UINT, UINT_PTR id, DWORD)
{
    KillTimer(hwnd, id);
    g_timerTarget->SetMessage(String("タイマーから"));
    g_timerTarget->StepIt();
    g_timerTarget->Pump();
}

// A shown window paints only what changed and takes messages at every
// call; a window never shown takes them at most every 50 ms.
TEST_F(DoingWndTest, PumpPaintsChangesAndPacesAHiddenWindow)
{
    WatchMessages({WM_USER + 5});
    TestWnd* other = new TestWnd("Y");
    other->Create();
    for (DWORD flags : {DWORD(DW_SHOW), DWORD(0)}) {
        ProbeDoingWnd* w = Make(DW_CANCELBTN | flags);
        PumpPending();
        g_log.Clear();
        const bool shown = flags != 0;
        int paints = w->m_paints;
        w->SetMessage(String("変更"));
        EXPECT_EQ(1, w->Pump());
        EXPECT_EQ(shown ? paints + 1 : paints, w->m_paints) << flags;
        paints = w->m_paints;
        for (int i = 0; i < 3; ++i) PostMessageA(other->HWnd(), WM_USER + 5, 0, 0);
        EXPECT_EQ(1, w->Pump());  // nothing changed: nothing painted
        EXPECT_EQ(paints, w->m_paints) << flags;
        EXPECT_EQ(shown ? 3 : 0, g_log.Count("Y WM_USER+5")) << flags;
        Sleep(100);  // the system tick moves in steps of about 16 ms
        w->Pump();
        EXPECT_EQ(3, g_log.Count("Y WM_USER+5")) << flags;
        w->Close();
    }
    DestroyWnd(other);
}

TEST_F(DoingWndTest, PumpTakesTenMessagesAndSurvivesReentrantCalls)
{
    WatchMessages({WM_USER + 4});
    TestWnd* other = new TestWnd("X");
    other->Create();
    ProbeDoingWnd* w = Make(DW_CANCELBTN | DW_SHOW | DW_MULTILINE);
    PumpPending();
    g_log.Clear();
    for (int i = 0; i < 25; ++i) PostMessageA(other->HWnd(), WM_USER + 4, 0, 0);
    EXPECT_EQ(1, w->Pump());
    EXPECT_EQ(10, g_log.Count("X WM_USER+4"));
    EXPECT_EQ(15, PumpPending());
    // A timer of another window drives the progress window and pumps it
    // while a repaint and a click on the cancel button wait in the queue.
    g_timerTarget = w;
    SetTimer(other->HWnd(), 1, 1, PumpFromTimer);
    Sleep(30);
    InvalidateRect(w->HWnd(), nullptr, FALSE);
    PostMessageA(w->HWnd(), WM_LBUTTONDOWN, MK_LBUTTON, At(Centre(w->ButtonRect())));
    PostMessageA(w->HWnd(), WM_LBUTTONUP, 0, At(Centre(w->ButtonRect())));
    int paintsBefore = w->m_paints;
    for (int i = 0; i < 5 && w->m_bCancel == 0; ++i) w->Pump();
    EXPECT_EQ(0, w->Pump());
    EXPECT_EQ(1, w->Pos());
    EXPECT_STREQ("タイマーから", w->Message().CStr());
    EXPECT_GT(w->m_paints, paintsBefore);
    PostQuitMessage(3);  // left for the program's loop
    w->Pump();
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    w->Close();
    DestroyWnd(other);
}

TEST_F(DoingWndTest, PaintingReleasesEveryGdiObject)
{
    ProbeDoingWnd* w = Make(DW_CANCELBTN | DW_SHOW | DW_MULTILINE);
    w->SetMessage(String("コピー中：ZUNTO8.EXE\r\n表示\tタブ\r\n\r\n長い行長い行長い行長い行長い行長い行長い行"));
    w->SetPos(42);
    ProbeDoingWnd* centred = Make(DW_SHOW | DW_CENTERTEXT);
    centred->SetMessage(String("お待ち下さい..."));
    // With the GDI handles used up but a margin, one object lost per paint would
    // exhaust them long before the end; the library's own counts agree too.
    const int kMargin = 1500, kPaints = 3000;
    std::vector<HBRUSH> filler;
    while (HBRUSH b = CreateSolidBrush(RGB(9, 9, 9))) filler.push_back(b);
    for (int i = 0; i < kMargin; ++i, filler.pop_back()) DeleteObject(filler.back());
    GdiCounts before = GetGdiCounts();
    int paintsBefore = w->m_paints;
    for (int i = 0; i < kPaints; ++i) {
        if (i % 100 == 0) SendMessageA(w->HWnd(), i % 200 ? WM_LBUTTONUP : WM_LBUTTONDOWN, 0, At(Centre(w->ButtonRect())));
        HWND target = (i % 10 == 0 ? centred : w)->HWnd();
        InvalidateRect(target, nullptr, FALSE);
        UpdateWindow(target);
    }
    size_t filled = filler.size();
    while (HBRUSH b = CreateSolidBrush(RGB(1, 2, 3))) filler.push_back(b);
    EXPECT_GT(filler.size() - filled, (size_t)kMargin - 100);  // about the margin is left
    for (HBRUSH b : filler) DeleteObject(b);
    GdiCounts after = GetGdiCounts();
    EXPECT_EQ(before.created - before.deleted, after.created - after.deleted);
    EXPECT_GE(w->m_paints - paintsBefore, kPaints * 9 / 10);
    w->Close();
    centred->Close();
}

}  // namespace

TEST_F(DoingWndTest, TheSystemProgressControlFollowsWideRangesWithItsStatusLine)
{
    // Kilobytes of a big installation: a range past the exact limit.
    ProbeDoingWnd* w = Make(DW_CANCELBTN | DW_PROGRESSCTL | DW_SHOW);
    ASSERT_NE(nullptr, w->BarControl());
    RECT bar, text;
    GetWindowRect(w->BarControl(), &bar);
    MapWindowPoints(nullptr, w->HWnd(), reinterpret_cast<POINT*>(&bar), 2);
    text = w->TextRect();
    EXPECT_LE(text.bottom, bar.top);  // under the message line
    const struct {
        int min, max, pos;
        int permille;
        const char* status;
    } rows[] = {
        {0, 100, 0, 0, "0%"},
        {1000, 3000, 2000, 500, "50%"},
        {0, 4000000, 1000000, 250, "25%"},
        {0, 4000000, 9000000, 1000, "100%"},  // past the end: held at it
    };
    for (const auto& row : rows) {
        w->SetRange(row.min, row.max);
        w->SetPos(row.pos);
        EXPECT_EQ(row.permille, (int)SendMessageA(w->BarControl(), PBM_GETPOS, 0, 0)) << row.status;
        EXPECT_STREQ(row.status, w->Status().CStr());  // no time left in the first 2 s
    }
    w->Close();
}
