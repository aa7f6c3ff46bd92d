// Event2.cpp - observers of an object.
#include "Event2.h"

#include <string.h>

#include "ErrorReport.h"
#include "Memory.h"

static const char kFireOverflow[] = "時刻がオーバーフローしました";

Event2::Event2()
    : m_dwFire(1), m_bChanged(0), m_pEntries(nullptr), m_nCount(0), m_nCapacity(0)
{
}

Event2::~Event2()
{
    // The connections outlive us: they must not leave a source that is gone.
    for (int i = 0; i < m_nCount; ++i) {
        EventConnection* c = m_pEntries[i].connection;
        if (c && c->m_pSource == this) c->m_pSource = nullptr;
    }
    MemFree(m_pEntries);
}

void Event2::Connect(void* context, Event2Handler handler, EventConnection* connection)
{
    if (!handler) return;
    if (m_nCount == m_nCapacity) {
        m_pEntries = static_cast<Entry*>(MemRealloc(m_pEntries, sizeof(Entry) * (m_nCapacity + 1)));
        ++m_nCapacity;
    }
    m_pEntries[m_nCount++] = Entry{context, handler, connection};
}

void Event2::Disconnect(void* context, Event2Handler handler, EventConnection* connection)
{
    for (int i = m_nCount - 1; i >= 0; --i) {
        const Entry& e = m_pEntries[i];
        if (e.context == context && e.handler == handler && e.connection == connection) {
            memmove(&m_pEntries[i], &m_pEntries[i + 1], sizeof(Entry) * (m_nCount - i - 1));
            --m_nCount;
            return;
        }
    }
}

int Event2::Fire(void* arg1, LPARAM arg2)
{
    if (m_dwFire == 0xFFFFFFFFu) ReportKind(ERR_FATAL, kFireOverflow);
    ++m_dwFire;
    // A handler may connect or disconnect while we walk: re-read the count.
    for (int i = 0; i < m_nCount; ++i) {
        Entry e = m_pEntries[i];
        if (!e.handler(e.context, arg1, arg2)) return 0;
    }
    return 1;
}

int Event2::Commit()
{
    if (!Validate()) return 0;
    if (m_bChanged) {
        if (!Fire(this, 0)) return 0;
        m_bChanged = 0;
    }
    return 1;
}

void EventConnection::SetSource(Event2* source)
{
    if (source == m_pSource) return;
    if (m_pSource) m_pSource->Disconnect(m_pContext, m_pfnHandler, this);
    m_pSource = source;
    if (m_pSource) m_pSource->Connect(m_pContext, m_pfnHandler, this);
}
