// ModalLoopTest.cpp - end codes, nesting, peek loops, keys before translation, the owner.
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

TEST_F(ModalLoopTest, EndCodesFirstWinsLoopsNestAndPeekLoopsStop)
{
    EndModalLoop(1);  // before the loop: it ends at once
    EndModalLoop(2);
    EXPECT_EQ(1, RunModalLoop(0, nullptr, nullptr));
    PostThreadMessageA(GetCurrentThreadId(), WM_LIB_ENDLOOP, 42, 0);
    EXPECT_EQ(42, RunModalLoop(0, nullptr, nullptr));
    PostQuitMessage(5);
    EXPECT_EQ(5, RunModalLoop(0, nullptr, nullptr));
    LoopWnd* w = new LoopWnd;  // the inner loop takes its own end; the outer its own
    HWND hwnd = w->Create();
    PostMessageA(hwnd, WM_USER + 1, 0, 0);
    PostMessageA(hwnd, WM_USER + 2, 3, 0);
    PostMessageA(hwnd, WM_USER + 2, 4, 0);
    EXPECT_EQ(4, RunModalLoop(0, nullptr, nullptr));
    EXPECT_CALLS("L OnPostCreate", "inner 3");
    SendMessageA(hwnd, WM_USER + 2, 9, 0);  // requested outside any posted message: no wait for one
    EXPECT_EQ(9, RunModalLoop(0, nullptr, nullptr));

    WatchMessages({WM_TIMER});  // a peek loop ends when empty, or after 100 timer or idle messages
    for (int i = 0; i < 60; ++i) PostMessageA(hwnd, WM_ENTERIDLE, 0, 0);
    for (int i = 0; i < 30; ++i) PostMessageA(hwnd, WM_USER, 0, 0);  // not counted
    for (int i = 0; i < 60; ++i) PostMessageA(hwnd, WM_TIMER, 1, 0);
    EXPECT_EQ(0, RunModalLoop(ML_PEEK, nullptr, nullptr));
    EXPECT_EQ(40, g_log.Count("L WM_TIMER"));
    EXPECT_EQ(20, PumpPending());
    EXPECT_EQ(0, RunModalLoop(ML_PEEK, nullptr, nullptr));
    DestroyWnd(w);
}

TEST_F(ModalLoopTest, PreTranslateRoutesFunctionKeysArrowsHelpAndDialogKeys)
{
    WatchMessages({WM_KEYDOWN, WM_KEYUP});
    SetHelpHook([](LONG_PTR arg) -> LONG {
        g_log.Add("help " + std::to_string(arg));
        return 1;
    });
    TestWnd* top = new TestWnd("T", WND_FKEYTARGET);
    top->Create();
    HWND leaf = (new TestWnd("L"))->Create((new TestWnd("M"))->Create(top->HWnd()));
    TestWnd* off = new TestWnd("D", WND_FKEYTARGET);  // a target, but disabled
    HWND underOff = (new TestWnd("E"))->Create(off->Create(top->HWnd(), WS_CHILD | WS_DISABLED));
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
        {leaf, WM_KEYDOWN, VK_F5, 0, 0, "T WM_KEYDOWN"},  // to the nearest target up the parents
        {leaf, WM_SYSKEYDOWN, VK_F10, 0, 0, "T WM_KEYDOWN"},  // as a plain key
        {leaf, WM_SYSKEYUP, VK_F24, 0, 0, "T WM_KEYUP"},
        {underOff, WM_KEYUP, VK_F2, 0, 0, "T WM_KEYUP"},  // past the disabled target
        {leaf, WM_KEYDOWN, VK_F5, kAlt, 0, nullptr},      // with Alt: no function key
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
        MSG msg = {c.hwnd, c.msg, c.vk, c.lp, 0, {0, 0}};
        EXPECT_EQ(c.taken != nullptr, PreTranslateMessage(w, &msg, c.options) != FALSE) << c.vk << " " << c.options;
        EXPECT_EQ(c.taken ? std::vector<std::string>{c.taken} : std::vector<std::string>{}, g_log.Take());
    }
    SetHelpHook(nullptr);

    Dlg* dlg = new Dlg(DLG_WORKWND);  // Tab in a dialog: the system's dialog keys only when asked for
    HWND hdlg = dlg->CreateDlg(nullptr, "TESTDLG", nullptr);
    EXPECT_EQ(dlg, Wnd::FromHandle(hdlg));
    ShowWindow(hdlg, SW_SHOW);
    SetFocus(GetDlgItem(hdlg, 100));
    MSG tab = {GetDlgItem(hdlg, 100), WM_KEYDOWN, VK_TAB, 1, 0, {0, 0}};
    EXPECT_FALSE(PreTranslateMessage(hdlg, &tab, 0));
    EXPECT_TRUE(PreTranslateMessage(hdlg, &tab, ML_DIALOGKEYS));
    EXPECT_EQ(GetDlgItem(hdlg, 101), GetFocus());
    for (int id : {IDOK, IDCANCEL, 10, 11, 1257, 3}) PostMessageA(hdlg, WM_COMMAND, id, 0);  // 1257: no help hook
    for (int id : {IDOK, IDCANCEL, 10, 3}) EXPECT_EQ(id, RunModalLoop(0, hdlg, nullptr));  // ids 1 to 10 end the loop
    EXPECT_EQ(hdlg, CurrentWorkWnd());  // a work window while attached
    DestroyWnd(dlg);
    EXPECT_EQ(nullptr, CurrentWorkWnd());

    // ML_DISABLEOWNER: the owner off for the loop, on after; one off before stays so.
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
    for (Wnd* wnd : {(Wnd*)top, (Wnd*)loose, (Wnd*)loop}) DestroyWnd(wnd);
}
