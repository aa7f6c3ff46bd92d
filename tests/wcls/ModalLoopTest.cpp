// ModalLoopTest.cpp - end codes and nesting, peek loops, and the loop's
// double-click decision.
#include <gtest/gtest.h>

#include "WndTestKit.h"
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
