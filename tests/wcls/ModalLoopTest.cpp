// ModalLoopTest.cpp - end codes and nesting, peek loops, and the loop's
// double-click decision.
#include <gtest/gtest.h>

#include "WndTestKit.h"
#include "wcls/Dlg.h"
#include "wcls/ModalLoop.h"
#include "wcls/WndMessages.h"

namespace {

using ModalLoopTest = WindowTest;

// Runs a loop inside a handler, and ends loops, to nest them.
class LoopWnd : public TestWnd {
public:
    LoopWnd() : TestWnd("L") {}
    LRESULT WindowProc(UINT msg, MsgParams* params) override
    {
        if (msg == WM_USER + 1) g_log.Add("inner " + std::to_string(RunModalLoop(0, m_hWnd, nullptr)));
        if (msg == WM_USER + 2) EndModalLoop((int)params->wParam);
        return TestWnd::WindowProc(msg, params);
    }
};

}  // namespace

TEST_F(ModalLoopTest, EndCodesFirstWinsAndLoopsNest)
{
    EndModalLoop(1);  // before the loop: it ends at once
    EndModalLoop(2);
    EXPECT_EQ(1, RunModalLoop(0, nullptr, nullptr));
    PostThreadMessageA(GetCurrentThreadId(), WM_LIB_ENDLOOP, 42, 0);
    EXPECT_EQ(42, RunModalLoop(0, nullptr, nullptr));
    PostQuitMessage(5);
    EXPECT_EQ(5, RunModalLoop(0, nullptr, nullptr));

    // The inner loop takes its own end; the outer goes on to its own.
    LoopWnd* w = new LoopWnd;
    HWND hwnd = w->Create();
    PostMessageA(hwnd, WM_USER + 1, 0, 0);
    PostMessageA(hwnd, WM_USER + 2, 3, 0);
    PostMessageA(hwnd, WM_USER + 2, 4, 0);
    EXPECT_EQ(4, RunModalLoop(0, nullptr, nullptr));
    EXPECT_CALLS("L OnPostCreate", "inner 3");

    // An end requested outside any posted message does not wait for one.
    SendMessageA(hwnd, WM_USER + 2, 9, 0);
    EXPECT_EQ(9, RunModalLoop(0, nullptr, nullptr));
    DestroyWnd(w);
}

TEST_F(ModalLoopTest, PeekLoopEndsWhenEmptyOrAfterAHundredTimerOrIdleMessages)
{
    WatchMessages({WM_TIMER});
    TestWnd* w = new TestWnd("P");
    HWND hwnd = w->Create();
    PumpPending();
    EXPECT_EQ(0, RunModalLoop(ML_PEEK, nullptr, nullptr));
    for (int i = 0; i < 150; ++i) PostMessageA(hwnd, WM_TIMER, 1, 0);
    EXPECT_EQ(0, RunModalLoop(ML_PEEK, nullptr, nullptr));
    EXPECT_EQ(100, g_log.Count("P WM_TIMER"));
    EXPECT_EQ(50, PumpPending());
    g_log.Clear();

    for (int i = 0; i < 60; ++i) PostMessageA(hwnd, WM_ENTERIDLE, 0, 0);
    for (int i = 0; i < 30; ++i) PostMessageA(hwnd, WM_USER, 0, 0);  // not counted
    for (int i = 0; i < 60; ++i) PostMessageA(hwnd, WM_TIMER, 1, 0);
    RunModalLoop(ML_PEEK, nullptr, nullptr);
    EXPECT_EQ(40, g_log.Count("P WM_TIMER"));
    EXPECT_EQ(20, PumpPending());
    DestroyWnd(w);
}

TEST_F(ModalLoopTest, DoubleClicksAreDecidedWithinThreePixelsForWindowsThatAskForIt)
{
    WatchMessages({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_MBUTTONDOWN});
    TestWnd* w = new TestWnd("W", WND_DBLCLK);
    HWND hwnd = w->Create(nullptr, WS_POPUP | WS_VISIBLE);
    TestWnd* plain = new TestWnd("N");
    HWND other = plain->Create(nullptr, WS_POPUP | WS_VISIBLE);
    PumpPending();
    g_log.Clear();

    const struct {
        HWND hwnd;
        UINT msg;
        int x, y;
    } presses[] = {
        {hwnd, WM_LBUTTONDOWN, 20, 20}, {hwnd, WM_LBUTTONDOWN, 23, 20},  // 3 right: double
        {hwnd, WM_LBUTTONDOWN, 23, 20}, {hwnd, WM_LBUTTONDOWN, 20, 20},  // 3 left: new press
        {hwnd, WM_LBUTTONDOWN, 20, 23},                                  // 3 below: double
        {hwnd, WM_LBUTTONDOWN, 40, 40}, {hwnd, WM_LBUTTONDOWN, 40, 37},  // 3 above: new press
        {hwnd, WM_LBUTTONDBLCLK, 60, 60},                                // the system's: a press
        {hwnd, WM_LBUTTONDOWN, 80, 80}, {hwnd, WM_MBUTTONDOWN, 80, 80},  // other button: a press
        {other, WM_LBUTTONDOWN, 90, 90}, {other, WM_LBUTTONDBLCLK, 90, 90},  // left alone
    };
    for (const auto& p : presses) PostMessageA(p.hwnd, p.msg, 0, MAKELPARAM(p.x, p.y));
    RunModalLoop(ML_PEEK, nullptr, nullptr);
    // (A double click reaching Wnd comes back as a press of its button.)
    EXPECT_CALLS("W WM_LBUTTONDOWN", "W WM_LBUTTONDBLCLK", "W WM_LBUTTONDOWN", "W WM_LBUTTONDOWN",
                 "W WM_LBUTTONDOWN", "W WM_LBUTTONDBLCLK", "W WM_LBUTTONDOWN", "W WM_LBUTTONDOWN",
                 "W WM_LBUTTONDOWN", "W WM_LBUTTONDOWN", "W WM_LBUTTONDOWN", "W WM_MBUTTONDOWN",
                 "N WM_LBUTTONDOWN", "N WM_LBUTTONDBLCLK", "N WM_LBUTTONDOWN");

    PostMessageA(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
    RunModalLoop(ML_PEEK, nullptr, nullptr);
    Sleep(GetDoubleClickTime() + 50);  // too slow for a double click
    PostMessageA(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
    RunModalLoop(ML_PEEK, nullptr, nullptr);
    EXPECT_CALLS("W WM_LBUTTONDOWN", "W WM_LBUTTONDOWN");
    DestroyWnd(w);
    DestroyWnd(plain);
}

TEST_F(ModalLoopTest, PreTranslateRoutesFunctionKeysArrowsHelpAndDialogKeys)
{
    WatchMessages({WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN});
    SetHelpHook([](LONG_PTR arg) -> LONG {
        g_log.Add("help " + std::to_string(arg));
        return 1;
    });
    TestWnd* top = new TestWnd("T", WND_FKEYTARGET);
    top->Create();
    TestWnd* mid = new TestWnd("M");
    mid->Create(top->HWnd());
    HWND leaf = (new TestWnd("L"))->Create(mid->HWnd());
    TestWnd* off = new TestWnd("D", WND_FKEYTARGET);  // a target, but disabled
    off->Create(top->HWnd(), WS_CHILD | WS_DISABLED);
    HWND underOff = (new TestWnd("E"))->Create(off->HWnd());
    TestWnd* loose = new TestWnd("N");  // no target above it
    HWND none = loose->Create();
    TestWnd* loop = new TestWnd("W");
    HWND w = loop->Create();
    PumpPending();
    g_log.Clear();

    const LPARAM kAlt = 1 << 29;
    const struct {
        HWND hwnd;
        UINT msg;
        WPARAM vk;
        LPARAM lp;
        DWORD options;
        const char* taken;  // what the message reached; null: not taken
    } cases[] = {
        {leaf, WM_KEYDOWN, VK_F5, 0, 0, "T WM_KEYDOWN"},      // to the nearest target up the parents
        {leaf, WM_SYSKEYDOWN, VK_F10, 0, 0, "T WM_KEYDOWN"},  // as a plain key
        {leaf, WM_SYSKEYUP, VK_F24, 0, 0, "T WM_KEYUP"},
        {underOff, WM_KEYUP, VK_F2, 0, 0, "T WM_KEYUP"},      // past the disabled target
        {leaf, WM_KEYDOWN, VK_F5, kAlt, 0, nullptr},          // with Alt: no function key
        {none, WM_KEYDOWN, VK_F5, 0, 0, nullptr},
        {leaf, WM_KEYDOWN, VK_UP, 0, ML_ARROWUPDOWN, "W WM_KEYDOWN"},  // to the loop window
        {leaf, WM_KEYUP, VK_RIGHT, 0, ML_ARROWLEFTRIGHT, "W WM_KEYUP"},
        {leaf, WM_KEYDOWN, VK_NEXT, 0, ML_PAGEKEYS, "W WM_KEYDOWN"},
        {leaf, WM_KEYDOWN, VK_LEFT, 0, ML_ARROWUPDOWN | ML_PAGEKEYS, nullptr},
        {leaf, WM_KEYDOWN, VK_PRIOR, 0, ML_ARROWUPDOWN | ML_ARROWLEFTRIGHT, nullptr},
        {none, WM_KEYDOWN, VK_F1, 0, 0, "help 0"},
        {leaf, WM_KEYDOWN, VK_F1, kAlt, 0, "help 0"},
        {none, WM_KEYDOWN, VK_F1, 0, ML_NOHELPKEY, nullptr},
        {none, WM_KEYUP, VK_F1, 0, 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << MsgName(c.msg) << " " << c.vk << " " << std::hex << c.options);
        MSG msg = {c.hwnd, c.msg, c.vk, c.lp, 0, {0, 0}};
        EXPECT_EQ(c.taken != nullptr, PreTranslateMessage(w, &msg, c.options) != FALSE);
        if (c.taken)
            EXPECT_CALLS(c.taken);
        else
            EXPECT_CALLS();
    }
    SetHelpHook(nullptr);

    // Tab in a dialog: the system's dialog keys only when asked for.
    Dlg* dlg = new Dlg(0);
    HWND hdlg = dlg->CreateDlg(nullptr, "TESTDLG", nullptr);
    ShowWindow(hdlg, SW_SHOW);
    SetFocus(GetDlgItem(hdlg, 100));
    MSG tab = {GetDlgItem(hdlg, 100), WM_KEYDOWN, VK_TAB, 1, 0, {0, 0}};
    EXPECT_FALSE(PreTranslateMessage(hdlg, &tab, 0));
    EXPECT_TRUE(PreTranslateMessage(hdlg, &tab, ML_DIALOGKEYS));
    EXPECT_EQ(GetDlgItem(hdlg, 101), GetFocus());
    DestroyWnd(dlg);

    // ML_DISABLEOWNER: the owner is disabled for the loop and enabled again
    // after (WM_ENABLE comes only with a change); one disabled before stays so.
    WatchMessages({WM_ENABLE});
    HWND owned = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 9, 9, none, nullptr, nullptr, nullptr);
    EXPECT_EQ(0, RunModalLoop(ML_DISABLEOWNER | ML_PEEK, owned, nullptr));
    EXPECT_CALLS("N WM_ENABLE", "N WM_ENABLE");
    EXPECT_TRUE(IsWindowEnabled(none));
    EnableWindow(none, FALSE);
    g_log.Clear();
    RunModalLoop(ML_DISABLEOWNER | ML_PEEK, owned, nullptr);
    EXPECT_CALLS();
    EXPECT_FALSE(IsWindowEnabled(none));
    DestroyWindow(owned);
    DestroyWnd(top);
    DestroyWnd(loose);
    DestroyWnd(loop);
    g_log.Clear();
}
