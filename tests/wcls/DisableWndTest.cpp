// DisableWndTest.cpp - disabling the library's windows around a message box.
#include <gtest/gtest.h>

#include "WndTestKit.h"
#include "wcls/DisableWnd.h"

static HWND Plain(DWORD style)
{
    return CreateWindowExA(0, "STATIC", "", style, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

TEST(DisableAllWindows, DisablesOtherTopLevelLibraryWindowsAndRestoresExactlyThose)
{
    UseLibrary();
    TestWnd* keep = new TestWnd("K");
    TestWnd* active = new TestWnd("A");
    TestWnd* before = new TestWnd("D");
    keep->Create(nullptr, WS_POPUP | WS_VISIBLE);
    active->Create(nullptr, WS_POPUP | WS_VISIBLE);
    before->Create(nullptr, WS_POPUP | WS_VISIBLE | WS_DISABLED);
    TestWnd* child = new TestWnd("C");
    child->Create(active->HWnd(), WS_CHILD | WS_VISIBLE);
    HWND foreign = Plain(WS_POPUP | WS_VISIBLE);
    SetActiveWindow(active->HWnd());

    DisableAllWindows(keep->HWnd());
    EXPECT_TRUE(IsWindowEnabled(keep->HWnd()));
    EXPECT_FALSE(IsWindowEnabled(active->HWnd()));
    EXPECT_TRUE(active->WndFlags() & WND_MODALOFF);
    EXPECT_FALSE(before->WndFlags() & WND_MODALOFF);
    EXPECT_FALSE(child->WndFlags() & WND_MODALOFF);
    EXPECT_TRUE(IsWindowEnabled(foreign));

    SetActiveWindow(keep->HWnd());
    EnableAllWindows();
    EXPECT_TRUE(IsWindowEnabled(active->HWnd()));
    EXPECT_FALSE(active->WndFlags() & WND_MODALOFF);
    EXPECT_FALSE(IsWindowEnabled(before->HWnd()));
    EXPECT_EQ(active->HWnd(), GetActiveWindow());

    for (TestWnd* w : {keep, active, before}) DestroyWnd(w);
    DestroyWindow(foreign);
    g_log.Clear();
}
