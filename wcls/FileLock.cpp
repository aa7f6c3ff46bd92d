// FileLock.cpp - locks held as open handles on hidden lock files.
#include "FileLock.h"

#include "Assert.h"
#include "LibTexts.h"
#include "OpenAccess.h"
#include "TARVO5/DosError.h"

FileLock::FileLock() : m_dwFlags(0), m_hFile(INVALID_HANDLE_VALUE)
{
}

FileLock::~FileLock()
{
    Unlock();
}

bool FileLock::Lock(const String& name, DWORD flags, DWORD timeout, DWORD interval)
{
    LIB_ASSERT((flags & ~0x0BuL)==0, "wcls/filelock");
    if (IsHeld()) return true;

    m_strName = name;
    m_dwFlags = flags;
    const bool shared = (flags & LOCK_SHARED) != 0;
    const DWORD access = shared ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    const DWORD share = shared ? FILE_SHARE_READ : 0;
    SECURITY_ATTRIBUTES* sa = (flags & LOCK_OPENACCESS) ? g_openAccessAttributes : nullptr;

    const DWORD start = GetTickCount();
    m_dwFlags |= LOCK_WAITING;
    for (;;) {
        SetLastError(0);
        HANDLE h = CreateFileA(name.CStr(), access, share, sa, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            m_hFile = h;
            return true;
        }
        DWORD err = GetLastError();
        if (ClassifyError(err) != ECLASS_INUSE) {
            m_dwFlags &= ~(DWORD)LOCK_WAITING;
            ReportSystemError(err, ERR_OPENFILE, name,
                              Framed(LibText::kOpenFileHead, name.CStr(), LibText::kOpenFileTail));
            return false;
        }
        if (GetTickCount() - start > timeout) return false;
        Sleep(interval);
    }
}

void FileLock::Unlock()
{
    if (!IsHeld()) return;
    CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
    // Another shared holder may keep the file; then it stays.
    if (m_dwFlags & LOCK_DELETE) DeleteFileA(m_strName.CStr());
}
