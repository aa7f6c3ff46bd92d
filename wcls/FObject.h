// FObject.h - roots of the library's object tree and the counted pointer.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <new>

// Every library object comes from the library's allocator, zero-filled, so
// members a constructor does not set start at 0; running out of memory is
// reported and ends the process, so `new` never yields null.
class FObject {
public:
    FObject() {}
    virtual ~FObject() {}

    static void* operator new(size_t size);
    static void* operator new(size_t, void* place) noexcept { return place; }
    static void operator delete(void* p) noexcept;
    static void operator delete(void*, void*) noexcept {}

    FObject(const FObject&) = delete;
    FObject& operator=(const FObject&) = delete;
};

// A reference-counted object: it dies with the last counted pointer.
class SafeObject : public FObject {
public:
    SafeObject() : m_nRef(0) {}
    virtual ~SafeObject() {}
    virtual void BeforeDelete() {}

    void AddRef() { ++m_nRef; }
    void Release() {
        if (--m_nRef == 0) {
            BeforeDelete();
            delete this;
        }
    }
    int32_t RefCount() const { return m_nRef; }

private:
    int32_t m_nRef;
};

// Counted pointer to a SafeObject (or a class derived from it).
template <class T>
class SafePtr {
public:
    SafePtr() : m_p(nullptr) {}
    SafePtr(T* p) : m_p(p) { if (m_p) m_p->AddRef(); }
    SafePtr(const SafePtr& o) : m_p(o.m_p) { if (m_p) m_p->AddRef(); }
    ~SafePtr() { Release(); }

    // The new object is counted before the old one is let go, so assigning
    // the object a holder already holds never deletes it on the way.
    SafePtr& operator=(T* p) {
        if (p) p->AddRef();
        T* old = m_p;
        m_p = p;
        if (old) old->Release();
        return *this;
    }
    SafePtr& operator=(const SafePtr& o) { return *this = o.m_p; }

    void Release() {
        T* old = m_p;
        m_p = nullptr;
        if (old) old->Release();
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p;
};
