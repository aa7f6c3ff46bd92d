// WndTest.cpp - the window object: dispatch, ownership, the handle table; centring and fonts.
#include <gtest/gtest.h>

#include <map>

#include "WndTestKit.h"
#include "wcls/Font.h"
#include "wcls/Handles.h"
#include "wcls/WndFunc.h"
#include "wcls/WndMessages.h"

using WndTest = WindowTest;

TEST_F(WndTest, DispatchPostCreateAfterTheCreatorAndDeletionAtTheFinalMessage)
{
    WatchMessages({WM_NCCREATE, WM_CREATE, WM_USER + 1, WM_LIB_POSTCREATE, WM_DESTROY, WM_NCDESTROY});
    TestWnd* w = new TestWnd("A", 0, kRecorderClass);
    HWND hwnd = w->Create();
    EXPECT_CALLS("prev WM_NCCREATE", "prev WM_CREATE");  // never to the object
    EXPECT_EQ(w, Wnd::FromHandle(hwnd));
    EXPECT_EQ(reinterpret_cast<LRESULT>(w), SendMessageA(hwnd, g_msgGetWndPtr, 0, 0));
    SendMessageA(hwnd, WM_USER + 1, 0, 0);
    PumpPending();
    EXPECT_CALLS("A WM_USER+1", "prev WM_USER+1", "A WM_LIB_POSTCREATE", "A OnPostCreate");
    EXPECT_EQ((DWORD)WND_ATTACHED, w->WndFlags());
    DestroyWindow(hwnd);
    EXPECT_CALLS("A WM_DESTROY", "prev WM_DESTROY", "A WM_NCDESTROY", "~A", "prev WM_NCDESTROY");
    EXPECT_EQ(nullptr, Wnd::FromHandle(hwnd));
}

TEST_F(WndTest, EveryWayOfDestroyingDeletesTheObjectExactlyOnce)
{
    TestWnd* parent = new TestWnd("P");
    parent->Create();
    (new TestWnd("C"))->Create(parent->HWnd());
    DestroyWnd(parent);
    DestroyWnd(new TestWnd("N"));  // no window
    DestroyWnd(nullptr);
    TestWnd* loose = new TestWnd("L", WND_NOATTACH);
    HWND hwnd = loose->Create();
    EXPECT_EQ(nullptr, Wnd::FromHandle(hwnd));
    DestroyWnd(loose);
    EXPECT_FALSE(IsWindow(hwnd));
    TestWnd* again = new TestWnd("R");  // a new window for the object: the old one goes
    HWND first = again->Create();
    EXPECT_EQ(again, Wnd::FromHandle(again->Create()));
    EXPECT_FALSE(IsWindow(first));
    DestroyWnd(again);
    EXPECT_CALLS("~C", "~P", "~N", "~L", "~R");

    // A handler destroying its own window: detached at once, deleted after it returns.
    WatchMessages({WM_NCDESTROY});
    TestWnd* self = new TestWnd("S");
    self->m_destroyOnMsg = WM_USER + 2;
    SendMessageA(self->Create(), WM_USER + 2, 0, 0);
    EXPECT_CALLS("S WM_NCDESTROY", "S after DestroyWindow detached", "~S");
}

TEST_F(WndTest, HandleTableFindsEachWindowAmongCollidingHandles)
{
    std::map<UINT_PTR, std::vector<TestWnd*>> buckets;
    std::vector<TestWnd*> all, same;
    while (same.empty() && all.size() < 1200) {
        all.push_back(new TestWnd("T"));
        all.back()->Create();
        auto& b = buckets[(UINT_PTR)all.back()->HWnd() % 255];
        b.push_back(all.back());
        if (b.size() == 3) same = b;
    }
    ASSERT_EQ(3u, same.size()) << "no three handles met in one bucket";
    HWND middle = same[1]->HWnd(), head = same[2]->HWnd();
    DestroyWindow(middle);
    EXPECT_EQ(nullptr, Wnd::FromHandle(middle));
    EXPECT_EQ(same[2], Wnd::FromHandle(head));
    DestroyWindow(head);
    EXPECT_EQ(nullptr, Wnd::FromHandle(head));
    EXPECT_EQ(same[0], Wnd::FromHandle(same[0]->HWnd()));
    for (TestWnd* w : all)
        if (w != same[1] && w != same[2]) DestroyWnd(w);
    EXPECT_EQ((int)all.size(), g_log.Count("~T"));
    g_log.Clear();
}

static RECT g_workArea = {0, 0, 400, 300};
static BOOL WINAPI ChosenWorkArea(UINT, UINT, PVOID rect, UINT)
{
    *static_cast<RECT*>(rect) = g_workArea;
    return TRUE;
}

TEST_F(WndTest, CenterWindowPullsBackIntoTheWorkAreaUnlessToldAndStaysBelowTheReference)
{
    g_pfnSystemParametersInfo = ChosenWorkArea;
    const struct {
        RECT ref;  // empty: no reference window
        int size;
        UINT flags;
        POINT at;
    } cases[] = {
        {{300, 200, 500, 300}, 200, 0, {200, 100}},  // back from the right, then the bottom
        {{300, 200, 500, 300}, 200, CW_NOCLAMP, {300, 150}},
        {{-100, -100, 0, 0}, 100, 0, {0, 0}},        // from the left, then the top
        {{302, 0, 402, 300}, 100, 0, {302, 100}},    // 2 pixels out: within the slack of 4
        {{0, 250, 400, 290}, 100, CW_NOTABOVEREF, {150, 250}},  // up into the area, down to the reference
        {{0, 0, 0, 0}, 100, 0, {150, 100}},          // the work area's centre
    };
    auto popup = [](const RECT& r) {
        return CreateWindowExA(0, "STATIC", "", WS_POPUP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                               nullptr, nullptr, nullptr, nullptr);
    };
    for (const auto& c : cases) {
        HWND ref = IsRectEmpty(&c.ref) ? nullptr : popup(c.ref), w = popup(RECT{0, 0, c.size, c.size});
        CenterWindow(w, ref, c.flags);
        RECT rc;
        GetWindowRect(w, &rc);
        EXPECT_EQ(c.at.x * 1000 + c.at.y, rc.left * 1000 + rc.top) << c.ref.left << "," << c.ref.top;
        DestroyWindow(w);
        if (ref) DestroyWindow(ref);
    }
    g_pfnSystemParametersInfo = SystemParametersInfoA;
}

TEST(CreateFontEx, WeightByTheExactValueOfItsThreeBits)
{
    const LONG weights[8] = {0, 700, 900, 0, 300, 0, 0, 0};  // by bits 0x700 >> 8
    for (DWORD bits = 0; bits < 8; ++bits) {
        UniqueFont font(CreateFontEx(" ", 12, 0, bits << 8 | FONT_ITALIC));
        LOGFONTA lf = {};
        GetObjectA(font.Get(), sizeof(lf), &lf);
        EXPECT_EQ(weights[bits], lf.lfWeight) << bits;
        EXPECT_TRUE(lf.lfItalic);
        EXPECT_STREQ("", lf.lfFaceName);  // a blank face is left to the system
    }
}
