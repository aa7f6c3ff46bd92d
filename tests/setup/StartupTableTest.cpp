// StartupTableTest.cpp - the library start-up steps of the program: the
// report hooks in place, and the shutdown at process exit.
#include <gtest/gtest.h>

#include <stdlib.h>

#include "common/ChildProcess.h"
#include "setup/StartupTable.h"
#include "wcls/ErrorReport.h"

// A report waits for the next box; one left is shown when the service window goes.
CHILD_SCENARIO(StartupStepsInPlace)
{
    if (!RunStartupSteps(GetModuleHandleA(nullptr))) exit(1);
    ReportMessage("待っていた報告", "");
    ShowMessage(nullptr, "質問", nullptr, MB_OK);
    ReportMessage("終了時の報告", "");
    exit(0);
}

TEST(StartupSteps, LeaveTheReportQueueInPlaceAndShowWhatWaitsAtExit)
{
    ChildResult r = RunChildScenario("StartupStepsInPlace");
    EXPECT_EQ(0u, r.exitCode);
    ASSERT_EQ(3u, r.boxes.size());
    EXPECT_EQ("待っていた報告", r.boxes[0].text);
    EXPECT_EQ("Zuntoria Ver.８ セットアップ", r.boxes[0].title);
    EXPECT_EQ("質問", r.boxes[1].text);
    EXPECT_EQ("終了時の報告", r.boxes[2].text);
}
