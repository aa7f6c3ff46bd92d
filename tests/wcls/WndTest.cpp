// WndTest.cpp - the window object: dispatch, post-create, ownership by the
// window, the handle table, WND_DEFALLMSG, the default message handling.
#include <gtest/gtest.h>

#include <map>

#include "WndTestKit.h"
#include "common/ChildProcess.h"
#include "wcls/Font.h"
#include "wcls/Handles.h"
#include "wcls/WndFunc.h"
#include "wcls/WndMessages.h"

namespace {

using WndTest = WindowTest;

}  // namespace

TEST_F(WndTest, DispatchPostCreateAfterTheCreatorAndDeletionAtTheFinalMessage)
{
    WatchMessages({WM_NCCREATE, WM_CREATE, WM_USER + 1, WM_LIB_POSTCREATE, WM_DESTROY, WM_NCDESTROY});
    TestWnd* w = new TestWnd("A", 0, kRecorderClass);
    HWND hwnd = w->Create();
    EXPECT_CALLS("prev WM_NCCREATE", "prev WM_CREATE");  // never to the object
    EXPECT_EQ(w, Wnd::FromHandle(hwnd));
    EXPECT_EQ(WND_ATTACHED | WND_POSTCREATE, w->WndFlags());
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
    EXPECT_CALLS("~C", "~P", "~N", "~L");

    // A new window for the same object: the old one goes, the object stays.
    TestWnd* again = new TestWnd("R");
    HWND first = again->Create();
    HWND second = again->Create();
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(again, Wnd::FromHandle(second));
    EXPECT_CALLS();
    DestroyWnd(again);
    EXPECT_CALLS("~R");

    // A handler that destroys its own window: detached at once, deleted
    // when the handler has returned.
    WatchMessages({WM_USER + 2, WM_NCDESTROY});
    TestWnd* self = new TestWnd("S");
    self->m_destroyOnMsg = WM_USER + 2;
    SendMessageA(self->Create(), WM_USER + 2, 0, 0);
    EXPECT_CALLS("S WM_USER+2", "S WM_NCDESTROY", "S after DestroyWindow detached", "~S");
}

TEST_F(WndTest, HandleTableFindsEachWindowAmongCollidingHandles)
{
    int before = Wnd::AttachedWindows(nullptr, 0);
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
    EXPECT_EQ(before + (int)all.size(), Wnd::AttachedWindows(nullptr, 0));
    for (TestWnd* w : same) EXPECT_EQ(w, Wnd::FromHandle(w->HWnd()));

    HWND middle = same[1]->HWnd(), head = same[2]->HWnd();
    DestroyWindow(middle);
    EXPECT_EQ(nullptr, Wnd::FromHandle(middle));
    EXPECT_EQ(same[2], Wnd::FromHandle(head));
    EXPECT_EQ(same[0], Wnd::FromHandle(same[0]->HWnd()));
    DestroyWindow(head);
    EXPECT_EQ(nullptr, Wnd::FromHandle(head));
    EXPECT_EQ(same[0], Wnd::FromHandle(same[0]->HWnd()));

    for (TestWnd* w : all)
        if (w != same[1] && w != same[2]) DestroyWnd(w);
    EXPECT_EQ((int)all.size(), g_log.Count("~T"));
    EXPECT_EQ(before, Wnd::AttachedWindows(nullptr, 0));
    g_log.Clear();
}

TEST_F(WndTest, DefAllMsgPassesEverythingOnButAnswersItsAddressAndDiesWithItsWindow)
{
    WatchMessages({WM_MOUSEWHEEL, WM_RBUTTONDOWN, WM_LIB_SETCURSOR, WM_LIB_POSTCREATE, WM_NCDESTROY});
    TestWnd* w = new TestWnd("D", WND_DEFALLMSG, kRecorderClass);
    HWND hwnd = w->Create();
    EXPECT_EQ(0, PumpPending());  // no post-create for it

    SendMessageA(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0);
    SendMessageA(hwnd, WM_RBUTTONDOWN, 0, 0);
    SendMessageA(hwnd, WM_LIB_SETCURSOR, 0, 0);
    SendMessageA(hwnd, WM_LIB_POSTCREATE, 0, 0);
    EXPECT_EQ(reinterpret_cast<LRESULT>(w), SendMessageA(hwnd, g_msgGetWndPtr, 0, 0));
    DestroyWindow(hwnd);
    EXPECT_CALLS("D WM_MOUSEWHEEL", "prev WM_MOUSEWHEEL", "D WM_RBUTTONDOWN", "prev WM_RBUTTONDOWN",
                 "D WM_LIB_SETCURSOR", "prev WM_LIB_SETCURSOR", "D WM_LIB_POSTCREATE",
                 "prev WM_LIB_POSTCREATE", "D WM_NCDESTROY", "~D", "prev WM_NCDESTROY");
}

TEST_F(WndTest, DoubleClicksWheelContextMenuAndMessagesForAncestors)
{
    TestWnd* parent = new TestWnd("P", 0, kRecorderClass);
    parent->Create(nullptr, WS_POPUP | WS_VISIBLE);
    TestWnd* child = new TestWnd("C", 0, kRecorderClass);
    HWND hwnd = child->Create(parent->HWnd(), WS_CHILD | WS_VISIBLE);
    PumpPending();
    g_log.Clear();
    WatchMessages({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_MOUSEWHEEL, WM_LIB_TOANCESTOR});

    // A double click is a second press for a class that does not take it.
    SendMessageA(hwnd, WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 5));
    EXPECT_CALLS("C WM_LBUTTONDBLCLK", "C WM_LBUTTONDOWN", "prev WM_LBUTTONDOWN");

    // The wheel goes on (the system hands it to the parent) only when
    // OnWheel leaves it.
    SendMessageA(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0);
    child->m_wheelAnswer = 1;
    SendMessageA(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, 240), 0);
    EXPECT_CALLS("C WM_MOUSEWHEEL", "C OnWheel -120", "prev WM_MOUSEWHEEL", "P WM_MOUSEWHEEL",
                 "P OnWheel -120", "prev WM_MOUSEWHEEL", "C WM_MOUSEWHEEL", "C OnWheel 240");

    // The rolled wheel goes from the focus up to the first object taking it.
    SetFocus(hwnd);
    child->m_wheelAnswer = 0;
    parent->m_wheelAnswer = 1;
    EXPECT_EQ(0, SendMessageA(parent->HWnd(), g_msgWheelRoll, 3, 0));
    EXPECT_CALLS("C OnWheel 3", "P OnWheel 3");

    // The Applications key: the menu below the window's middle; the child
    // asks its parent; the stash is restored afterwards.
    RECT rc;
    GetWindowRect(hwnd, &rc);
    POINT before = ContextMenuPoint();
    std::string at = std::to_string((rc.left + rc.right) / 2) + "," + std::to_string(rc.bottom);
    SendMessageA(hwnd, WM_KEYDOWN, VK_APPS, 0);
    EXPECT_CALLS("C OnContextMenu " + at, "P OnContextMenu " + at);
    EXPECT_EQ(before.x, ContextMenuPoint().x);

    SendMessageA(hwnd, WM_LIB_TOANCESTOR, 1, 2);
    EXPECT_CALLS("C WM_LIB_TOANCESTOR", "P WM_LIB_TOANCESTOR");
    DestroyWnd(parent);
    EXPECT_CALLS("~C", "~P");
}

CHILD_SCENARIO(PostCreateForDefAllMsgWindow)
{
    UseLibrary();
    TestWnd* w = new TestWnd("D", WND_DEFALLMSG);
    w->Create();
    w->RequestPostCreate();
}

TEST_F(WndTest, RequestingPostCreateForADefAllMsgWindowIsAnInternalError)
{
    ChildResult r = RunChildScenario("PostCreateForDefAllMsgWindow");
    ASSERT_EQ(1u, r.boxes.size());
    EXPECT_NE(0u, r.exitCode);
    EXPECT_NE(std::string::npos, r.boxes[0].text.find("wcls/Wnd 525\r\n!(m_dwWndFlag & WND_DEFALLMSG)"));
}

namespace {

RECT g_workArea;
BOOL WINAPI ChosenWorkArea(UINT, UINT, PVOID rect, UINT)
{
    *static_cast<RECT*>(rect) = g_workArea;
    return TRUE;
}

}  // namespace

TEST_F(WndTest, CenterWindowPullsBackIntoTheWorkAreaUnlessToldAndStaysBelowTheReference)
{
    g_workArea = RECT{0, 0, 400, 300};
    g_pfnSystemParametersInfo = ChosenWorkArea;
    const struct {
        RECT ref;  // empty: no reference window
        int cx, cy;
        UINT flags;
        POINT at;
    } cases[] = {
        {{300, 200, 500, 300}, 200, 200, 0, {200, 100}},   // back from the right, then the bottom
        {{300, 200, 500, 300}, 200, 200, CW_NOCLAMP, {300, 150}},
        {{-100, -100, 0, 0}, 100, 100, 0, {0, 0}},         // from the left, then the top
        {{302, 0, 402, 300}, 100, 100, 0, {302, 100}},     // 2 pixels out: within the slack of 4
        {{0, 250, 400, 290}, 100, 100, CW_NOTABOVEREF, {150, 250}},  // up into the area, down to the reference
        {{0, 0, 0, 0}, 100, 100, 0, {150, 100}},           // the work area's centre
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.at.x * 1000 + c.at.y);
        HWND ref = IsRectEmpty(&c.ref) ? nullptr
                                       : CreateWindowExA(0, "STATIC", "", WS_POPUP, c.ref.left, c.ref.top,
                                                         c.ref.right - c.ref.left, c.ref.bottom - c.ref.top,
                                                         nullptr, nullptr, nullptr, nullptr);
        HWND w = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, c.cx, c.cy, nullptr, nullptr, nullptr, nullptr);
        CenterWindow(w, ref, c.flags);
        RECT rc;
        GetWindowRect(w, &rc);
        EXPECT_EQ(c.at.x, rc.left);
        EXPECT_EQ(c.at.y, rc.top);
        DestroyWindow(w);
        if (ref) DestroyWindow(ref);
    }
    g_pfnSystemParametersInfo = SystemParametersInfoA;
}

TEST(CreateFontEx, WeightByTheExactValueOfItsThreeBits)
{
    const struct {
        DWORD bits;
        LONG weight;
    } cases[] = {{0, 0}, {0x100, 700}, {0x200, 900}, {0x400, 300}, {0x300, 0}, {0x500, 0}, {0x700, 0}};
    for (const auto& c : cases) {
        UniqueFont font(CreateFontEx(" ", 12, 0, c.bits | FONT_ITALIC));
        LOGFONTA lf = {};
        GetObjectA(font.Get(), sizeof(lf), &lf);
        EXPECT_EQ(c.weight, lf.lfWeight) << std::hex << c.bits;
        EXPECT_TRUE(lf.lfItalic);
        EXPECT_STREQ("", lf.lfFaceName);  // a blank face is left to the system
    }
}
