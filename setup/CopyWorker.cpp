// CopyWorker.cpp - one job at a time on a thread of its own.
#include "CopyWorker.h"

CopyWorker::~CopyWorker()
{
    // A thread that ended with the process has nothing left to wait for.
    if (!m_thread || WaitForSingleObject(m_thread.Get(), 0) == WAIT_OBJECT_0) return;
    Stop();
}

void CopyWorker::Stop()
{
    if (!m_thread) return;
    Wait(INFINITE);
    m_quit = true;
    SetEvent(m_go.Get());
    WaitForSingleObject(m_thread.Get(), INFINITE);
    m_thread.Close();
    m_quit = false;
}

void CopyWorker::Start(void (*fn)(void*), void* arg)
{
    Wait(INFINITE);
    if (!m_thread) {
        m_go.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
        m_done.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
        if (m_go && m_done) m_thread.Reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
        if (!m_thread) {
            fn(arg);
            return;
        }
    }
    m_fn = fn;
    m_arg = arg;
    InterlockedIncrement(&m_started);
    SetEvent(m_go.Get());
}

bool CopyWorker::Wait(DWORD ms, bool input)
{
    // The jobs are counted: the event may still be set from a job that ended
    // before the last one started. Most jobs have ended by the time they are
    // waited for, and then no wait is needed.
    for (;;) {
        if (InterlockedCompareExchange(&m_finished, 0, 0) == InterlockedCompareExchange(&m_started, 0, 0))
            return true;
        HANDLE done = m_done.Get();
        DWORD ended = input ? MsgWaitForMultipleObjects(1, &done, FALSE, ms, QS_ALLINPUT)
                            : WaitForSingleObject(done, ms);
        if (ended != WAIT_OBJECT_0) return false;
    }
}

DWORD WINAPI CopyWorker::Run(void* self)
{
    CopyWorker* worker = static_cast<CopyWorker*>(self);
    for (;;) {
        if (WaitForSingleObject(worker->m_go.Get(), INFINITE) != WAIT_OBJECT_0 || worker->m_quit) return 0;
        LONG job = InterlockedCompareExchange(&worker->m_started, 0, 0);
        worker->m_fn(worker->m_arg);
        InterlockedExchange(&worker->m_finished, job);
        SetEvent(worker->m_done.Get());
    }
}
