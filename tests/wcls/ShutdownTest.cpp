// ShutdownTest.cpp - routines registered for process exit run newest first.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include "common/ChildProcess.h"
#include "common/TempDir.h"
#include "wcls/Shutdown.h"

static void Note(const char* what)
{
    FILE* f = fopen(ChildParam("SHUTDOWN_LOG").c_str(), "ab");
    fputs(what, f);
    fclose(f);
}

CHILD_SCENARIO(ShutdownOrder)
{
    AddShutdown([] { Note("first "); });
    AddShutdown([] { Note("second "); });
    AddShutdown([] { Note("third "); });
    exit(7);
}

TEST(Shutdown, RoutinesRunAtExitInReverseOrder)
{
    TempDir dir;
    std::string log = dir.File("order.txt");
    SetChildParam("SHUTDOWN_LOG", log);
    ChildResult r = RunChildScenario("ShutdownOrder");
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(7u, r.exitCode);
    EXPECT_EQ("third second first ", ReadFileBytes(log));
}
