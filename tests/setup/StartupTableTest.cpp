// StartupTableTest.cpp - the library start-up steps of the program: what
// they leave in place, and their shutdown at process exit.
#include <gtest/gtest.h>

#include <stdlib.h>

#include "common/ChildProcess.h"
#include "setup/StartupTable.h"
#include "wcls/ColorObj.h"
#include "wcls/ErrorReport.h"
#include "wcls/Font.h"
#include "wcls/LibStartup.h"
#include "wcls/ServiceWnd.h"

// Exits with the number of the first check that failed; otherwise shows a
// queued report, a box, queues one more report and exits with 0.
CHILD_SCENARIO(StartupStepsInPlace)
{
    if (!RunStartupSteps(GetModuleHandleA(nullptr))) exit(1);
    if (!g_pServiceWnd || !IsWindow(g_hwndService) || ServiceUsers() != 2) exit(2);
    if (GetReportHook() != QueueReport || GetFlushHook() != ShowQueuedReports) exit(3);
    if (!g_pColorObj || !g_fstock) exit(4);
    if (StockFont(FONT_STOCK_SYSTEM)->Handle() != GetStockObject(SYSTEM_FONT)) exit(5);
    if (StockFont(FONT_STOCK_FIXED)->Handle() != GetStockObject(SYSTEM_FIXED_FONT)) exit(6);
    if ((g_dwLibOption & LIBOPT_CONTROLS) != LIBOPT_CONTROLS || g_bImeControl != 1) exit(7);

    ReportMessage("待っていた報告", "");
    ShowMessage(nullptr, "質問", nullptr, MB_OK);
    // Left in the queue: the shutdown shows it when the service window goes.
    ReportMessage("終了時の報告", "");
    exit(0);
}

TEST(StartupSteps, LeaveTheServiceAndItsHooksInPlaceAndShowWhatWaitsAtExit)
{
    ChildResult r = RunChildScenario("StartupStepsInPlace");
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(0u, r.exitCode);
    ASSERT_EQ(3u, r.boxes.size());
    EXPECT_EQ("待っていた報告", r.boxes[0].text);
    EXPECT_EQ("Zuntoria Ver.８ セットアップ", r.boxes[0].title);
    EXPECT_EQ("質問", r.boxes[1].text);
    EXPECT_EQ("終了時の報告", r.boxes[2].text);
}
