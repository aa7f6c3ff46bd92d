// DoingWndTest.cpp - the progress window: geometry, bar arithmetic and
// sections, delayed show, cancel requests, the owner, painting, Pump.
#include <gtest/gtest.h>

#include <stdlib.h>

#include "WndTestKit.h"
#include "common/ChildProcess.h"
#include "wcls/DoingWnd.h"
#include "wcls/Handles.h"
#include "wcls/LibStartup.h"
#include "wcls/ServiceWnd.h"
#include "wcls/WndFunc.h"

namespace {

// Opens the protected state to the tests and logs its own end.
class ProbeDoingWnd : public DoingWnd {
public:
    using DoingWnd::DoingWnd;
    ~ProbeDoingWnd() override { g_log.Add("~DoingWnd"); }
    LRESULT WindowProc(UINT msg, MsgParams* params) override
    {
        if (msg == WM_PAINT) ++m_paints;
        return DoingWnd::WindowProc(msg, params);
    }
    void PretendStartedMsAgo(DWORD ms) { m_dwStartTick = GetTickCount() - ms; }
    int m_paints = 0;
};

// An owner that another modal phase takes over again as soon as it is
// enabled: a second enabling by the progress window would show.
class ReclaimedOwner : public TestWnd {
public:
    ReclaimedOwner() : TestWnd("R") {}
    LRESULT WindowProc(UINT msg, MsgParams* params) override
    {
        if (msg == WM_ENABLE && params->wParam && m_reclaim) {
            m_reclaim = false;
            EnableWindow(m_hWnd, FALSE);
        }
        return TestWnd::WindowProc(msg, params);
    }
    bool m_reclaim = false;
};

const char kTitle[] = "Zuntoria セットアップ";
const DWORD kSetupFlags = DW_CANCELBTN | DW_NOBAR | DW_SHOW | DW_DISABLEOWNER;

class DoingWndTest : public testing::Test {
protected:
    void SetUp() override
    {
        UseLibrary();
        StartService();
        PumpPending();
        g_log.Clear();
    }
    void TearDown() override
    {
        StopService();
        WatchMessages({});
        g_log.Clear();
    }
    ProbeDoingWnd* Make(DWORD flags, HWND owner = nullptr, const char* title = kTitle)
    {
        return new ProbeDoingWnd(title, -1, -1, 40 * g_cxChar, g_cyChar, owner, flags);
    }
};

POINT Centre(const RECT& rc)
{
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

BOOL WINAPI FailedQuery(UINT, UINT, PVOID rect, UINT)
{
    SetRect(static_cast<RECT*>(rect), -9000, -9000, -8000, -8000);
    return FALSE;
}

LPARAM At(POINT pt)
{
    return MAKELPARAM(pt.x, pt.y);
}

}  // namespace

TEST_F(DoingWndTest, GeometryFollowsTheCharacterMetrics)
{
    const int cw = g_cxChar, ch = g_cyChar, caption = GetSystemMetrics(SM_CYCAPTION);
    const int frameX = GetSystemMetrics(SM_CXDLGFRAME), frameY = GetSystemMetrics(SM_CYDLGFRAME);
    TestWnd* owner = new TestWnd("O");
    owner->CreateWnd(0, "", WS_POPUP | WS_VISIBLE, 100, 100, 600, 400, nullptr, nullptr, nullptr, nullptr);
    ProbeDoingWnd* setup = Make(kSetupFlags, owner->HWnd());
    RECT rc;
    GetWindowRect(setup->HWnd(), &rc);
    const int width = 44 * cw + 2 * frameX, height = ch + caption + 7 * ch / 2 + 2 * frameY;
    EXPECT_EQ(width, rc.right - rc.left);
    EXPECT_EQ(height, rc.bottom - rc.top);  // no bar, but a button
    EXPECT_EQ((800 - width) / 2, rc.left);  // centred on the owner
    EXPECT_EQ((600 - height) / 2, rc.top);
    EXPECT_EQ(8 * cw + 2, setup->ButtonRect().right - setup->ButtonRect().left);
    setup->Close();

    ProbeDoingWnd* plain = Make(0, nullptr, "   ");  // no caption, lower by it
    GetWindowRect(plain->HWnd(), &rc);
    EXPECT_EQ(ch + 7 * ch / 2 + 2 * frameY, rc.bottom - rc.top);
    EXPECT_FALSE(GetWindowLongPtrA(plain->HWnd(), GWL_STYLE) & WS_CAPTION);
    EXPECT_EQ(2 * ch, plain->BarRect().bottom - plain->BarRect().top);
    plain->Close();
    DestroyWnd(owner);

    // No owner and no work area: centred on the screen, whatever the failed
    // query left in its buffer.
    g_pfnSystemParametersInfo = FailedQuery;
    ProbeDoingWnd* alone = Make(0);
    g_pfnSystemParametersInfo = SystemParametersInfoA;
    GetWindowRect(alone->HWnd(), &rc);
    EXPECT_NEAR(GetSystemMetrics(SM_CXSCREEN) / 2, Centre(rc).x, 1);
    EXPECT_NEAR(GetSystemMetrics(SM_CYSCREEN) / 2, Centre(rc).y, 1);
    alone->Close();
}

TEST_F(DoingWndTest, BarArithmeticRangesAndSections)
{
    ProbeDoingWnd* w = Make(DW_SHOW);
    const int inner = w->BarRect().right - w->BarRect().left - 4;
    w->SetRange(0, 100000);  // exact values
    w->SetPos(99999);
    EXPECT_EQ(99, w->Percent());
    EXPECT_EQ((int)(99999LL * inner / 100000), w->FillWidth());
    w->SetRange(0, 100001);  // in thousands: 0..100
    w->SetPos(100000);
    EXPECT_EQ(100, w->Percent());
    EXPECT_EQ(inner, w->FillWidth());
    w->SetRange(5, 5);
    EXPECT_EQ(6, w->Max());
    EXPECT_EQ(5, w->Pos());
    w->SetPos(99);
    w->StepIt();
    EXPECT_EQ(6, w->Pos());

    // Only a change of the drawn values invalidates, and only the bar.
    w->SetRange(0, 1000);
    UpdateWindow(w->HWnd());
    w->SetPos(1);
    EXPECT_FALSE(GetUpdateRect(w->HWnd(), nullptr, FALSE));
    w->SetPos(500);
    RECT dirty;
    ASSERT_TRUE(GetUpdateRect(w->HWnd(), &dirty, FALSE));
    EXPECT_TRUE(EqualRect(&dirty, &w->BarRect()));

    // A quarter of 100, then half of that quarter: 25 + 12.5, truncated.
    w->SetRange(0, 100);
    w->PushSection(0, 4);
    w->SetSectionPos(1);
    w->PushSection(0, 10);
    w->SetSectionPos(5);
    EXPECT_EQ(37, w->Pos());
    w->SetSectionPos(99);  // clamped to the section's end
    EXPECT_EQ(50, w->Pos());
    w->PopSection(true);   // steps the enclosing section
    w->StepSection();
    EXPECT_EQ(75, w->Pos());
    w->PopSection(true);   // none left: a plain step
    EXPECT_EQ(76, w->Pos());
    EXPECT_EQ(0, w->SectionCount());

    // Throttled: at most every 100 ms; a null window does nothing.
    DoingWnd::UpdateSectionPos(nullptr, 3, true);
    w->PushSection(0, 100);
    DoingWnd::UpdateSectionPos(w, 10, true);
    DoingWnd::UpdateSectionPos(w, 20, true);
    EXPECT_EQ(10, w->Pos());
    w->Close();
}

CHILD_SCENARIO(DoingWndEleventhSection)
{
    UseLibrary();
    DoingWnd* w = new DoingWnd("", -1, -1, 100, 20, nullptr, 0);
    for (int i = 0; i < 11; ++i) w->PushSection(0, 2);
}

TEST_F(DoingWndTest, AnEleventhSectionIsAnInternalError)
{
    ChildResult r = RunChildScenario("DoingWndEleventhSection");
    ASSERT_EQ(1u, r.boxes.size());
    EXPECT_NE(0u, r.exitCode);
    EXPECT_NE(std::string::npos, r.boxes[0].text.find("wcls/Doingwnd 428\r\nm_cSec<IW_MAXSEC"));
}

TEST_F(DoingWndTest, DelayedShowWaitsTwoSecondsAndPumpsNothingMeanwhile)
{
    WatchMessages({WM_USER + 3});
    TestWnd* other = new TestWnd("X");
    other->Create();
    PumpPending();
    g_log.Clear();
    ProbeDoingWnd* w = Make(DW_SHOW | DW_DELAYSHOW);
    PostMessageA(other->HWnd(), WM_USER + 3, 0, 0);
    w->SetMessage(String("a"));
    w->SetPos(10);
    EXPECT_EQ(1, w->Pump());
    EXPECT_FALSE(IsWindowVisible(w->HWnd()));
    EXPECT_CALLS();  // the message still waits

    w->PretendStartedMsAgo(2000);
    EXPECT_EQ(1, w->Pump());
    EXPECT_TRUE(IsWindowVisible(w->HWnd()));
    EXPECT_CALLS("X WM_USER+3");
    w->Close();
    DestroyWnd(other);
}

TEST_F(DoingWndTest, EveryCancelRequestAndTheDragOffButton)
{
    ProbeDoingWnd* w = Make(DW_CANCELBTN | DW_NOBAR | DW_SHOW);
    HWND hwnd = w->HWnd();
    const POINT inside = Centre(w->ButtonRect());
    const POINT outside = {w->ButtonRect().right + 5, inside.y};

    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, At(inside));
    EXPECT_TRUE(w->Pressed());
    EXPECT_EQ(hwnd, GetCapture());
    SendMessageA(hwnd, WM_MOUSEMOVE, MK_LBUTTON, At(outside));
    EXPECT_FALSE(w->Pressed());
    SendMessageA(hwnd, WM_MOUSEMOVE, MK_LBUTTON, At(inside));
    EXPECT_TRUE(w->Pressed());
    SendMessageA(hwnd, WM_MOUSEMOVE, MK_LBUTTON, At(outside));
    SendMessageA(hwnd, WM_LBUTTONUP, 0, At(outside));  // dragged off: no cancel
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ(1, w->Pump());

    PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, At(inside));  // clicks queued for Pump
    PostMessageA(hwnd, WM_LBUTTONUP, 0, At(inside));
    EXPECT_EQ(0, w->Pump());
    w->m_bCancel = 0;

    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, At(inside));
    SendMessageA(hwnd, WM_CANCELMODE, 0, 0);  // lets go of the button
    EXPECT_FALSE(w->Pressed());
    EXPECT_EQ(nullptr, GetCapture());
    SendMessageA(hwnd, WM_LBUTTONUP, 0, At(inside));
    EXPECT_EQ(0, w->m_bCancel);

    // Esc, the close box and command 2 ask; the window stays.
    const UINT asks[][2] = {{WM_KEYDOWN, VK_ESCAPE}, {WM_CLOSE, 0}, {WM_COMMAND, IDCANCEL}};
    for (const auto& a : asks) {
        SendMessageA(hwnd, a[0], a[1], 0);
        EXPECT_EQ(1, w->m_bCancel) << MsgName(a[0]);
        w->m_bCancel = 0;
    }
    EXPECT_TRUE(IsWindow(hwnd));
    w->Close();

    ProbeDoingWnd* plain = Make(DW_NOBAR | DW_SHOW);  // no button, nothing to press
    SendMessageA(plain->HWnd(), WM_LBUTTONDOWN, MK_LBUTTON, At(inside));
    EXPECT_FALSE(plain->Pressed());
    plain->Close();
}

TEST_F(DoingWndTest, TheOwnerIsEnabledAgainExactlyOnceWhicheverWayTheWindowGoes)
{
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        ReclaimedOwner* owner = new ReclaimedOwner;
        owner->Create(nullptr, WS_POPUP | WS_VISIBLE);
        TestWnd* child = new TestWnd("C");
        child->Create(owner->HWnd(), WS_CHILD | WS_VISIBLE);
        ProbeDoingWnd* w = Make(kSetupFlags, way == 2 ? child->HWnd() : owner->HWnd());
        EXPECT_FALSE(IsWindowEnabled(owner->HWnd()));
        if (way == 1)
            DestroyWindow(w->HWnd());
        else
            w->Close();
        EXPECT_TRUE(IsWindowEnabled(owner->HWnd()));
        EXPECT_EQ(1, g_log.Count("~DoingWnd"));

        // Another phase takes the owner back at once: a second enabling
        // by the progress window would show.
        w = Make(kSetupFlags, owner->HWnd());
        owner->m_reclaim = true;
        if (way == 1)
            DestroyWindow(w->HWnd());
        else
            w->Close();
        EXPECT_FALSE(IsWindowEnabled(owner->HWnd()));

        // Disabled before: left so. The owner going first takes it along.
        Make(kSetupFlags, owner->HWnd())->Close();
        EXPECT_FALSE(IsWindowEnabled(owner->HWnd()));
        EnableWindow(owner->HWnd(), TRUE);
        Make(kSetupFlags, owner->HWnd());
        DestroyWnd(owner);
        EXPECT_EQ(4, g_log.Count("~DoingWnd"));
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
    g_log.Clear();
}

TEST_F(DoingWndTest, PaintingReleasesEveryGdiObject)
{
    ProbeDoingWnd* w = Make(DW_CANCELBTN | DW_SHOW | DW_MULTILINE);
    w->SetMessage(String("コピー中：ZUNTO8.EXE\r\n表示\tタブ\r\n\r\n長い行長い行長い行長い行長い行長い行長い行長い行"));
    w->SetPos(42);
    ProbeDoingWnd* centred = Make(DW_SHOW | DW_CENTERTEXT);
    centred->SetMessage(String("お待ち下さい..."));

    // With the process's GDI handles used up but a margin, one object lost
    // per paint would exhaust them long before the end; and the counters of
    // the library's creation wrappers must agree.
    const int kMargin = 1500, kPaints = 3000;
    std::vector<HBRUSH> filler;
    while (HBRUSH b = CreateSolidBrush(RGB(9, 9, 9))) filler.push_back(b);
    for (int i = 0; i < kMargin; ++i) {
        DeleteObject(filler.back());
        filler.pop_back();
    }
    GdiCounts before = GetGdiCounts();
    int paintsBefore = w->m_paints;
    for (int i = 0; i < kPaints; ++i) {
        if (i % 100 == 0)
            SendMessageA(w->HWnd(), i % 200 ? WM_LBUTTONUP : WM_LBUTTONDOWN, 0, At(Centre(w->ButtonRect())));
        ProbeDoingWnd* target = (i % 10 == 0) ? centred : w;
        InvalidateRect(target->HWnd(), nullptr, FALSE);
        UpdateWindow(target->HWnd());
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

TEST(DoingWndFitLine, KeepsDoubleByteCharactersWholeAndStopsAtLineBreaks)
{
    UniqueDC dc(CreateCompatibleDC(nullptr));
    const char* text = "コピー中：ZUNTO8.EXE";  // 10 bytes of 5 double-byte characters first
    SIZE whole;
    GetTextExtentPoint32A(dc.Get(), text, (int)strlen(text), &whole);
    EXPECT_EQ((int)strlen(text), DoingWnd::FitLine(dc.Get(), text, whole.cx));
    EXPECT_EQ(2, DoingWnd::FitLine(dc.Get(), text, 0));  // one character anyway
    for (int width = 0; width < whole.cx; width += 3) {
        int n = DoingWnd::FitLine(dc.Get(), text, width);
        ASSERT_TRUE(n >= 10 || n % 2 == 0) << width;
    }
    EXPECT_EQ(0, DoingWnd::FitLine(dc.Get(), "\r\nabc", 1000));
    EXPECT_EQ(2, DoingWnd::FitLine(dc.Get(), "ab\r\ncd", 1000));
    SIZE a;  // a tab takes the room up to the next tab stop
    GetTextExtentPoint32A(dc.Get(), "a", 1, &a);
    EXPECT_EQ(1, DoingWnd::FitLine(dc.Get(), "a\tb", a.cx + 1));
}

// Shows the window of the installer's copy phase until told to stop; the
// screenshot test photographs it.
CHILD_SCENARIO(DoingWndScreenshot)
{
    LibraryStartup(GetModuleHandleA(nullptr), "Zuntoria Ver.８ セットアップ");
    StartService();
    DoingWnd* w = new DoingWnd(kTitle, -1, -1, 40 * g_cxChar, g_cyChar, nullptr,
                               DW_CANCELBTN | DW_NOBAR | DW_SHOW);
    w->SetMessage(String("コピー中：ZUNTO8.EXE"));
    w->Pump();
    const char* ready = getenv("SHOT_READY");
    const char* stop = getenv("SHOT_STOP");
    if (ready) CloseHandle(CreateFileA(ready, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 60000 && !(stop && GetFileAttributesA(stop) != INVALID_FILE_ATTRIBUTES)) {
        w->Pump();
        Sleep(50);
    }
    w->Close();
    StopService();
}
