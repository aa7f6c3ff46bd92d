// ServiceWndTest.cpp - the service window: counted life, colour changes, the report queue.
#include <gtest/gtest.h>

#include "WndTestKit.h"
#include "common/BoxWatcher.h"
#include "wcls/ColorObj.h"
#include "wcls/ErrorReport.h"
#include "wcls/ModalLoop.h"
#include "wcls/ServiceWnd.h"

namespace {

class ServiceWndTest : public WindowTest {
protected:
    void SetUp() override { WindowTest::SetUp(); StartService(); }
    void TearDown() override
    {
        while (ServiceUsers() > 0) StopService();
        EXPECT_EQ(nullptr, GetReportHook());  // removed with the window
    }
};

}  // namespace

TEST_F(ServiceWndTest, CountedHiddenWindowPassingColourChangesOn)
{
    HWND hwnd = g_hwndService;
    EXPECT_FALSE(IsWindowVisible(hwnd));
    SafePtr<FColorObj> colorObj(new FColorObj);  // a second service user
    colorObj->Connect(nullptr, [](void*, void*, LPARAM) { g_log.Add("colors"); return 1; });
    SendMessageA(hwnd, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_CALLS("colors");
    colorObj = nullptr;
    EXPECT_TRUE(IsWindow(hwnd));
    StopService();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(nullptr, g_hwndService);
    StartService();  // gone behind the count's back: made again by the next start
    DestroyWindow(g_hwndService);
    StartService();
    EXPECT_TRUE(IsWindow(g_hwndService));
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
    ReportMessage("最後の報告", "");  // what waits when the service window goes: on the error thread
    DestroyWnd(work);
    StopService();
    ASSERT_TRUE(boxes.WaitFor(5));
    EXPECT_EQ("先の報告", boxes.Boxes()[2].text);
    EXPECT_EQ("後の質問", boxes.Boxes()[3].text);
    EXPECT_EQ("最後の報告", boxes.Boxes()[4].text);
    EXPECT_NE(GetCurrentThreadId(), boxes.Boxes()[4].threadId);
}
