// DosError.h - classes of Windows error codes for file operations.
#pragma once

#include <windows.h>

enum ErrorClass {
    ECLASS_OTHER = 0,
    ECLASS_INUSE = 1,     // access denied, sharing or lock violation: worth retrying
    ECLASS_DISKFULL = 2,  // handle disk full, disk full
    ECLASS_NOTFOUND = 4,  // file or path not found, no more files
};

int ClassifyError(DWORD err);
