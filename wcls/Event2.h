// Event2.h - an object with observers: handlers called in order when it
// fires, and connections that follow their source and leave it when they go.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "FObject.h"

class Event2;
class EventConnection;

// A handler gets its context and the two arguments of the firing; returning
// 0 stops the walk over the remaining handlers.
typedef int (*Event2Handler)(void* context, void* arg1, LPARAM arg2);

class Event2 : public SafeObject {
public:
    Event2();
    ~Event2() override;
    // The object's state is consistent; Commit fires only when it is.
    virtual int Validate() { return 1; }

    // A null handler is ignored.
    void Connect(void* context, Event2Handler handler, EventConnection* connection = nullptr);
    // Removes the last entry equal in all three.
    void Disconnect(void* context, Event2Handler handler, EventConnection* connection = nullptr);
    // Calls the handlers in order; 0 when one of them returned 0.
    int Fire(void* arg1, LPARAM arg2);
    // Validates and, when marked changed, fires (this, 0) and clears the mark.
    int Commit();

    void SetChanged() { m_bChanged = 1; }
    bool IsChanged() const { return m_bChanged != 0; }
    uint32_t FireCount() const { return m_dwFire; }
    int HandlerCount() const { return m_nCount; }

private:
    friend class EventConnection;
    struct Entry {
        void* context;
        Event2Handler handler;
        EventConnection* connection;
    };

    uint32_t m_dwFire;  // 1 after construction, incremented by each firing
    uint8_t m_bChanged;
    Entry* m_pEntries;
    int m_nCount;
    int m_nCapacity;
};

// One handler connected to one source at a time. Pointing it at a new source
// leaves the previous one; destroying it leaves its source; a source that
// goes first leaves it pointing at none.
class EventConnection {
public:
    EventConnection(Event2Handler handler, void* context)
        : m_pSource(nullptr), m_pfnHandler(handler), m_pContext(context) {}
    ~EventConnection() { SetSource(nullptr); }

    void SetSource(Event2* source);
    Event2* Source() const { return m_pSource; }

    EventConnection(const EventConnection&) = delete;
    EventConnection& operator=(const EventConnection&) = delete;

private:
    friend class Event2;
    Event2* m_pSource;
    Event2Handler m_pfnHandler;
    void* m_pContext;
};
