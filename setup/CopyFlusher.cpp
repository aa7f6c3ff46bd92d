// CopyFlusher.cpp - copied files put on the disk by a thread of their own.
#include "CopyFlusher.h"

#include "TARVO5/DosError.h"

CopyFlusher::CopyFlusher()
{
    InitializeCriticalSection(&m_lock);
}

CopyFlusher::~CopyFlusher()
{
    String failed;
    DWORD err;
    Finish(&failed, &err);
    DeleteCriticalSection(&m_lock);
}

void CopyFlusher::Add(const String& path)
{
    EnterCriticalSection(&m_lock);
    m_queue.push_back(path.CStr());
    // A thread at work takes the new copy without being woken.
    bool wake = m_idle;
    m_idle = false;
    LeaveCriticalSection(&m_lock);
    if (!m_wake) m_wake.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (m_wake && !m_thread) m_thread.Reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
    if (!m_thread)
        Work(false);  // no thread: flushed here and now
    else if (wake)
        SetEvent(m_wake.Get());
}

bool CopyFlusher::Pending()
{
    EnterCriticalSection(&m_lock);
    bool pending = !m_queue.empty();
    LeaveCriticalSection(&m_lock);
    return pending;
}

bool CopyFlusher::Finish(String* failed, DWORD* err, bool abandon)
{
    EnterCriticalSection(&m_lock);
    m_stop = true;
    if (abandon) m_next = m_queue.size();
    LeaveCriticalSection(&m_lock);
    if (m_thread) {
        SetEvent(m_wake.Get());
        WaitForSingleObject(m_thread.Get(), INFINITE);
        m_thread.Close();
    }
    if (!abandon) {
        Work(false);  // whatever the thread left
        // Held by this setup when their turn came: free now.
        EnterCriticalSection(&m_lock);
        m_queue.insert(m_queue.end(), m_held.begin(), m_held.end());
        m_held.clear();
        LeaveCriticalSection(&m_lock);
        Work(true);
    }
    *failed = String(m_failed.c_str());
    *err = m_err;
    bool ok = m_failed.empty();
    m_queue.clear();
    m_held.clear();
    m_next = 0;
    m_stop = false;
    m_idle = true;
    m_failed.clear();
    m_err = 0;
    return ok;
}

DWORD WINAPI CopyFlusher::Run(void* self)
{
    CopyFlusher* flusher = static_cast<CopyFlusher*>(self);
    for (;;) {
        flusher->Work(false);
        EnterCriticalSection(&flusher->m_lock);
        bool idle = flusher->m_next == flusher->m_queue.size();
        bool stop = flusher->m_stop && idle;
        // Set under the lock: a copy queued from here on wakes the thread
        // (the event stays set if that happens before the wait).
        flusher->m_idle = idle;
        LeaveCriticalSection(&flusher->m_lock);
        if (stop) return 0;
        if (idle && WaitForSingleObject(flusher->m_wake.Get(), INFINITE) != WAIT_OBJECT_0) return 0;
    }
}

bool CopyFlusher::Take(std::string* path)
{
    EnterCriticalSection(&m_lock);
    bool any = m_next < m_queue.size();
    if (any) *path = m_queue[m_next++];
    LeaveCriticalSection(&m_lock);
    return any;
}

// Opened anew with every sharing allowed: the setup may meanwhile set the
// file aside or remove it. One that this setup holds open (written again)
// waits for the end.
void CopyFlusher::Work(bool retryHeld)
{
    std::string path;
    while (Take(&path)) {
        DWORD err = 0;
        {
            UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        0, nullptr));
            if (!file)
                err = GetLastError();
            else if (!FlushFileBuffers(file.Get()))
                err = GetLastError();
        }
        if (err == 0 || ClassifyError(err) == ECLASS_NOTFOUND) continue;
        EnterCriticalSection(&m_lock);
        if (err == ERROR_SHARING_VIOLATION && !retryHeld) {
            m_held.push_back(path);
        } else if (m_failed.empty()) {
            m_failed = path;
            m_err = err;
        }
        LeaveCriticalSection(&m_lock);
    }
}
