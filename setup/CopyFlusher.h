// CopyFlusher.h - puts copied files on the disk from a thread of its own
// while the next ones are being made, so that durability costs no wait per
// file; the install waits for it once, before its records say that the
// installation is there.
#pragma once

#include <windows.h>

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
    // longer there (a later entry removed it) counts as done.
    bool Finish(String* failed, DWORD* err);
    // Something is queued or being flushed.
    bool Busy();

    CopyFlusher(const CopyFlusher&) = delete;
    CopyFlusher& operator=(const CopyFlusher&) = delete;

private:
    static DWORD WINAPI Run(void* self);
    void Work();
    bool Take(String* path);

    CRITICAL_SECTION m_lock;
    UniqueHandle m_wake;    // auto-reset: something was queued, or stop
    UniqueHandle m_thread;
    std::vector<String> m_queue;
    size_t m_next = 0;  // the next to take
    size_t m_done = 0;  // flushed (or failed)
    bool m_stop = false;
    String m_failed;
    DWORD m_err = 0;
};
