// CopyEngine.cpp - carries out the sections of the file list.
#include "CopyEngine.h"

#include <stdio.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "CopyFlusher.h"
#include "CopyWorker.h"
#include "MediaSums.h"
#include "SetupDriver.h"
#include "SetupFileList.h"
#include "SetupTexts.h"
#include "Unattended.h"
#include "UndoJournal.h"
#include "TARVO5/DosError.h"
#include "wcls/DoingWnd.h"
#include "wcls/ErrorReport.h"
#include "wcls/FEnv2.h"
#include "wcls/FileOps.h"
#include "wcls/Handles.h"
#include "wcls/LibTexts.h"
#include "wcls/LogFile.h"
#include "wcls/Lz32.h"
#include "wcls/PathText.h"
#include "wcls/VerifiedFile.h"

namespace {

// One buffer for the bytes of every copy (one is written at a time, on the
// worker's thread), one for the private copies of checked sources.
const DWORD kCopyChunk = 16384;
char s_copyBuffer[kCopyChunk];
char s_transferBuffer[kCopyChunk];

// The bytes the copies wrote, and the progress window of the section being
// copied, whose messages are let through while a long file is written: it
// repaints and notes a cancel, which takes effect before the next file.
uint64_t s_bytesWritten;
CopyFlusher s_flusher;            // copies on their way to the disk
String s_flushFailed;             // the first copy that could not be flushed
DWORD s_flushError;

// Waits for the copies on their way to the disk, keeping a failure to tell.
void WaitForFlushes()
{
    String failed;
    DWORD err = 0;
    if (!s_flusher.Finish(&failed, &err) && s_flushFailed.IsEmpty()) {
        s_flushFailed = failed;
        s_flushError = err;
    }
}
// Packed sources the plan opened for the size their header gives, kept for
// their copy: the media are opened once per file. Only those of the first
// disk, which is in while the plan is made.
std::map<std::string, UniqueFile> s_opened;
const size_t kKeptOpen = 1024;  // the rest are opened again for their copy
String s_lastFolder;              // the destination folder made for the entry before
String s_mediaFolder;             // the source folder of the section being copied
bool s_repairing;                 // a repair: only what is missing or differs is copied
bool s_keepSettings;              // ... and a settings file there stays as it is
bool s_checkSources;              // each source must be as SETUP.SUM says
std::vector<std::string> s_repaired;  // what the repair copied again
DoingWnd* s_pumped;
const DWORD kPaintEvery = 50;  // ms: about 20 times a second

// An SZDD file starts with this signature, a method byte, the last
// character of the original name and the expanded size (32 bits, little
// endian).
const unsigned char kSzddSignature[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
const DWORD kSzddHeaderSize = 14;

// How a copy ended, before it is reported.
enum Outcome { OUT_DONE, OUT_READ, OUT_WRITE, OUT_LZ, OUT_CHECK };

String RelativeToMedia(const String& source);

// The bytes of one copy, from its open source into its open destination,
// then its time, its flush when asked, its close. Run on the worker's
// thread: handles and plain data only.
struct Transfer {
    HANDLE in;           // the source at its start; closed by the transfer
    HANDLE out;          // the destination; closed by the transfer
    bool packed;         // expanded through lz32
    int64_t announced;   // the size a packed source's header gives, or -1
    FILETIME written;    // carried to the destination
    bool flush;          // flushed before it is closed
    volatile LONG kb;    // kilobytes written so far, for the bar
    int outcome;         // an Outcome
    DWORD err;
    uint64_t bytes;
};

// Writes all n bytes; a short write is a full disk.
Outcome WriteChunk(Transfer* t, DWORD n)
{
    DWORD written = 0;
    SetLastError(0);
    if (!WriteFile(t->out, s_transferBuffer, n, &written, nullptr)) {
        t->err = GetLastError();
        return OUT_WRITE;
    }
    if (written < n) {
        t->err = ERROR_DISK_FULL;
        return OUT_WRITE;
    }
    t->bytes += n;
    InterlockedExchange(&t->kb, (LONG)(t->bytes / 1024));
    return OUT_DONE;
}

Outcome PlainBytes(Transfer* t)
{
    for (;;) {
        DWORD got = 0;
        SetLastError(0);
        if (!ReadFile(t->in, s_transferBuffer, kCopyChunk, &got, nullptr)) {
            t->err = GetLastError();
            return OUT_READ;
        }
        if (got == 0) return OUT_DONE;
        Outcome o = WriteChunk(t, got);
        if (o != OUT_DONE) return o;
    }
}

Outcome ExpandedBytes(Transfer* t)
{
    INT h = LzInit((INT)(INT_PTR)t->in);
    if (h < 0) return OUT_LZ;  // the source is closed with the transfer
    t->in = INVALID_HANDLE_VALUE;  // closed with the LZ handle from here
    UniqueLz lz(h);
    for (;;) {
        INT got = LzRead(lz.Get(), s_transferBuffer, (INT)kCopyChunk);
        if (got == 0) break;
        if (got < 0) return OUT_LZ;
        Outcome o = WriteChunk(t, (DWORD)got);
        if (o != OUT_DONE) return o;
    }
    // lz32 stops without an error at the end of a truncated file (and passes
    // a file with a damaged header through unexpanded), so a source with the
    // signature must have expanded to exactly the size its header gives.
    return t->announced < 0 || t->bytes == (uint64_t)t->announced ? OUT_DONE : OUT_LZ;
}

// A copy in the shared folder is flushed at once (it is reached through its
// handle only); the others by the flusher's thread (FlushCopies).
void RunTransfer(void* arg)
{
    Transfer* t = static_cast<Transfer*>(arg);
    Outcome o = t->packed ? ExpandedBytes(t) : PlainBytes(t);
    if (t->in != INVALID_HANDLE_VALUE) CloseHandle(t->in);
    t->in = INVALID_HANDLE_VALUE;
    SetLastError(0);
    if (o == OUT_DONE &&
        (!SetFileTime(t->out, nullptr, nullptr, &t->written) || (t->flush && !FlushFileBuffers(t->out)))) {
        t->err = GetLastError();
        o = OUT_WRITE;
    }
    SetLastError(0);
    if (!CloseHandle(t->out) && o == OUT_DONE) {
        t->err = GetLastError();
        o = OUT_WRITE;
    }
    t->out = INVALID_HANDLE_VALUE;
    t->outcome = o;
}

CopyWorker s_worker;

// Waits for the transfer on the worker's thread, letting the progress
// window's messages through meanwhile; its bytes are counted then.
void WaitForTransfer(const Transfer& t)
{
    while (!s_worker.Wait(kPaintEvery, s_pumped != nullptr)) {
        if (!s_pumped) continue;
        s_pumped->SetPos((int)(s_bytesWritten / 1024) + (int)InterlockedCompareExchange(
                                                             const_cast<volatile LONG*>(&t.kb), 0, 0));
        s_pumped->Pump();
    }
    s_bytesWritten += t.bytes;
}

// Replaces the open source by a copy of it in this user's temporary folder,
// gone when closed.
Outcome TakePrivateCopy(UniqueFile* in, DWORD* err)
{
    UniqueFile copy(CreatePrivateFile());
    if (!copy) {
        *err = GetLastError();
        return OUT_READ;
    }
    for (;;) {
        DWORD got = 0, written = 0;
        SetLastError(0);
        if (!ReadFile(in->Get(), s_copyBuffer, kCopyChunk, &got, nullptr)) {
            *err = GetLastError();
            return OUT_READ;
        }
        if (got == 0) break;
        if (!WriteFile(copy.Get(), s_copyBuffer, got, &written, nullptr) || written != got) {
            *err = GetLastError() ? GetLastError() : ERROR_DISK_FULL;
            return OUT_READ;
        }
    }
    if (SetFilePointer(copy.Get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        *err = GetLastError();
        return OUT_READ;
    }
    *in = std::move(copy);
    return OUT_DONE;
}

// Opens the source and takes its last-write time, which the copy carries.
Outcome OpenSource(const String& source, UniqueFile* in, FILETIME* written, DWORD* err)
{
    SetLastError(0);
    auto opened = s_opened.find(source.CStr());
    if (opened != s_opened.end()) {
        *in = std::move(opened->second);
        s_opened.erase(opened);
    } else {
        in->Reset(CreateFileA(source.CStr(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    }
    if (!*in || !GetFileTime(in->Get(), nullptr, nullptr, written)) {
        *err = GetLastError();
        return OUT_READ;
    }
    if (!s_checkSources) return OUT_DONE;
    // The check and the copy read one private copy: the media could answer
    // a second read otherwise.
    Outcome o = TakePrivateCopy(in, err);
    if (o != OUT_DONE) return o;
    switch (CheckMediaHandle(s_mediaFolder, RelativeToMedia(source), in->Get())) {
    case MEDIA_SOUND: return OUT_DONE;
    case MEDIA_UNREADABLE: *err = GetLastError(); return OUT_READ;
    default: return OUT_CHECK;
    }
}

// The expanded size an SZDD header gives, or -1 for a file without the
// signature (lz32 copies it as it is); the file is left at its start.
Outcome ReadAnnouncedSize(HANDLE in, int64_t* announced, DWORD* err)
{
    unsigned char header[kSzddHeaderSize];
    DWORD got = 0;
    SetLastError(0);
    if (!ReadFile(in, header, sizeof(header), &got, nullptr) ||
        SetFilePointer(in, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        *err = GetLastError();
        return OUT_READ;
    }
    *announced = -1;
    if (got < sizeof(kSzddSignature) || memcmp(header, kSzddSignature, sizeof(kSzddSignature)) != 0)
        return OUT_DONE;
    if (got < kSzddHeaderSize) return OUT_LZ;
    *announced = (int64_t)((uint32_t)header[10] | ((uint32_t)header[11] << 8) | ((uint32_t)header[12] << 16) |
                           ((uint32_t)header[13] << 24));
    return OUT_DONE;
}

// Opens the source for its transfer into dest (a packed one with the size
// its header gives); a packed source that does not open is told as a failed
// LZ open would be. The source is opened here and handed to lz32:
// LZOpenFileA keeps the path in an OFSTRUCT, which holds no more than 127
// bytes, so media in a deep folder could not be expanded.
Outcome PrepareTransfer(int compressed, const String& source, const String& dest, Transfer* t, DWORD* err)
{
    *t = Transfer();
    t->in = INVALID_HANDLE_VALUE;
    t->flush = !SharedPart(dest).IsEmpty();
    UniqueFile in;
    Outcome o = OpenSource(source, &in, &t->written, err);
    if (o != OUT_DONE) return compressed && o != OUT_CHECK ? OUT_LZ : o;
    t->packed = compressed != 0;
    t->announced = -1;
    if (compressed && (o = ReadAnnouncedSize(in.Get(), &t->announced, err)) != OUT_DONE) return o;
    t->in = in.Detach();
    return OUT_DONE;
}

// Creates the destination over whatever is there. A read-only or hidden
// file refuses to be overwritten (or, under some systems, keeps those
// attributes): its attributes go back to normal. Doing this only for such a
// file spares a look-up of every new one.
// A destination in the all-users data folder is opened once and checked
// through its handle; a link or a second name of another file planted
// under its name is made anew, and a name that leads elsewhere (a folder
// on the way swapped for a link) is refused.
HANDLE CreateSharedDestination(const String& relative, bool* refused)
{
    VerifiedFile shared, file;
    int opened = shared.OpenRoot(StripBackslash(g_commonAppDataDir));
    if (opened == VF_OPENED)
        opened = file.OpenOwn(shared, relative, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == VF_OPENED) return file.Release();
    *refused = opened != VF_FAILED;
    if (*refused) SetLastError(opened == VF_MISSING ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
}

HANDLE CreateDestination(const String& dest, bool* refused)
{
    *refused = false;
    String relative = SharedPart(dest);
    if (!relative.IsEmpty()) return CreateSharedDestination(relative, refused);
    const DWORD kKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    auto create = [&dest] {
        SetLastError(0);
        return CreateFileA(dest.CStr(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE h = create();
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
        SetFileAttributesA(dest.CStr(), FILE_ATTRIBUTE_NORMAL);
        h = create();
    }
    // Only a file that was there may keep attributes: a new one (the common
    // case: the old one was set aside) needs no look-up.
    bool existed = h != INVALID_HANDLE_VALUE && GetLastError() == ERROR_ALREADY_EXISTS;
    DWORD attributes = existed ? GetFileAttributesA(dest.CStr()) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kKept))
        SetFileAttributesA(dest.CStr(), FILE_ATTRIBUTE_NORMAL);
    return h;
}

int ReportReadError(DWORD err, const String& source)
{
    ReportSystemError(err, ERR_READ, source, Framed(SetupText::kFileHead, source.CStr(), SetupText::kCannotReadTail));
    return COPY_FAILED;
}

int ReportWriteError(DWORD err, const String& dest)
{
    ReportCannotWrite(err, dest);
    return COPY_FAILED;
}

// ---- entries ----------------------------------------------------------------

uint64_t BytesToWrite(int compressed, const String& source, UniqueFile* keep = nullptr);

// The in-use message; true for Retry.
bool AskRetry(HWND owner, const String& dest)
{
    String text = dest + String(SetupText::kInUseTail);
    return ShowMessage(owner, text.CStr(), SetupText::kAppTitle, MB_RETRYCANCEL) == IDRETRY;
}

bool StartsWithFolder(const char* path, const String& folder)
{
    String a(path), b(folder);
    MakeUpperAscii(a.GetBuffer(a.Length() + 1));
    MakeUpperAscii(b.GetBuffer(b.Length() + 1));
    return b.Length() > 0 && strncmp(a.CStr(), b.CStr(), (size_t)b.Length()) == 0;
}

String RelativeToMedia(const String& source)
{
    if (s_mediaFolder.IsEmpty() || !StartsWithFolder(source.CStr(), s_mediaFolder)) return source;
    return String(source.CStr() + s_mediaFolder.Length());
}

// A source that failed to read or to expand, when SETUP.SUM of its media
// disagrees with it: the media are damaged, which says more than the read
// error. Only this file is hashed, and only now.
bool ReportIfDamaged(const String& source)
{
    String relative = RelativeToMedia(source);
    if (CheckMediaFile(s_mediaFolder, relative) != MEDIA_DAMAGED) return false;
    ReportDamagedMedia(relative);
    return true;
}

// ---- transfers ----------------------------------------------------------------

// Hands the transfer to the worker's thread (lz32 taken on this one first).
void StartTransfer(Transfer* t)
{
    LzLoad();
    s_worker.Start(RunTransfer, t);
}

// Tells how a copy ended; a failure is reported. A copy made goes to the
// flusher (one in the shared folder has been flushed already).
int EndCopy(Outcome o, DWORD err, const String& source, const String& dest)
{
    if (o == OUT_DONE && SharedPart(dest).IsEmpty()) s_flusher.Add(dest);
    if ((o == OUT_READ || o == OUT_LZ) && ReportIfDamaged(source)) return COPY_FAILED;
    switch (o) {
    case OUT_DONE: return COPY_DONE;
    case OUT_CHECK: ReportDamagedMedia(RelativeToMedia(source)); return COPY_FAILED;
    case OUT_READ: return ReportReadError(err, source);
    case OUT_WRITE: return ReportWriteError(err, dest);
    case OUT_LZ: break;
    }
    ReportKind(ERR_READ, source.CStr());
    return COPY_FAILED;
}

// The copy whose bytes are being written while the engine makes the next
// file ready; the names stay on this side.
struct PendingCopy {
    bool active;
    Transfer t;
    String source, dest;
};
PendingCopy s_pending;

enum { START_PENDING, START_STOPPED, START_PLAIN };

// Ends the copy on its way, if any: true when it was made (and logged),
// false when it failed (reported).
bool FinishPending()
{
    if (!s_pending.active) return true;
    WaitForTransfer(s_pending.t);
    s_pending.active = false;
    if (EndCopy((Outcome)s_pending.t.outcome, s_pending.t.err, s_pending.source, s_pending.dest) != COPY_DONE)
        return false;
    LogStep(SetupText::kLogCopy, s_pending.dest, (long long)s_pending.t.bytes);
    return true;
}

// Ends it without a word: the run stops for a reason already told.
void DropPending()
{
    if (!s_pending.active) return;
    WaitForTransfer(s_pending.t);
    s_pending.active = false;
}

// The copy made ready quietly while the one before is still being written,
// then handed to the worker. Anything out of the ordinary (a destination
// held or refused, a source that does not open) goes the plain way once the
// one before has ended: START_PLAIN.
int StartCopy(int compressed, const String& source, const String& dest)
{
    bool refused = false;
    UniqueFile out(CreateDestination(dest, &refused));
    Transfer t;
    DWORD err = 0;
    bool ready = out && PrepareTransfer(compressed, source, dest, &t, &err) == OUT_DONE;
    UniqueFile in(ready ? t.in : INVALID_HANDLE_VALUE);  // closed here unless handed over
    if (!FinishPending()) return START_STOPPED;
    // A cancel asked for while the copy before was written is answered
    // before this one starts.
    if (s_pumped && s_pumped->m_bCancel) {
        if (ConfirmAbort(s_pumped->HWnd())) return START_STOPPED;
        s_pumped->m_bCancel = 0;
    }
    if (!ready) return START_PLAIN;
    t.in = in.Detach();
    t.out = out.Detach();
    s_pending.t = t;
    s_pending.source = source;
    s_pending.dest = dest;
    s_pending.active = true;
    StartTransfer(&s_pending.t);
    return START_PENDING;
}

}  // namespace

String SharedPart(const String& dest)
{
    // The folder's form, worked out again only when the folder changes.
    static String s_folder, s_shared;
    if (strcmp(s_folder.CStr(), g_commonAppDataDir.CStr()) != 0) {
        s_folder = g_commonAppDataDir;
        s_shared = FolderForm(g_commonAppDataDir);
    }
    if (s_shared.IsEmpty() || !StartsWithFolder(dest.CStr(), s_shared)) return String();
    return String(dest.CStr() + s_shared.Length());
}

namespace {

// An entry without a source name: the destination goes (set aside while
// the run can still be undone). A read-only file is not in use: it would be
// asked about forever.
bool RemoveEntry(HWND owner, const String& dest)
{
    if (!FinishPending()) return false;  // it may be this file
    for (;;) {
        long long size = -1;
        int removed = UndoRemove(dest, lf_is_on() ? &size : nullptr);
        if (removed == ASIDE_MISSING) return true;
        if (removed == ASIDE_DONE) {
            LogStep(LibText::kLogRemove, dest, size);
            return true;
        }
        if (removed == ASIDE_FAILED) {
            ReportSystemError(GetLastError(), ERR_WRITE, dest, dest + String(SetupText::kCannotRemoveTail));
            return false;
        }
        if (!AskRetry(owner, dest) && ConfirmAbort(owner)) return false;
    }
}

// Waits until the source is there, asking for its disk; false when the
// user stops or the query failed (reported).
bool WaitForSource(HWND owner, const SetupFileEntry& entry, const String& sourceFolder, const String& source)
{
    String prompt = DiskPrompt(entry.disk, sourceFolder);
    String title = entry.srcName + String(SetupText::kDiskPromptTitleTail);
    for (;;) {
        if (PathStateQuiet(source) == PS_FILE) return true;
        // Nothing is written while the user is asked or told, and a disk
        // taken out is no longer read (nor held by a source kept open).
        if (!FinishPending()) return false;
        ForgetOpenedSources();
        int state = PathState(source);
        if (state & PS_UNREADABLE) return false;
        if (state == PS_FILE) return true;
        // Only OK looks at the source again.
        while (ShowMessage(owner, prompt.CStr(), title.CStr(), MB_OKCANCEL | MB_ICONINFORMATION) != IDOK)
            if (ConfirmAbort(owner)) return false;
    }
}

// The same folder by its identity on the volume (a second path to it, a
// drive letter of its own, a link on the way all count).
bool SameFolder(const String& a, const String& b)
{
    BY_HANDLE_FILE_INFORMATION info[2];
    const String* paths[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        UniqueFile folder(CreateFileA(StripBackslash(*paths[i]).CStr(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!folder || !GetFileInformationByHandle(folder.Get(), &info[i])) return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

// The source is the destination itself (the program folder chosen is the
// media folder): creating the destination would empty the source first.
// Asked once per pair of folders.
bool IsItself(const String& source, const String& dest)
{
    static String s_source, s_dest;
    static bool s_same;
    String sourceName, destName;
    String sourceFolder = SplitPath(source, &sourceName), destFolder = SplitPath(dest, &destName);
    MakeUpperAscii(sourceName.GetBuffer(sourceName.Length() + 1));
    MakeUpperAscii(destName.GetBuffer(destName.Length() + 1));
    if (strcmp(sourceName.CStr(), destName.CStr()) != 0) return false;
    if (strcmp(s_source.CStr(), sourceFolder.CStr()) != 0 || strcmp(s_dest.CStr(), destFolder.CStr()) != 0) {
        s_source = sourceFolder;
        s_dest = destFolder;
        s_same = SameFolder(sourceFolder, destFolder);
    }
    return s_same;
}

// Last-write times within 2 s are the same: a FAT volume keeps no finer.
bool SameTime(const FILETIME& a, const FILETIME& b)
{
    const int64_t kTolerance = 20000000;  // 100-ns units
    int64_t ta = ((int64_t)a.dwHighDateTime << 32) | a.dwLowDateTime;
    int64_t tb = ((int64_t)b.dwHighDateTime << 32) | b.dwLowDateTime;
    return ta - tb <= kTolerance && tb - ta <= kTolerance;
}

// A repair's destination that needs no copy: a settings file that is
// there, or a file of the size the copy writes and the source's time.
bool IsInPlace(const SetupFileEntry& entry, const String& source, const String& dest, uint64_t* size)
{
    WIN32_FILE_ATTRIBUTE_DATA have, media;
    if (!GetFileAttributesExA(dest.CStr(), GetFileExInfoStandard, &have)) {
        // A settings file goes only when it has gone: one that cannot be
        // looked at now is kept as it is.
        DWORD err = GetLastError();
        *size = 0;
        return s_keepSettings && err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND;
    }
    if (have.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    *size = ((uint64_t)have.nFileSizeHigh << 32) | have.nFileSizeLow;
    if (s_keepSettings) return true;
    return GetFileAttributesExA(source.CStr(), GetFileExInfoStandard, &media) &&
           *size == BytesToWrite(entry.compressed, source) && SameTime(have.ftLastWriteTime, media.ftLastWriteTime);
}

bool CopyEntry(HWND owner, const SetupFileEntry& entry, const String& sourceFolder, const String& dest)
{
    String source = sourceFolder + entry.srcName;
    if (!WaitForSource(owner, entry, sourceFolder, source)) return false;
    // A repair and a file copied onto itself go the plain way, the copy
    // before having ended.
    bool itself = !entry.compressed && IsItself(source, dest);
    bool fast = !s_repairing && !itself;
    if (!fast && !FinishPending()) return false;
    uint64_t kept = 0;
    if (s_repairing && IsInPlace(entry, source, dest, &kept)) {
        s_bytesWritten += kept;
        LogStep(SetupText::kLogKept, dest, (long long)kept);
        return true;
    }
    if (itself) {  // already in place
        long long size = FileSize(dest);
        if (size > 0) s_bytesWritten += (uint64_t)size;
        LogStep(SetupText::kLogCopy, dest, size);
        return true;
    }
    for (;;) {
        // A missing folder shows as a write error; the folder of the entry
        // before is there already. A new one is made once the copy before
        // has ended: making it may report.
        if (strcmp(s_lastFolder.CStr(), entry.destFolder.CStr()) != 0) {
            if (!FinishPending()) return false;
            if (CreateFolderTree(entry.destFolder)) s_lastFolder = entry.destFolder;
        }
        int aside = UndoSetAside(dest);
        // The copy on its way may be this file under another name.
        if (aside == ASIDE_INUSE && s_pending.active) {
            if (!FinishPending()) return false;
            aside = UndoSetAside(dest);
        }
        if (aside == ASIDE_FAILED) {
            DWORD err = GetLastError();
            if (FinishPending()) ReportCannotWrite(err, dest);
            return false;
        }
        if (aside != ASIDE_INUSE && fast) {
            int started = StartCopy(entry.compressed, source, dest);
            if (started != START_PLAIN) return started == START_PENDING;
            fast = false;  // nothing on its way now
        }
        if (!FinishPending()) return false;
        uint64_t before = s_bytesWritten;
        int result = aside == ASIDE_INUSE ? COPY_INUSE : CopyOneFile(entry.compressed, source, dest);
        if (result == COPY_DONE) {
            LogStep(SetupText::kLogCopy, dest, (long long)(s_bytesWritten - before));
            if (s_repairing) s_repaired.push_back(dest.CStr());
            return true;
        }
        if (result == COPY_FAILED) return false;
        while (!AskRetry(owner, dest))
            if (ConfirmAbort(owner)) return false;
    }
}

}  // namespace

bool ConfirmAbort(HWND owner)
{
    return ShowMessage(owner, SetupText::kConfirmAbort, SetupText::kAppTitle, MB_YESNO | MB_ICONQUESTION) != IDNO;
}

bool CreateFolderTree(const String& folder)
{
    String path = StripBackslash(folder);
    if (PathState(path) & PS_FOLDEROK) return true;
    if (CreateDirectoryA(path.CStr(), nullptr)) return true;
    String name;
    String parent = SplitPath(path, &name);
    if (name.IsEmpty()) return false;
    CreateFolderTree(parent);
    return CreateDirectoryA(path.CStr(), nullptr) != FALSE;
}

int CopyOneFile(int compressed, const String& source, const String& dest)
{
    if (!FinishPending()) return COPY_FAILED;
    bool refused = false;
    UniqueFile out(CreateDestination(dest, &refused));
    // The flusher may still hold the name (written before in this run, or
    // removed while it was flushed): once it is done, again.
    DWORD failed = out ? 0 : GetLastError();
    if ((failed == ERROR_SHARING_VIOLATION || failed == ERROR_ACCESS_DENIED) && s_flusher.Pending()) {
        WaitForFlushes();
        out.Reset(CreateDestination(dest, &refused));
    }
    if (!out) {
        DWORD err = GetLastError();
        return !refused && ClassifyError(err) == ECLASS_INUSE ? COPY_INUSE : ReportWriteError(err, dest);
    }
    Transfer t;
    DWORD err = 0;
    Outcome o = PrepareTransfer(compressed, source, dest, &t, &err);
    if (o == OUT_DONE) {
        t.out = out.Detach();
        StartTransfer(&t);
        WaitForTransfer(t);
        o = (Outcome)t.outcome;
        err = t.err;
    }
    return EndCopy(o, err, source, dest);
}

void ReportCannotWrite(DWORD err, const String& path)
{
    ReportSystemError(err, ERR_WRITE, path, Framed(SetupText::kFileHead, path.CStr(), SetupText::kCannotWriteTail));
}

void SetRepairing(bool on, bool checkSources)
{
    s_repairing = on;
    s_checkSources = checkSources;
    s_repaired.clear();
}

String RepairedFiles()
{
    const size_t kShown = 20;
    String lines;
    for (size_t i = 0; i < s_repaired.size() && i < kShown; ++i)
        lines = lines + String("\n  ") + String(s_repaired[i].c_str());
    if (s_repaired.size() > kShown) {
        char more[64];
        wsprintfA(more, SetupText::kRepairedMore, (int)(s_repaired.size() - kShown));
        lines = lines + String(more);
    }
    return lines;
}

bool WasRepaired(const String& dest)
{
    for (const std::string& name : s_repaired)
        if (lstrcmpiA(name.c_str(), dest.CStr()) == 0) return true;
    return false;
}

String DiskPrompt(int disk, const String& folder)
{
    char number[16] = "";
    if (disk != 0) snprintf(number, sizeof(number), " %d ", disk);
    return String(SetupText::kDiskPromptHead) + String(number) + String(SetupText::kDiskPromptMiddle) + folder +
           String(SetupText::kDiskPromptTail);
}

bool NewPrivateFileName(String* name)
{
    char folder[MAX_PATH + 1] = "", made[MAX_PATH + 1] = "";
    DWORD n = GetTempPathA(sizeof(folder), folder);
    if (n == 0 || n >= sizeof(folder) || !GetTempFileNameA(folder, "zu8", 0, made)) {
        *name = String(folder);
        return false;
    }
    *name = String(made);
    return true;
}

HANDLE CreatePrivateFile()
{
    String name;
    if (!NewPrivateFileName(&name)) return INVALID_HANDLE_VALUE;
    HANDLE h = CreateFileA(name.CStr(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) DeleteFileA(name.CStr());
    return h;
}

uint64_t CopiedBytes()
{
    return s_bytesWritten;
}

bool FlushCopies()
{
    // Once, after the last copy, not a wait per file: the records are what
    // say that the installation is there. The threads end with the copies.
    s_worker.Stop();
    WaitForFlushes();
    String failed = s_flushFailed;
    s_flushFailed = String();
    if (failed.IsEmpty()) return true;
    ReportWriteError(s_flushError, failed);
    return false;
}

void ForgetOpenedSources()
{
    s_opened.clear();
}

void StopFlushing()
{
    String failed;
    DWORD err = 0;
    s_worker.Stop();
    s_flusher.Finish(&failed, &err, true);
    s_flushFailed = String();
}

namespace {

// The progress window whose messages the copies let through.
class PumpedWindow {
public:
    explicit PumpedWindow(DoingWnd* wnd) { s_pumped = wnd; }
    ~PumpedWindow() { s_pumped = nullptr; }
};

}  // namespace

namespace {

// What the copy of a source writes: its size, or for a packed file the size
// its header announces; 0 for a source that is not there (yet). A packed
// source is opened, and with `keep` handed over at its start.
uint64_t BytesToWrite(int compressed, const String& source, UniqueFile* keep)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!compressed) {
        if (!GetFileAttributesExA(source.CStr(), GetFileExInfoStandard, &data)) return 0;
        return ((uint64_t)data.nFileSizeHigh << 32) | data.nFileSizeLow;
    }
    UniqueFile in(CreateFileA(source.CStr(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size = {};
    int64_t announced = -1;
    DWORD err = 0;
    if (!in || !GetFileSizeEx(in.Get(), &size)) return 0;
    if (ReadAnnouncedSize(in.Get(), &announced, &err) != OUT_DONE) return (uint64_t)size.QuadPart;
    if (keep) *keep = std::move(in);
    return announced >= 0 ? (uint64_t)announced : (uint64_t)size.QuadPart;
}

// The next entry of the section from *key on (key names, NUL-separated),
// passing over blank values; false at the end.
bool NextEntry(FEnv2* list, const String& section, const String& appPath, const char** key, SetupFileEntry* entry)
{
    for (; **key; *key += strlen(*key) + 1) {
        int found = 0;
        String value = list->GetString(section.CStr(), *key, "", &found);
        if (!found || IsBlankText(value.CStr())) continue;
        ParseSetupFileEntry(value.CStr(), entry, appPath);
        *key += strlen(*key) + 1;
        return true;
    }
    return false;
}

}  // namespace

uint64_t PlanSection(FEnv2* list, const String& section, const String& appPath, const String& source, bool count)
{
    String keys = list->GetKeyNames(section.CStr());
    String sourceFolder = FolderForm(source);
    const char* key = keys.CStr();
    SetupFileEntry entry;
    uint64_t bytes = 0;
    while (NextEntry(list, section, appPath, &key, &entry)) {
        UndoPlanFolder(entry.destFolder);
        UndoPlanFile(entry.destFolder + entry.destName);
        if (!count || IsBlankText(entry.srcName.CStr())) continue;
        String source = sourceFolder + entry.srcName;
        UniqueFile opened;
        bool keep = entry.disk <= 1 && s_opened.size() < kKeptOpen;
        bytes += BytesToWrite(entry.compressed, source, keep ? &opened : nullptr);
        if (opened) s_opened.emplace(source.CStr(), std::move(opened));
    }
    return bytes;
}

int CopySection(FEnv2* list, DoingWnd* progress, const String& section, const String& source,
                const String& appPath)
{
    HWND owner = progress->HWnd();
    PumpedWindow pumped(progress);
    LogStep(SetupText::kLogSection, section);
    String sourceFolder = FolderForm(source);
    String keys = list->GetKeyNames(section.CStr());
    const char* key = keys.CStr();
    SetupFileEntry entry;
    s_lastFolder = String();
    s_mediaFolder = sourceFolder;
    s_keepSettings = strcmp(section.CStr(), SetupText::kSettingSection) == 0;
    DWORD painted = GetTickCount() - kPaintEvery;
    while (NextEntry(list, section, appPath, &key, &entry)) {
        // Painted at a pace a person can read; the messages are let through
        // after every file, so that a cancel is seen before the next one.
        if (GetTickCount() - painted >= kPaintEvery) {
            painted = GetTickCount();
            progress->SetMessage(String(SetupText::kCopying) + entry.destName);
            progress->SetPos((int)(s_bytesWritten / 1024));
        }
        if (!progress->Pump()) {
            // The copy on its way ends first: it may be the one that failed.
            if (!FinishPending() || ConfirmAbort(owner)) return 0;
            progress->m_bCancel = 0;
        }

        String dest = entry.destFolder + entry.destName;
        bool removal = IsBlankText(entry.srcName.CStr());
        bool done = removal ? RemoveEntry(owner, dest) : CopyEntry(owner, entry, sourceFolder, dest);
        if (!done) {
            DropPending();
            return 0;
        }
    }
    return FinishPending() ? 1 : 0;
}
