// RunningMarks.h - the marks of a running application, which the setup
// program honours: the running mutex and the version-8 lock file.
#pragma once

#include "wcls/Data.h"
#include "wcls/FileLock.h"
#include "wcls/Handles.h"

// Held for the program's whole life; the lock file goes first (its file is
// deleted), then the running mutex.
struct RunningMarks {
    UniqueHandle running;
    SafePtr<FileLock> lock;
};

// Claims the running mutex (refused while a setup runs) and then the lock
// file in the all-users data folder commonAppData (folder form). Reports
// why it refuses and returns false.
bool TakeRunningMarks(const String& commonAppData, RunningMarks* marks);
