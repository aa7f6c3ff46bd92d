// RunningMarks.cpp - the application's side of the start-up protocol that
// it shares with the setup program.
#include "RunningMarks.h"

#include "StandInTexts.h"
#include "wcls/ErrorReport.h"

namespace {

const DWORD kLockTimeout = 1000;
const DWORD kLockInterval = 100;

// Opens the running mutex unless a setup has marked itself running. Both
// happen under the serialising mutex, so a setup's test of the running
// mutex and the creation of its own mark cannot interleave with ours.
bool ClaimRunningMutex(UniqueHandle* running, bool* setupRunning)
{
    *setupRunning = false;
    SetLastError(0);
    UniqueHandle serialize(CreateMutexA(nullptr, FALSE, StandInText::kMutexSerialize));
    if (!serialize) {
        ReportSystemCode(ERR_SYSTEM, GetLastError(), StandInText::kMutexFailed, 0);
        return false;
    }
    while (WaitForSingleObject(serialize.Get(), INFINITE) == WAIT_TIMEOUT) {
    }
    UniqueHandle setup(OpenMutexA(SYNCHRONIZE, FALSE, StandInText::kMutexSetupRunning));
    DWORD err = 0;
    if (setup) {
        *setupRunning = true;
    } else {
        SetLastError(0);
        running->Reset(CreateMutexA(nullptr, FALSE, StandInText::kMutexAppRunning));
        err = GetLastError();
    }
    ReleaseMutex(serialize.Get());
    // Nothing that waits for the user happens while the serialising mutex is
    // owned: a setup waits for it without a time-out.
    if (*setupRunning) return false;
    if (!*running) {
        ReportSystemCode(ERR_SYSTEM, err, StandInText::kMutexFailed, 0);
        return false;
    }
    return true;
}

}  // namespace

bool TakeRunningMarks(const String& commonAppData, RunningMarks* marks)
{
    bool setupRunning = false;
    if (!ClaimRunningMutex(&marks->running, &setupRunning)) {
        if (setupRunning) ShowMessage(nullptr, StandInText::kSetupRunning, nullptr, MB_OK | MB_ICONHAND);
        return false;
    }
    // Held open without sharing: a setup's exclusive open of it fails.
    marks->lock = new FileLock;
    String path = commonAppData + String(StandInText::kLockFile);
    if (!marks->lock->Lock(path, LOCK_DELETE | LOCK_OPENACCESS, kLockTimeout, kLockInterval)) {
        if (marks->lock->Flags() & LOCK_WAITING)
            ShowMessage(nullptr, StandInText::kLockedByOther, nullptr, MB_OK | MB_ICONHAND);
        return false;
    }
    return true;
}
