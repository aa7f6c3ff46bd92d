// FileOps.h - file and folder operations that report their own failures:
// path states, listing, creation, deletion, opening and renaming with retry
// while another process holds the file, free space.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "Data.h"

// Retry settings of OpenWithRetry (and of DeleteTree's DeleteWithRetry).
extern DWORD g_dwFileTimeout;   // 5000 ms
extern DWORD g_dwFileInterval;  // 100 ms

// PathState results.
enum {
    PS_UNREADABLE = 0x01,  // already reported
    PS_MISSING = 0x02,
    PS_FOLDEROK = 0x04,    // the folder (or root) exists
    PS_FOLDER = 0x0C,      // an existing folder
    PS_FILE = 0x10,        // an existing file
    PS_BADNAME = 0x21,     // already reported
};

int PathState(const String& path);
int PathStateQuiet(const String& path);

// The size of a file in bytes; -1 when it cannot be read.
long long FileSize(const String& path);

// One entry of a listing.
struct ListEntry {
    WIN32_FIND_DATAA fd;
    DWORD mask;        // attribute mask given to ListFirst
    BYTE attrib;       // the attributes as a byte
    WORD dosDate;      // last write, DOS form
    WORD dosTime;
    int32_t size;      // 0x7FFFFFFF for 2 GB or more
    HANDLE hFind;
};

// 1 for an entry, 0 at the end, -1 after reporting a failure.
int ListFirst(const String& pattern, ListEntry* entry, DWORD mask);
int ListNext(const String& pattern, ListEntry* entry);
void ListClose(ListEntry* entry);

// The option words of DeleteTree and OpenWithRetry name their bits by
// value: "bit 1" is 0x01, "bit 2" is 0x02.
enum {
    DT_SUBFOLDERS = 0x01,  // bit 1: descend into folders
    DT_RETRY = 0x02,       // bit 2: delete files with DeleteWithRetry
};
enum { OWR_QUIET_TIMEOUT = 0x01 };  // bit 1: no report when the time-out runs out

// One level; a trailing backslash is ignored (an existing folder is fine).
int CreateFolder(const String& path, SECURITY_ATTRIBUTES* sa);
int RemoveFile(const String& path);
// A path without wildcard (a trailing backslash ignored) is deleted with
// everything in it. A link (junction, symbolic link) is never followed: the
// link itself is removed, what it points to stays.
int DeleteTree(DWORD options, const String& pattern);

// On failure the last error is the open's own, whatever the report did.
HANDLE OpenWithRetry(const String& path, DWORD access, DWORD share, SECURITY_ATTRIBUTES* sa,
                     DWORD disposition, DWORD attributes, HANDLE templ, DWORD timeout,
                     DWORD interval, DWORD options);
class VerifiedFile;
// OpenWithRetry for a file in a folder other users can write to: opened
// once and checked through its handle (VerifiedFile). OPEN_EXISTING opens
// what is there; OPEN_ALWAYS and CREATE_ALWAYS make a planted link or
// second name anew. 1, or 0 after reporting (a refused name as access
// denied).
int OpenVerifiedWithRetry(VerifiedFile* file, const String& path, DWORD access, DWORD share, DWORD disposition,
                          DWORD attributes, SECURITY_ATTRIBUTES* sa);
// ReplaceWithRetry through the open file's handle (opened with DELETE).
int ReplaceThroughHandle(VerifiedFile* file, const String& newPath, DWORD timeout, DWORD interval);
// True after reporting "ファイルは読み取り専用です。" when the file is read-only.
bool ReportIfReadOnly(const String& path);
int DeleteWithRetry(const String& path, DWORD timeout, DWORD interval);
int RenameWithRetry(const String& oldPath, const String& newPath, DWORD timeout, DWORD interval);
// Moves oldPath over newPath in one step (an existing newPath is replaced,
// never deleted first), retried while a file is in use; reports like
// RenameWithRetry.
int ReplaceWithRetry(const String& oldPath, const String& newPath, DWORD timeout, DWORD interval);

// True when the path names a file that has other names too (hard links):
// writing it would change those files.
bool HasOtherNames(const String& path);

// 1 with the bytes free to the caller on the path's volume, 0 on failure,
// -1 when the platform cannot tell.
int FreeSpace(const String& path, double* freeBytes);
