// CopyWorker.h - runs one job at a time on a thread of its own, so that the
// copy engine can make the next file ready while the bytes of this one are
// being written. The job's function touches only what its argument holds
// (handles and plain data): the library's String is not shared between
// threads.
#pragma once

#include <windows.h>

#include "wcls/Handles.h"

class CopyWorker {
public:
    CopyWorker() = default;
    ~CopyWorker();

    // Starts fn(arg) on the thread once the job before has ended; runs it
    // here and now when no thread can be made.
    void Start(void (*fn)(void*), void* arg);
    // Waits at most `ms` for the job started last; true once it has ended
    // (or when there was none). With `input`, new input for the thread's
    // windows ends the wait too (false), so that it is answered at once.
    bool Wait(DWORD ms, bool input = false);
    // Waits for the last job and ends the thread (made again by the next
    // Start): its memory goes back while the run does other things.
    void Stop();

    CopyWorker(const CopyWorker&) = delete;
    CopyWorker& operator=(const CopyWorker&) = delete;

private:
    static DWORD WINAPI Run(void* self);

    void (*m_fn)(void*) = nullptr;
    void* m_arg = nullptr;
    volatile LONG m_started = 0;   // jobs handed to the thread
    volatile LONG m_finished = 0;  // the last of them that has ended
    bool m_quit = false;
    UniqueHandle m_go;    // auto-reset: a job, or the end
    UniqueHandle m_done;  // auto-reset: a job has ended
    UniqueHandle m_thread;
};
