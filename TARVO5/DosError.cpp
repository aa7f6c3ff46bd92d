// DosError.cpp - classes of Windows error codes for file operations.
#include "DosError.h"

int ClassifyError(DWORD err)
{
    switch (err) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return ECLASS_INUSE;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_NO_MORE_FILES:
        return ECLASS_NOTFOUND;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
        return ECLASS_DISKFULL;
    default:
        return ECLASS_OTHER;
    }
}
