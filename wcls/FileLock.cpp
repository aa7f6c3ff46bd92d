// FileLock.cpp - locks held as open handles on hidden lock files.
#include "FileLock.h"

#include "Assert.h"
#include "LibTexts.h"
#include "OpenAccess.h"
#include "VerifiedFile.h"
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
        bool refused = false;
        HANDLE h = (flags & LOCK_OPENACCESS) ? OpenShared(name, access, share, sa, &refused)
                                             : CreateFileA(name.CStr(), access, share, sa, OPEN_ALWAYS,
                                                           FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            m_hFile = h;
            return true;
        }
        DWORD err = GetLastError();
        if (refused || ClassifyError(err) != ECLASS_INUSE) {
            m_dwFlags &= ~(DWORD)LOCK_WAITING;
            ReportSystemError(err, ERR_OPENFILE, name,
                              Framed(LibText::kOpenFileHead, name.CStr(), LibText::kOpenFileTail));
            return false;
        }
        if (GetTickCount() - start > timeout) return false;
        Sleep(interval);
    }
}

// A lock open to every user lies in a folder where every user may create
// names: a link or a second name of another file planted under the lock's
// name is removed and the file made anew, never opened through.
HANDLE FileLock::OpenShared(const String& name, DWORD access, DWORD share, SECURITY_ATTRIBUTES* sa, bool* refused)
{
    String base;
    VerifiedFile folder, lock;
    int opened = folder.OpenFolderOf(name, &base);
    if (opened == VF_OPENED) opened = lock.OpenOwn(folder, base, access, share, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, sa);
    if (opened == VF_OPENED) return lock.Release();
    // A name that leads elsewhere is refused at once, as access denied.
    *refused = opened != VF_FAILED;
    if (*refused) SetLastError(opened == VF_MISSING ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
}

void FileLock::Unlock()
{
    if (!IsHeld()) return;
    CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
    // Another shared holder may keep the file; then it stays.
    if (!(m_dwFlags & LOCK_DELETE)) return;
    if (!(m_dwFlags & LOCK_OPENACCESS)) {
        DeleteFileA(m_strName.CStr());
        return;
    }
    String base;
    VerifiedFile folder, lock;
    if (folder.OpenFolderOf(m_strName, &base) == VF_OPENED &&
        lock.Open(folder, base, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0,
                  nullptr, VF_ANYNAMES | VF_LINKS) == VF_OPENED)
        lock.Delete();
}
