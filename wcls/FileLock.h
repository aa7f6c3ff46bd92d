// FileLock.h - a lock held as an open handle on a hidden lock file, whose
// sharing mode keeps incompatible holders (in any process) out.
#pragma once

#include <windows.h>

#include "Data.h"
#include "FObject.h"

enum {
    LOCK_SHARED = 0x01,      // read access, read sharing: shared holders coexist
    LOCK_DELETE = 0x02,      // delete the lock file when the lock is released
    LOCK_WAITING = 0x04,     // state: still set after a failed Lock when time ran out
    LOCK_OPENACCESS = 0x08,  // create the file with the open-access attributes
};

class FileLock : public SafeObject {
public:
    FileLock();
    ~FileLock() override;

    // Takes the lock, retrying every interval while another holder keeps the
    // file, until more than timeout ms have passed since the first attempt.
    // Other failures are reported here; a time-out is left to the caller.
    bool Lock(const String& name, DWORD flags, DWORD timeout, DWORD interval);
    void Unlock();

    DWORD Flags() const { return m_dwFlags; }
    bool IsHeld() const { return m_hFile != INVALID_HANDLE_VALUE; }
    const String& Name() const { return m_strName; }

private:
    HANDLE OpenShared(const String& name, DWORD access, DWORD share, SECURITY_ATTRIBUTES* sa, bool* refused);

    DWORD m_dwFlags;
    String m_strName;
    HANDLE m_hFile;
};
