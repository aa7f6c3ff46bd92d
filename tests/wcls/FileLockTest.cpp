// FileLockTest.cpp - lock files between processes: shared and exclusive
// holders, time-outs, failures that are not worth waiting for.
#include <gtest/gtest.h>

#include "common/BoxWatcher.h"
#include "common/ChildProcess.h"
#include "common/TempDir.h"
#include "wcls/ErrorReport.h"
#include "wcls/FileLock.h"

CHILD_SCENARIO(HoldSharedLock)
{
    std::string path = ChildParam("LOCK_PATH");
    FileLock lock;
    if (!lock.Lock(String(path.c_str()), LOCK_SHARED | LOCK_DELETE, 1000, 50)) ExitProcess(2);
    WriteFileBytes(path + "." + ChildParam("LOCK_TAG"), "");
    Sleep(20000);
}

TEST(FileLock, SharedHoldersCoexistAndKeepExclusiveOnesOut)
{
    TempDir dir;
    std::string path = dir.File("表.ENV.lc$");
    SetChildParam("LOCK_PATH", path);
    SetChildParam("LOCK_TAG", "one");
    RunningChild one("HoldSharedLock");
    ASSERT_TRUE(WaitForFile(path + ".one"));
    SetChildParam("LOCK_TAG", "two");
    RunningChild two("HoldSharedLock");
    ASSERT_TRUE(WaitForFile(path + ".two"));

    FileLock exclusive;
    DWORD start = GetTickCount();
    EXPECT_FALSE(exclusive.Lock(String(path.c_str()), LOCK_DELETE, 300, 50));
    EXPECT_GE(GetTickCount() - start, 300u);
    EXPECT_TRUE(exclusive.Flags() & LOCK_WAITING);  // the time ran out: no report
    EXPECT_FALSE(exclusive.IsHeld());

    FileLock shared;
    EXPECT_TRUE(shared.Lock(String(path.c_str()), LOCK_SHARED, 300, 50));
    EXPECT_TRUE(shared.Flags() & LOCK_WAITING);  // stays set on success
}

TEST(FileLock, HeldLocksKeepTheirNameAndReleaseDeletesTheFile)
{
    TempDir dir;
    String first(dir.File("a.lc$").c_str()), second(dir.File("b.lc$").c_str());
    {
        FileLock lock;
        ASSERT_TRUE(lock.Lock(first, LOCK_DELETE, 0, 100));
        EXPECT_TRUE(lock.Lock(second, LOCK_SHARED, 0, 100));  // already held: unchanged
        EXPECT_STREQ(first.CStr(), lock.Name().CStr());
        EXPECT_TRUE(GetFileAttributesA(first.CStr()) & FILE_ATTRIBUTE_HIDDEN);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(second.CStr()));

        // Exclusive: a second holder in this process is kept out too, after
        // one attempt when the time-out is 0.
        FileLock other;
        EXPECT_FALSE(other.Lock(first, 0, 0, 10));
        EXPECT_TRUE(other.Flags() & LOCK_WAITING);
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(first.CStr()));  // deleted with the lock

    FileLock keep;
    ASSERT_TRUE(keep.Lock(second, 0, 0, 100));
    keep.Unlock();
    keep.Unlock();  // not held: nothing happens
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(second.CStr()));  // no LOCK_DELETE: stays
    // A file left behind (a holder that crashed) is simply opened again.
    EXPECT_TRUE(keep.Lock(second, LOCK_DELETE, 0, 100));
}

TEST(FileLock, MissingFolderFailsAtOnceWithItsMessage)
{
    StartErrorThread();
    BoxWatcher boxes;
    TempDir dir;
    std::string path = dir.File("missing\\x.lc$");
    FileLock lock;
    DWORD start = GetTickCount();
    EXPECT_FALSE(lock.Lock(String(path.c_str()), LOCK_DELETE, 5000, 100));
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_FALSE(lock.Flags() & LOCK_WAITING);
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ("パスまたはファイルを見つけることができません。\n\nファイル " + path + " をオープンできません.",
              boxes.Boxes()[0].text);
    StopErrorThread();
}

CHILD_SCENARIO(LockWithBadFlags)
{
    FileLock lock;
    lock.Lock(String("x"), LOCK_WAITING, 0, 0);
}

TEST(FileLock, UnknownOptionsAreAnInternalError)
{
    ChildResult r = RunChildScenario("LockWithBadFlags");
    ASSERT_EQ(1u, r.boxes.size());
    EXPECT_NE(std::string::npos, r.boxes[0].text.find("\r\nwcls/filelock "));
    EXPECT_NE(std::string::npos, r.boxes[0].text.find("\r\n(flags & ~0x0BuL)==0"));
}
