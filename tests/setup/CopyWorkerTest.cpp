// CopyWorkerTest.cpp - the copy engine's worker thread: a wait ends only
// once the job started last has ended, however quickly jobs follow.
#include <gtest/gtest.h>

#include "setup/CopyWorker.h"

namespace {

struct Job {
    DWORD spin;            // loops before the job ends
    volatile LONG ended;
};

void RunJob(void* arg)
{
    Job* job = static_cast<Job*>(arg);
    for (volatile DWORD i = 0; i < job->spin; i = i + 1) {
    }
    if (job->spin % 7 == 0) Sleep(1);
    InterlockedExchange(&job->ended, 1);
}

}  // namespace

TEST(CopyWorker, AWaitEndsOnlyOnceTheLastJobHasEnded)
{
    CopyWorker worker;
    EXPECT_TRUE(worker.Wait(0));  // nothing started
    static Job jobs[2000];
    for (int i = 0; i < 2000; ++i) {
        jobs[i] = Job{(DWORD)(i * 7919 % 5000), 0};
        worker.Start(RunJob, &jobs[i]);
        // Now and then the job is still running when its wait starts; the
        // rest have ended already (the event of the one before may be set).
        if (i % 3 == 0) worker.Wait(0);
        ASSERT_TRUE(worker.Wait(INFINITE));
        ASSERT_EQ(1, jobs[i].ended) << i;
    }
    Job slow{0, 0};
    worker.Start([](void* arg) { Sleep(200); InterlockedExchange(&static_cast<Job*>(arg)->ended, 1); }, &slow);
    EXPECT_FALSE(worker.Wait(10));
    EXPECT_TRUE(worker.Wait(INFINITE));
    EXPECT_EQ(1, slow.ended);
}
