// CopyFlusher.h - puts copied files on the disk from a thread of its own
// while the next ones are being made, so that durability costs no wait per
// file; the install waits for it once, before its records say that the
// installation is there.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "wcls/Data.h"
#include "wcls/Handles.h"

class CopyFlusher {
public:
    CopyFlusher();
    ~CopyFlusher();

    // Queues a copy (closed, in a folder only administrators write to).
    void Add(const String& path);
    // Waits until every queued copy is on the disk. False when one could not
    // be flushed: *failed names it and *err says why. A copy that is no
    // longer there (a later entry removed it) counts as done. With
    // `abandon`, what is still queued is dropped instead (a run being undone).
    bool Finish(String* failed, DWORD* err, bool abandon = false);
    // Copies were queued since the last Finish (one may still be open here).
    bool Pending();

    CopyFlusher(const CopyFlusher&) = delete;
    CopyFlusher& operator=(const CopyFlusher&) = delete;

private:
    static DWORD WINAPI Run(void* self);
    void Work(bool retryHeld);
    bool Take(std::string* path);

    // The thread sees only these (plain strings: the library's String is
    // not shared between threads), under the lock.
    CRITICAL_SECTION m_lock;
    std::vector<std::string> m_queue;
    std::vector<std::string> m_held;  // open elsewhere when their turn came: again at the end
    size_t m_next = 0;
    bool m_stop = false;
    bool m_idle = true;  // the thread waits (or is not there yet): a copy queued wakes it
    std::string m_failed;
    DWORD m_err = 0;

    UniqueHandle m_wake;  // auto-reset: something was queued, or stop
    UniqueHandle m_thread;
};
