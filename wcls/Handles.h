// Handles.h - small owners for kernel, registry, GDI and COM handles, so a
// handle is closed on every path.
#pragma once

#include <windows.h>
#include "Lz32.h"
#include "SafeCreate.h"

template <class Traits>
class UniqueHolder {
public:
    typedef typename Traits::Type Type;

    UniqueHolder() : m_h(Traits::Invalid()) {}
    explicit UniqueHolder(Type h) : m_h(h) {}
    UniqueHolder(UniqueHolder&& o) noexcept : m_h(o.Detach()) {}
    UniqueHolder& operator=(UniqueHolder&& o) noexcept {
        if (this != &o) Reset(o.Detach());
        return *this;
    }
    ~UniqueHolder() { Close(); }

    UniqueHolder(const UniqueHolder&) = delete;
    UniqueHolder& operator=(const UniqueHolder&) = delete;

    Type Get() const { return m_h; }
    bool IsValid() const { return m_h != Traits::Invalid(); }
    explicit operator bool() const { return IsValid(); }

    // For calls that return the handle through an out parameter.
    Type* Put() { Close(); return &m_h; }

    void Reset(Type h = Traits::Invalid()) {
        Close();
        m_h = h;
    }
    Type Detach() {
        Type h = m_h;
        m_h = Traits::Invalid();
        return h;
    }
    // Returns whether closing worked (true when nothing was held).
    bool Close() {
        if (!IsValid()) return true;
        bool ok = Traits::Close(m_h);
        m_h = Traits::Invalid();
        return ok;
    }

private:
    Type m_h;
};

struct KernelHandleTraits {  // mutexes, events, threads: invalid is NULL
    typedef HANDLE Type;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return CloseHandle(h) != FALSE; }
};
struct FileHandleTraits {  // CreateFile: invalid is INVALID_HANDLE_VALUE
    typedef HANDLE Type;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return CloseHandle(h) != FALSE; }
};
struct FindHandleTraits {
    typedef HANDLE Type;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return FindClose(h) != FALSE; }
};
struct RegKeyTraits {
    typedef HKEY Type;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};
struct ModuleTraits {
    typedef HMODULE Type;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return FreeLibrary(h) != FALSE; }
};
struct LocalMemTraits {
    typedef HLOCAL Type;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return LocalFree(h) == nullptr; }
};
struct SidTraits {
    typedef PSID Type;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return FreeSid(h) == nullptr; }
};
template <class H>
struct GdiObjectTraits {  // deleted through the library, which counts them
    typedef H Type;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return LibDeleteObject(h) != FALSE; }
};
struct DcTraits {  // CreateDC, CreateIC, CreateCompatibleDC
    typedef HDC Type;
    static Type Invalid() { return nullptr; }
    static bool Close(Type h) { return DeleteDC(h) != FALSE; }
};

struct LzHandleTraits {  // LZInit, LZOpenFileA: a negative result is an error code, not a handle
    typedef INT Type;
    static Type Invalid() { return -1; }
    static bool Close(Type h) { LzClose(h); return true; }
};

struct CryptProvTraits {  // CryptAcquireContext
    typedef HCRYPTPROV Type;
    static Type Invalid() { return 0; }
    static bool Close(Type h) { return CryptReleaseContext(h, 0) != FALSE; }
};
struct CryptHashTraits {  // CryptCreateHash
    typedef HCRYPTHASH Type;
    static Type Invalid() { return 0; }
    static bool Close(Type h) { return CryptDestroyHash(h) != FALSE; }
};

typedef UniqueHolder<KernelHandleTraits> UniqueHandle;
typedef UniqueHolder<FileHandleTraits> UniqueFile;
typedef UniqueHolder<FindHandleTraits> UniqueFind;
typedef UniqueHolder<RegKeyTraits> UniqueRegKey;
typedef UniqueHolder<ModuleTraits> UniqueModule;
typedef UniqueHolder<LocalMemTraits> UniqueLocal;
typedef UniqueHolder<SidTraits> UniqueSid;
typedef UniqueHolder<DcTraits> UniqueDC;
typedef UniqueHolder<LzHandleTraits> UniqueLz;
typedef UniqueHolder<CryptProvTraits> UniqueCryptProv;
typedef UniqueHolder<CryptHashTraits> UniqueCryptHash;
typedef UniqueHolder<GdiObjectTraits<HFONT>> UniqueFont;
typedef UniqueHolder<GdiObjectTraits<HBRUSH>> UniqueBrush;
typedef UniqueHolder<GdiObjectTraits<HPEN>> UniquePen;
typedef UniqueHolder<GdiObjectTraits<HBITMAP>> UniqueBitmap;
typedef UniqueHolder<GdiObjectTraits<HRGN>> UniqueRegion;

// A window's DC from GetDC, given back with ReleaseDC.
class WindowDC {
public:
    WindowDC(HWND hwnd, HDC hdc) : m_hwnd(hwnd), m_hdc(hdc) {}
    ~WindowDC() { if (m_hdc) ReleaseDC(m_hwnd, m_hdc); }
    HDC Get() const { return m_hdc; }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

private:
    HWND m_hwnd;
    HDC m_hdc;
};

// A paint DC: the caller has run BeginPaint into ps; EndPaint on leaving.
class PaintDC {
public:
    PaintDC(HWND hwnd, PAINTSTRUCT* ps, HDC hdc) : m_hwnd(hwnd), m_ps(ps), m_hdc(hdc) {}
    ~PaintDC() { if (m_hdc) EndPaint(m_hwnd, m_ps); }
    HDC Get() const { return m_hdc; }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;

private:
    HWND m_hwnd;
    PAINTSTRUCT* m_ps;
    HDC m_hdc;
};

// Selects an object into a DC and puts the previous one back.
class SelectedObject {
public:
    SelectedObject(HDC hdc, HGDIOBJ obj) : m_hdc(hdc), m_old(SelectObject(hdc, obj)) {}
    ~SelectedObject() { if (m_old) SelectObject(m_hdc, m_old); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_old;
};

// A COM interface pointer, released on leaving.
template <class I>
class ComPtr {
public:
    ComPtr() : m_p(nullptr) {}
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    I* Get() const { return m_p; }
    I* operator->() const { return m_p; }
    I** Put() { Reset(); return &m_p; }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    void Reset() {
        if (m_p) m_p->Release();
        m_p = nullptr;
    }
    explicit operator bool() const { return m_p != nullptr; }

private:
    I* m_p;
};
