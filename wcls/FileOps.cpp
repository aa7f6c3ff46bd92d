// FileOps.cpp - file and folder operations that report their own failures.
#include "FileOps.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "ErrorReport.h"
#include "Handles.h"
#include "LibTexts.h"
#include "LogFile.h"
#include "PathText.h"
#include "TARVO5/DosError.h"
#include "VerifiedFile.h"

DWORD g_dwFileTimeout = 5000;
DWORD g_dwFileInterval = 100;

static const DWORD kListMask = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                               FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;  // 0x17

// ---- listing ------------------------------------------------------------

// Skips entries with attributes outside the mask; fills the derived fields.
static int TakeEntry(const String& pattern, ListEntry* e, BOOL found)
{
    for (;;) {
        if (!found) {
            DWORD err = GetLastError();
            if (ClassifyError(err) == ECLASS_NOTFOUND) {
                g_lLastFileError = 2;
                return 0;
            }
            ReportSystemError(err, ERR_READ, pattern, Framed(LibText::kListFolderHead, pattern.CStr(), LibText::kListFolderTail));
            return -1;
        }
        DWORD attr = e->fd.dwFileAttributes & 0x1F;
        if ((attr & ~e->mask) == 0) break;
        SetLastError(0);
        found = FindNextFileA(e->hFind, &e->fd);
    }
    e->attrib = (BYTE)e->fd.dwFileAttributes;
    FileTimeToDosDateTime(&e->fd.ftLastWriteTime, &e->dosDate, &e->dosTime);
    e->size = (e->fd.nFileSizeHigh || e->fd.nFileSizeLow > 0x7FFFFFFFu) ? 0x7FFFFFFF
                                                                          : (int32_t)e->fd.nFileSizeLow;
    return 1;
}

int ListFirst(const String& pattern, ListEntry* e, DWORD mask)
{
    memset(e, 0, sizeof(*e));
    e->mask = mask;
    SetLastError(0);
    e->hFind = FindFirstFileA(pattern.CStr(), &e->fd);
    return TakeEntry(pattern, e, e->hFind != INVALID_HANDLE_VALUE);
}

int ListNext(const String& pattern, ListEntry* e)
{
    if (e->hFind == INVALID_HANDLE_VALUE || !e->hFind) return 0;
    SetLastError(0);
    return TakeEntry(pattern, e, FindNextFileA(e->hFind, &e->fd));
}

void ListClose(ListEntry* e)
{
    if (e->hFind && e->hFind != INVALID_HANDLE_VALUE) FindClose(e->hFind);
    e->hFind = INVALID_HANDLE_VALUE;
}

// Closes the listing on every path.
class Listing {
public:
    Listing(const String& pattern, DWORD mask) : m_pattern(pattern) { m_result = ListFirst(pattern, &m_entry, mask); }
    ~Listing() { ListClose(&m_entry); }
    int Result() const { return m_result; }
    const ListEntry& Entry() const { return m_entry; }
    void Next() { m_result = ListNext(m_pattern, &m_entry); }

private:
    String m_pattern;
    ListEntry m_entry;
    int m_result;
};

// ---- path state -----------------------------------------------------------

// A root: a drive letter and colon, \\server or \\server\share, or
// separators alone, followed by nothing but separators.
static bool IsRoot(const char* p)
{
    if (HasDrive(p)) {
        p += 2;
    } else if (IsPathSep(p[0]) && IsPathSep(p[1])) {
        p += 2;
        while (*p && !IsPathSep(*p)) p = NextChar(p);  // server
        if (*p) ++p;
        while (*p && !IsPathSep(*p)) p = NextChar(p);  // share
    }
    while (IsPathSep(*p)) ++p;
    return *p == '\0';
}

int PathState(const String& original)
{
    String path = StripBackslash(original);
    if (!CheckNameChars(path.CStr())) {
        ReportError(ERR_SYSTEM, LibText::kBadNameChars, path.CStr(), 0);
        return PS_BADNAME;
    }
    if (strpbrk(path.CStr(), "*?")) {
        ReportError(ERR_SYSTEM, LibText::kWildcards, path.CStr(), 0);
        return PS_BADNAME;
    }
    if (path.IsEmpty()) return PS_FOLDEROK;
    if (IsRoot(path.CStr())) {
        WIN32_FIND_DATAA fd;
        SetLastError(0);
        UniqueFind find(FindFirstFileA((FolderForm(path) + String("*.*")).CStr(), &fd));
        if (find) return PS_FOLDEROK;
        DWORD err = GetLastError();
        if (ClassifyError(err) == ECLASS_NOTFOUND) return PS_FOLDEROK;
        ReportSystemError(err, ERR_READ, path, Framed(LibText::kReadFolderHead, path.CStr(), LibText::kReadFolderTail));
        return PS_UNREADABLE;
    }
    // An existing path answers at once; only a failed look-up needs the
    // listing, which tells a missing path from an unreadable one.
    DWORD attr = GetFileAttributesA(path.CStr());
    if (attr != INVALID_FILE_ATTRIBUTES) return (attr & FILE_ATTRIBUTE_DIRECTORY) ? PS_FOLDER : PS_FILE;
    Listing list(path, kListMask);
    if (list.Result() == 1)
        return (list.Entry().fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? PS_FOLDER : PS_FILE;
    return list.Result() == 0 ? PS_MISSING : PS_UNREADABLE;
}

int PathStateQuiet(const String& path)
{
    QuietSection quiet;
    return PathState(path);
}

// ---- changes -----------------------------------------------------------------

int CreateFolder(const String& original, SECURITY_ATTRIBUTES* sa)
{
    String path = StripBackslash(original);
    SetLastError(0);
    if (CreateDirectoryA(path.CStr(), sa)) return 1;
    DWORD err = GetLastError();
    WIN32_FIND_DATAA fd;
    UniqueFind find(FindFirstFileA(path.CStr(), &fd));
    if (find && (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return 1;
    ReportSystemError(err, ERR_WRITE, path, Framed(LibText::kCreateFolderHead, path.CStr(), LibText::kCreateFolderTail));
    return 0;
}

long long FileSize(const String& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.CStr(), GetFileExInfoStandard, &data)) return -1;
    return (long long)(((unsigned long long)data.nFileSizeHigh << 32) | data.nFileSizeLow);
}

int RemoveFile(const String& path)
{
    long long size = lf_is_on() ? FileSize(path) : -1;  // for the log line, read before it goes
    if (remove(path.CStr()) == 0) {
        lf_step(LibText::kLogRemove, path.CStr(), size);
        return 1;
    }
    if (errno == ENOENT) return 0;
    ReportError(ERR_WRITE, LibText::kCannotDelete, path.CStr(), 0);
    return -1;
}

// One entry of a listing of `in`, deleted through a handle on the entry
// itself: a link as the link (never followed), a folder after everything in
// it. With DT_RETRY a file in use is tried again until the time-out.
static int DeleteListed(DWORD options, const VerifiedFile& in, const String& pattern);

static bool DeleteEntry(DWORD options, const VerifiedFile& in, const String& name, bool folder, long long size)
{
    const bool retry = !folder && (options & DT_RETRY);
    const DWORD kinds = (folder ? VF_FOLDER : VF_ANYNAMES) | VF_LINKS;
    const DWORD start = GetTickCount();
    VerifiedFile entry;
    int opened;
    DWORD err;
    for (;;) {
        if (folder) {
            // Held while it is walked; a handle with DELETE access would keep
            // the listing out, so the folder is opened (and checked) again to
            // go: by then it is empty, or a link that goes as the link.
            opened = entry.Open(in, name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0, nullptr, kinds);
            if (opened == VF_MISSING) return true;
            if (opened == VF_OPENED && !entry.IsLink() &&
                !DeleteListed(options, entry, PathBelow(entry, String("*.*"))))
                return false;  // reported inside
            entry.Close();
        }
        opened = entry.Open(in, name, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                            0, nullptr, kinds);
        if (opened == VF_MISSING) return true;
        if (opened == VF_OPENED && entry.Delete() && entry.Close()) {
            if (folder)
                lf_step(LibText::kLogRemove, (entry.Path() + String("\\")).CStr());
            else
                lf_step(LibText::kLogRemove, entry.Path().CStr(), entry.IsLink() ? -1 : size);
            return true;
        }
        err = GetLastError();
        entry.Close();
        bool again = retry && opened != VF_REFUSED && ClassifyError(err) == ECLASS_INUSE &&
                     g_dwFileTimeout != 0 && GetTickCount() - start < g_dwFileTimeout;
        if (!again) break;
        Sleep(g_dwFileInterval);
    }
    String path = PathBelow(in, name);
    if (retry && opened != VF_REFUSED) {
        if (err != ERROR_ACCESS_DENIED || !ReportIfReadOnly(path))
            ReportSystemError(err, ERR_WRITE, path, Framed(LibText::kDeleteFileHead, path.CStr(), LibText::kDeleteFileTail));
    } else {
        ReportError(ERR_WRITE, LibText::kCannotDelete, path.CStr(), 0);
    }
    return false;
}

static int DeleteListed(DWORD options, const VerifiedFile& in, const String& pattern)
{
    Listing list(pattern, kListMask);
    for (; list.Result() == 1; list.Next()) {
        const WIN32_FIND_DATAA& fd = list.Entry().fd;
        bool folder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // "." and ".." stand for the folder itself and its parent.
        bool dots = strcmp(fd.cFileName, ".") == 0 || strcmp(fd.cFileName, "..") == 0;
        if (folder && (dots || !(options & DT_SUBFOLDERS))) continue;
        long long size = ((long long)fd.nFileSizeHigh << 32) | fd.nFileSizeLow;
        if (!DeleteEntry(options, in, String(fd.cFileName), folder, size)) return 0;
    }
    return list.Result() == 0 ? 1 : 0;
}

int DeleteTree(DWORD options, const String& given)
{
    // The data folders are open to every user, who may plant a link there,
    // or swap a folder for one while the walk goes on: every entry is
    // opened once, checked through its handle and deleted through it, and
    // each folder is held (it cannot be moved) while it is walked.
    bool wildcard = strpbrk(given.CStr(), "*?") != nullptr;
    String pattern = wildcard ? given : StripBackslash(given);
    String name, folder = StripBackslash(SplitPath(pattern));
    // The listed folder is checked in its parent: not a link, in its place.
    VerifiedFile parent, listed;
    int opened = parent.OpenFolderOf(folder, &name);
    if (opened == VF_OPENED)
        opened = listed.Open(parent, name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0, nullptr, VF_FOLDER);
    if (opened == VF_MISSING) return 1;
    if (opened != VF_OPENED) {
        ReportError(ERR_WRITE, LibText::kCannotDelete, folder.CStr(), 0);
        return 0;
    }
    return DeleteListed(options, listed, pattern);
}

HANDLE OpenWithRetry(const String& path, DWORD access, DWORD share, SECURITY_ATTRIBUTES* sa,
                     DWORD disposition, DWORD attributes, HANDLE templ, DWORD timeout,
                     DWORD interval, DWORD options)
{
    DWORD start = GetTickCount();
    for (;;) {
        SetLastError(0);
        HANDLE h = CreateFileA(path.CStr(), access, share, sa, disposition, attributes, templ);
        if (h != INVALID_HANDLE_VALUE) return h;
        DWORD err = GetLastError();
        bool inUse = ClassifyError(err) == ECLASS_INUSE;
        bool timedOut = inUse && GetTickCount() - start > timeout;
        if (!inUse || timedOut) {
            if (!inUse || !(options & OWR_QUIET_TIMEOUT))
                ReportSystemError(err, ERR_OPENFILE, path, Framed(LibText::kOpenFileHead, path.CStr(), LibText::kOpenFileTail));
            SetLastError(err);  // for the caller's own report
            return INVALID_HANDLE_VALUE;
        }
        Sleep(interval);
    }
}

int OpenVerifiedWithRetry(VerifiedFile* file, const String& path, DWORD access, DWORD share, DWORD disposition,
                          DWORD attributes, SECURITY_ATTRIBUTES* sa)
{
    String name;
    VerifiedFile folder;
    const DWORD start = GetTickCount();
    int opened = folder.OpenFolderOf(path, &name);
    while (opened == VF_OPENED) {
        opened = disposition == OPEN_EXISTING
                     ? file->Open(folder, name, access, share, disposition, attributes, sa, 0)
                     : file->OpenOwn(folder, name, access, share, disposition, attributes, sa);
        if (opened != VF_FAILED || ClassifyError(GetLastError()) != ECLASS_INUSE ||
            GetTickCount() - start > g_dwFileTimeout)
            break;
        Sleep(g_dwFileInterval);
        opened = VF_OPENED;
    }
    if (opened == VF_OPENED) return 1;
    // A link, a second name of another file or a name leading elsewhere is
    // refused as access is.
    DWORD err = opened == VF_REFUSED ? (DWORD)ERROR_ACCESS_DENIED
                : opened == VF_MISSING ? (DWORD)ERROR_FILE_NOT_FOUND : GetLastError();
    ReportSystemError(err, ERR_OPENFILE, path, Framed(LibText::kOpenFileHead, path.CStr(), LibText::kOpenFileTail));
    SetLastError(err);
    return 0;
}

int DeleteWithRetry(const String& path, DWORD timeout, DWORD interval)
{
    DWORD start = GetTickCount();
    DWORD err;
    for (;;) {
        SetLastError(0);
        if (DeleteFileA(path.CStr())) return 1;
        err = GetLastError();
        int cls = ClassifyError(err);
        if (cls == ECLASS_NOTFOUND) return 1;
        if (cls != ECLASS_INUSE || timeout == 0 || GetTickCount() - start >= timeout) break;
        Sleep(interval);
    }
    if (err != ERROR_ACCESS_DENIED || !ReportIfReadOnly(path))
        ReportSystemError(err, ERR_WRITE, path, Framed(LibText::kDeleteFileHead, path.CStr(), LibText::kDeleteFileTail));
    return 0;
}

bool ReportIfReadOnly(const String& path)
{
    DWORD attr = GetFileAttributesA(path.CStr());
    if (attr == INVALID_FILE_ATTRIBUTES || !(attr & FILE_ATTRIBUTE_READONLY)) return false;
    ReportError(ERR_WRITE, LibText::kReadOnly, Framed(LibText::kDeleteFileHead, path.CStr(), LibText::kDeleteFileTail).CStr(), 0);
    return true;
}

// MoveFileA, or with replace a write-through MoveFileExA over an existing
// file (or the rename of an open file through its handle), retried while a
// file is in use.
static int MoveWithRetry(const String& oldPath, const String& newPath, bool replace, DWORD timeout,
                         DWORD interval, VerifiedFile* through = nullptr)
{
    const DWORD replaceFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    DWORD start = GetTickCount();
    DWORD err;
    for (;;) {
        SetLastError(0);
        BOOL moved = through   ? through->MoveTo(newPath)
                     : replace ? MoveFileExA(oldPath.CStr(), newPath.CStr(), replaceFlags)
                               : MoveFileA(oldPath.CStr(), newPath.CStr());
        if (moved) return 1;
        err = GetLastError();
        if (ClassifyError(err) != ECLASS_INUSE || timeout == 0 || GetTickCount() - start >= timeout) break;
        Sleep(interval);
    }
    String message;
    message.Append(LibText::kRenameHead).Append(oldPath.CStr()).Append(LibText::kRenameMiddle).Append(newPath.CStr()).Append(LibText::kRenameTail);
    ReportSystemCode(ERR_WRITE, err, message.CStr(), 0);
    return 0;
}

int ReplaceThroughHandle(VerifiedFile* file, const String& newPath, DWORD timeout, DWORD interval)
{
    return MoveWithRetry(file->Path(), newPath, true, timeout, interval, file);
}

int RenameWithRetry(const String& oldPath, const String& newPath, DWORD timeout, DWORD interval)
{
    return MoveWithRetry(oldPath, newPath, false, timeout, interval);
}

int ReplaceWithRetry(const String& oldPath, const String& newPath, DWORD timeout, DWORD interval)
{
    return MoveWithRetry(oldPath, newPath, true, timeout, interval);
}

// ---- free space ---------------------------------------------------------------

typedef BOOL(WINAPI* GetDiskFreeSpaceExFn)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

int FreeSpace(const String& path, double* freeBytes)
{
    if (freeBytes) *freeBytes = 0;
    String root;
    int status = VolumeRoot(path.CStr(), &root);
    // A drive root needs its backslash; a share root has one already.
    if (status == 0) root = root + String("\\");

    GetDiskFreeSpaceExFn ex = reinterpret_cast<GetDiskFreeSpaceExFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA")));
    if (ex) {
        String target = status >= 0 ? root : FolderForm(path);
        ULARGE_INTEGER avail, total, free;
        if (!ex(target.CStr(), &avail, &total, &free)) return 0;
        if (freeBytes) *freeBytes = (double)avail.HighPart * 4294967296.0 + (double)avail.LowPart;
        return 1;
    }
    DWORD version = GetVersion();
    bool old9x = (version & 0x80000000u) && LOBYTE(LOWORD(version)) < 5;
    if (status == 1 && old9x) return -1;
    if (status < 0 && status != -2) return 0;
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, clusters;
    if (!GetDiskFreeSpaceA(root.CStr(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return 0;
    if (freeBytes) *freeBytes = (double)freeClusters * bytesPerSector * sectorsPerCluster;
    return 1;
}

bool HasOtherNames(const String& path)
{
    UniqueFile file(CreateFileA(path.CStr(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    return file && GetFileInformationByHandle(file.Get(), &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           info.nNumberOfLinks > 1;
}
