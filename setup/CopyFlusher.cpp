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
    m_queue.push_back(path);
    LeaveCriticalSection(&m_lock);
    if (!m_wake) m_wake.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!m_thread) m_thread.Reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
    if (m_wake) SetEvent(m_wake.Get());
    if (!m_thread) Work();  // no thread: flushed here, as before
}

bool CopyFlusher::Busy()
{
    EnterCriticalSection(&m_lock);
    bool busy = m_done < m_queue.size();
    LeaveCriticalSection(&m_lock);
    return busy;
}

bool CopyFlusher::Finish(String* failed, DWORD* err)
{
    EnterCriticalSection(&m_lock);
    m_stop = true;
    LeaveCriticalSection(&m_lock);
    if (m_thread) {
        SetEvent(m_wake.Get());
        WaitForSingleObject(m_thread.Get(), INFINITE);
        m_thread.Close();
    }
    Work();  // whatever the thread left
    EnterCriticalSection(&m_lock);
    *failed = m_failed;
    *err = m_err;
    bool ok = m_failed.IsEmpty();
    m_queue.clear();
    m_next = 0;
    m_done = 0;
    m_stop = false;
    m_failed = String();
    m_err = 0;
    LeaveCriticalSection(&m_lock);
    return ok;
}

DWORD WINAPI CopyFlusher::Run(void* self)
{
    CopyFlusher* flusher = static_cast<CopyFlusher*>(self);
    for (;;) {
        flusher->Work();
        EnterCriticalSection(&flusher->m_lock);
        bool stop = flusher->m_stop && flusher->m_next == flusher->m_queue.size();
        LeaveCriticalSection(&flusher->m_lock);
        if (stop) return 0;
        WaitForSingleObject(flusher->m_wake.Get(), INFINITE);
    }
}

bool CopyFlusher::Take(String* path)
{
    EnterCriticalSection(&m_lock);
    bool any = m_next < m_queue.size();
    // A copy of its own: the thread shares no text with the queue.
    if (any) *path = String(m_queue[m_next++].CStr());
    LeaveCriticalSection(&m_lock);
    return any;
}

// Opened anew with every sharing allowed: the setup may meanwhile set the
// file aside or remove it.
void CopyFlusher::Work()
{
    String path;
    while (Take(&path)) {
        UniqueFile file(CreateFileA(path.CStr(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
        DWORD err = file ? 0 : GetLastError();
        if (file && !FlushFileBuffers(file.Get())) err = GetLastError();
        bool failed = err != 0 && ClassifyError(err) != ECLASS_NOTFOUND;
        EnterCriticalSection(&m_lock);
        if (failed && m_failed.IsEmpty()) {
            m_failed = path;
            m_err = err;
        }
        ++m_done;
        LeaveCriticalSection(&m_lock);
    }
}
