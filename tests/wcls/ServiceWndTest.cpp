// ServiceWndTest.cpp - the service window: counted life, broadcasts as
// events, posted calls, deferred cursors, and the report queue.
#include <gtest/gtest.h>

#include "WndTestKit.h"
#include "common/BoxWatcher.h"
#include "wcls/ColorObj.h"
#include "wcls/ErrorReport.h"
#include "wcls/ModalLoop.h"
#include "wcls/ServiceWnd.h"

namespace {

class ServiceWndTest : public testing::Test {
protected:
    void SetUp() override
    {
        UseLibrary();
        PumpPending();
        g_log.Clear();
        StartService();
    }
    void TearDown() override
    {
        while (ServiceUsers() > 0) StopService();
        EXPECT_EQ(nullptr, g_pServiceWnd);
        EXPECT_EQ(nullptr, GetReportHook());
        g_log.Clear();
    }
};

int LogEvent(void* context, void* source, LPARAM arg)
{
    g_log.Add(std::string(static_cast<const char*>(context)) + (source == g_pServiceWnd ? " " : " other ") +
              std::to_string(arg));
    return 1;
}

}  // namespace

TEST_F(ServiceWndTest, CountedHiddenWindowTurningBroadcastsIntoEvents)
{
    HWND hwnd = g_hwndService;
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof(cls));
    EXPECT_STREQ("Wnd", cls);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    StartService();
    StopService();
    EXPECT_TRUE(IsWindow(hwnd));

    char sys[] = "syscolor", ini[] = "ini", clip[] = "clipboard", colors[] = "colors";
    g_pServiceWnd->m_evSysColor.Connect(sys, LogEvent);
    g_pServiceWnd->m_evIniChange.Connect(ini, LogEvent);
    g_pServiceWnd->m_evClipboard.Connect(clip, LogEvent);
    FColorObj* colorObj = new FColorObj;  // a second service user
    colorObj->AddRef();
    colorObj->Connect(colors, LogEvent);
    colorObj->Brush(COLOR_BTNFACE);
    SendMessageA(hwnd, WM_SETTINGCHANGE, 0, 11);
    SendMessageA(hwnd, WM_DRAWCLIPBOARD, 0, 0);
    SendMessageA(hwnd, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_CALLS("ini 11", "clipboard 0", "syscolor 0", "colors other 0");
    colorObj->Release();

    StopService();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(nullptr, g_hwndService);

    // Gone behind the count's back: made again by the next start.
    StartService();
    DestroyWindow(g_hwndService);
    StartService();
    EXPECT_TRUE(IsWindow(g_hwndService));
}

TEST_F(ServiceWndTest, PostedCallsAndDeferredCursorsWaitForTheLoop)
{
    PostServiceCall([](LPARAM arg) { g_log.Add("called " + std::to_string(arg)); }, 5);
    HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    SetCursorDeferred(wait);
    SetCursorDeferred(LoadCursorA(nullptr, IDC_CROSS));  // one already waits
    EXPECT_CALLS();
    EXPECT_NE(wait, GetCursor());
    PumpPending();
    EXPECT_CALLS("called 5");
    EXPECT_EQ(wait, GetCursor());
}

TEST_F(ServiceWndTest, QueuedReportsAreShownOnceAtTheNextTurnOfTheLoop)
{
    BoxWatcher boxes;
    SetReportHooks(QueueReport, ShowQueuedReports);
    TestWnd* work = new TestWnd("W");
    HWND hwnd = work->Create(nullptr, WS_POPUP | WS_VISIBLE);
    PumpPending();

    ReportMessage("同じ報告", "詳細");
    ReportMessage("同じ報告", "詳細");
    ReportMessage("ほかの報告", "");
    EXPECT_EQ(2, QueuedReportCount());
    Sleep(100);
    EXPECT_EQ(0u, boxes.Boxes().size());

    RunModalLoop(ML_PEEK, hwnd, nullptr);  // the loop's window owns the boxes
    ASSERT_TRUE(boxes.WaitFor(2));
    std::vector<SeenBox> seen = boxes.Boxes();
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ("詳細\n\n同じ報告", seen[0].text);
    EXPECT_EQ("ほかの報告", seen[1].text);
    EXPECT_EQ(hwnd, seen[0].owner);
    EXPECT_EQ("WndTest", seen[0].title);
    EXPECT_TRUE(IsWindowEnabled(hwnd));

    ReportMessage("先の報告", "");  // shown before the next box
    ShowMessage(nullptr, "後の質問", "題", MB_OK);
    ASSERT_TRUE(boxes.WaitFor(4));
    EXPECT_EQ("先の報告", boxes.Boxes()[2].text);
    EXPECT_EQ("後の質問", boxes.Boxes()[3].text);

    // What waits when the service window goes is shown on the error thread.
    ReportMessage("最後の報告", "");
    DestroyWnd(work);
    StopService();
    ASSERT_TRUE(boxes.WaitFor(5));
    EXPECT_EQ("最後の報告", boxes.Boxes()[4].text);
    EXPECT_NE(GetCurrentThreadId(), boxes.Boxes()[4].threadId);
    g_log.Clear();
}
