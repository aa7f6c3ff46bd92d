// VerifiedFile.cpp - files and folders opened once and checked through
// their handles.
#include "VerifiedFile.h"

#include <string.h>
#include <winternl.h>

#include "PathText.h"
#include "TARVO5/DosError.h"

namespace {

// The native calls behind the checks and the handle-based changes; ntdll
// is in every process, so nothing is loaded from a searched folder.
struct IoStatus {
    LONG_PTR status;
    ULONG_PTR information;
};
struct NtName {
    USHORT length;  // in bytes
    USHORT maximumLength;
    PWSTR buffer;
};
struct FileBasicInfo {
    LARGE_INTEGER creation, access, write, change;  // 0: unchanged
    ULONG attributes;
};
struct FileRenameInfo {
    BOOLEAN replace;
    HANDLE root;
    ULONG length;  // in bytes
    WCHAR name[1];
};
enum {
    kObjectNameInformation = 1,
    kFileBasicInformation = 4,
    kFileRenameInformation = 10,
    kFileDispositionInformation = 13,
};
typedef LONG(NTAPI* NtQueryObjectFn)(HANDLE, int, PVOID, ULONG, PULONG);
typedef LONG(NTAPI* NtSetInformationFileFn)(HANDLE, IoStatus*, PVOID, ULONG, int);
typedef ULONG(NTAPI* RtlNtStatusToDosErrorFn)(LONG);

FARPROC NtCall(const char* name)
{
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), name);
}

// A native status as the last error; false for a failure.
bool Succeeded(LONG status)
{
    static RtlNtStatusToDosErrorFn toError =
        reinterpret_cast<RtlNtStatusToDosErrorFn>(reinterpret_cast<void*>(NtCall("RtlNtStatusToDosError")));
    if (status >= 0) return true;
    SetLastError(toError ? toError(status) : (DWORD)ERROR_GEN_FAILURE);
    return false;
}

// NtSetInformationFile with the result as a last error.
bool SetFileInfo(HANDLE file, void* info, ULONG size, int infoClass)
{
    static NtSetInformationFileFn set =
        reinterpret_cast<NtSetInformationFileFn>(reinterpret_cast<void*>(NtCall("NtSetInformationFile")));
    if (!set) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    IoStatus io = {};
    return Succeeded(set(file, &io, info, size, infoClass));
}

// Whether the reparse point of an open entry stands for another name (a
// junction, a symbolic link): only those lead elsewhere. Compressed,
// deduplicated or placeholder files carry reparse points of other kinds.
// When the system cannot tell, it counts as a link.
bool LeadsElsewhere(HANDLE file)
{
    typedef LONG(NTAPI * QueryFn)(HANDLE, IoStatus*, PVOID, ULONG, int);
    static QueryFn query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(NtCall("NtQueryInformationFile")));
    struct {
        ULONG attributes;
        ULONG tag;
    } info = {};
    IoStatus io = {};
    const int kFileAttributeTagInformation = 35;
    if (!query || query(file, &io, &info, sizeof(info), kFileAttributeTagInformation) < 0) return true;
    return (info.tag & 0x20000000) != 0;  // a name surrogate
}

// The name the system gives the open file (its real place, after every
// link on the way), upper-cased; 0 when it cannot tell.
int QueryFinalName(HANDLE file, WCHAR* out, int capacity)
{
    static NtQueryObjectFn query =
        reinterpret_cast<NtQueryObjectFn>(reinterpret_cast<void*>(NtCall("NtQueryObject")));
    union {
        NtName name;
        BYTE bytes[sizeof(NtName) + 2048 * sizeof(WCHAR)];
    } info;
    ULONG size = 0;
    if (!query || query(file, kObjectNameInformation, &info, sizeof(info), &size) < 0) return 0;
    int length = info.name.length / (int)sizeof(WCHAR);
    if (length <= 0 || length >= capacity) return 0;
    CopyMemory(out, info.name.buffer, length * sizeof(WCHAR));
    out[length] = 0;
    CharUpperBuffW(out, (DWORD)length);
    return length;
}

// The wide form of a name in the ANSI code page; 0 when it does not fit.
int Widen(const String& text, WCHAR* out, int capacity)
{
    if (text.IsEmpty() || capacity <= 1) return 0;
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.CStr(), -1, out, capacity) - 1;
}

// CreateFileA's disposition in the native form.
ULONG NativeDisposition(DWORD disposition)
{
    switch (disposition) {
    case CREATE_NEW: return 2;     // FILE_CREATE
    case OPEN_ALWAYS: return 3;    // FILE_OPEN_IF
    case CREATE_ALWAYS: return 5;  // FILE_OVERWRITE_IF
    default: return 1;             // FILE_OPEN
    }
}

}  // namespace

NtCreateFileFn g_ntCreateFile = reinterpret_cast<NtCreateFileFn>(reinterpret_cast<void*>(NtCall("NtCreateFile")));

String PathBelow(const VerifiedFile& in, const String& name)
{
    return FolderForm(in.Path()) + name;
}

VerifiedFile::VerifiedFile() : m_finalLength(0), m_attributes(0), m_links(0), m_link(false)
{
    m_final[0] = 0;
}

int VerifiedFile::OpenRoot(const String& folder, DWORD options)
{
    Close();
    m_path = folder;
    SetLastError(0);
    DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | ((options & VF_LINKS) ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    m_file.Reset(CreateFileA(folder.CStr(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags, nullptr));
    if (!m_file) return ClassifyError(GetLastError()) == ECLASS_NOTFOUND ? VF_MISSING : VF_FAILED;
    return Verify(nullptr, String(), VF_FOLDER);
}

int VerifiedFile::OpenFolderOf(const String& path, String* name, DWORD options)
{
    return OpenRoot(StripBackslash(SplitPath(path, name)), options);
}

int VerifiedFile::Open(const VerifiedFile& in, const String& name, DWORD access, DWORD share, DWORD disposition,
                       DWORD attributes, SECURITY_ATTRIBUTES* sa, DWORD options)
{
    Close();
    m_path = PathBelow(in, name);
    // Opened relative to the open folder's handle: the folder's own name is
    // not looked up again, whatever has been put in its place meanwhile.
    WCHAR wide[kFinalMax];
    int length = Widen(name, wide, kFinalMax);
    if (length <= 0 || !g_ntCreateFile) {
        SetLastError(length <= 0 ? ERROR_FILENAME_EXCED_RANGE : ERROR_CALL_NOT_IMPLEMENTED);
        return VF_FAILED;
    }
    UNICODE_STRING nativeName = {(USHORT)(length * sizeof(WCHAR)), (USHORT)(length * sizeof(WCHAR)), wide};
    OBJECT_ATTRIBUTES object = {};
    object.Length = sizeof(object);
    object.RootDirectory = in.Handle();
    object.ObjectName = &nativeName;
    object.Attributes = 0x40;  // OBJ_CASE_INSENSITIVE
    object.SecurityDescriptor = sa ? sa->lpSecurityDescriptor : nullptr;
    ULONG createOptions = 0x00200000 | 0x20;  // FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT
    if (options & VF_FOLDER) {
        // Held: no one moves or replaces it while it is open.
        createOptions |= 0x01 | 0x4000;  // FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT
        access |= FILE_LIST_DIRECTORY | FILE_TRAVERSE;
        share &= ~(DWORD)FILE_SHARE_DELETE;
    } else if (options & VF_LINKS) {
        createOptions |= 0x4000;  // a link to a folder opens too
    } else {
        createOptions |= 0x40;  // FILE_NON_DIRECTORY_FILE
    }
    IO_STATUS_BLOCK io = {};
    HANDLE file = nullptr;
    LONG status = g_ntCreateFile(&file, access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &object, &io, nullptr,
                                 attributes & 0xFFFF, share, NativeDisposition(disposition), createOptions, nullptr,
                                 0);
    if (!Succeeded(status)) {
        DWORD err = GetLastError();
        if (err == ERROR_ALREADY_EXISTS) err = ERROR_FILE_EXISTS;  // as CreateFileA tells it
        SetLastError(err);
        return ClassifyError(err) == ECLASS_NOTFOUND ? VF_MISSING : VF_FAILED;
    }
    m_file.Reset(file);
    return Verify(&in, name, options);
}

// Through the handle: a folder or a file as asked, no link (unless links
// are what is asked for), one name only, and the system's own name of it
// is the folder's followed by the name.
int VerifiedFile::Verify(const VerifiedFile* in, const String& name, DWORD options)
{
    BY_HANDLE_FILE_INFORMATION info;
    bool ok = GetFileInformationByHandle(m_file.Get(), &info) != FALSE;
    m_attributes = ok ? info.dwFileAttributes : 0;
    m_links = ok ? info.nNumberOfLinks : 0;
    bool folder = ok && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    bool link = ok && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && LeadsElsewhere(m_file.Get());
    m_link = link;
    if (link) ok = (options & VF_LINKS) != 0;
    else ok = ok && folder == ((options & VF_FOLDER) != 0);
    ok = ok && (folder || link || info.nNumberOfLinks == 1 || (options & VF_ANYNAMES));
    m_finalLength = ok ? QueryFinalName(m_file.Get(), m_final, kFinalMax) : 0;
    if (ok && in) ok = IsAt(*in, name);
    if (ok && m_finalLength > 0) return VF_OPENED;
    Close();
    SetLastError(ERROR_ACCESS_DENIED);
    return VF_REFUSED;
}

// The system's name of this entry is the folder's followed by the name.
bool VerifiedFile::IsAt(const VerifiedFile& in, const String& name) const
{
    WCHAR expected[kFinalMax];
    int length = in.m_finalLength;
    CopyMemory(expected, in.m_final, length * sizeof(WCHAR));
    if (length > 0 && expected[length - 1] != L'\\') expected[length++] = L'\\';
    int added = Widen(name, expected + length, kFinalMax - length);
    if (added <= 0 || in.m_finalLength == 0) return false;
    CharUpperBuffW(expected + length, (DWORD)added);
    length += added;
    return length == m_finalLength && memcmp(expected, m_final, length * sizeof(WCHAR)) == 0;
}

int VerifiedFile::OpenOwn(const VerifiedFile& in, const String& name, DWORD access, DWORD share, DWORD disposition,
                          DWORD attributes, SECURITY_ATTRIBUTES* sa)
{
    const bool truncate = disposition == CREATE_ALWAYS;
    // A file of ours written afresh gets the security it would be made with.
    const bool secure = truncate && sa && sa->lpSecurityDescriptor;
    if (truncate) access |= FILE_WRITE_ATTRIBUTES;
    if (secure) access |= WRITE_DAC;
    for (int round = 0; round < 3; ++round) {
        int result = Open(in, name, access, share, OPEN_EXISTING, attributes, nullptr, 0);
        if (result == VF_FAILED && truncate && GetLastError() == ERROR_ACCESS_DENIED) {
            // A read-only file of ours refuses to be written: its attributes go first.
            VerifiedFile attributesOnly;
            if (attributesOnly.Open(in, name, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    OPEN_EXISTING, 0, nullptr, 0) == VF_OPENED &&
                attributesOnly.SetAttributes(FILE_ATTRIBUTE_NORMAL)) {
                attributesOnly.Close();
                result = Open(in, name, access, share, OPEN_EXISTING, attributes, nullptr, 0);
            }
            if (result == VF_FAILED) SetLastError(ERROR_ACCESS_DENIED);
        }
        if (result == VF_OPENED) {
            if (!truncate) return result;
            DWORD wanted = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
            SetLastError(0);
            if (SetFilePointer(m_file.Get(), 0, nullptr, FILE_BEGIN) == 0 && SetEndOfFile(m_file.Get()) &&
                SetAttributes(wanted) && (!secure || SetSecurity(sa->lpSecurityDescriptor)))
                return result;
            DWORD err = GetLastError();
            Close();
            SetLastError(err);
            return VF_FAILED;
        }
        if (result == VF_FAILED) return result;
        if (result == VF_REFUSED && !RemoveName(in, name)) return VF_REFUSED;
        result = Open(in, name, access, share, CREATE_NEW, attributes, sa, 0);
        if (result != VF_FAILED || GetLastError() != ERROR_FILE_EXISTS) return result;
        // Another process made the name meanwhile: look at it again.
    }
    SetLastError(ERROR_FILE_EXISTS);
    return VF_FAILED;
}

// Removes a name that is a link or a second name of another file: the
// name itself, opened as it stands (never followed) and found in its
// place. A folder, or a name that leads somewhere else, is left alone.
bool VerifiedFile::RemoveName(const VerifiedFile& in, const String& name)
{
    VerifiedFile entry;
    if (entry.Open(in, name, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0,
                   nullptr, VF_ANYNAMES | VF_LINKS) != VF_OPENED)
        return false;
    // A read-only second name shares its attributes with the other file:
    // clearing them would change that file.
    if (!entry.IsLink() && (entry.m_attributes & FILE_ATTRIBUTE_READONLY)) return false;
    return entry.Delete() && entry.Close();
}

bool VerifiedFile::SetSecurity(PSECURITY_DESCRIPTOR security)
{
    return SetKernelObjectSecurity(m_file.Get(), DACL_SECURITY_INFORMATION, security) != FALSE;
}

bool VerifiedFile::SetAttributes(DWORD attributes)
{
    FileBasicInfo info = {};
    info.attributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    return SetFileInfo(m_file.Get(), &info, sizeof(info), kFileBasicInformation);
}

bool VerifiedFile::Delete()
{
    BOOLEAN remove = TRUE;
    return SetFileInfo(m_file.Get(), &remove, sizeof(remove), kFileDispositionInformation);
}

bool VerifiedFile::MoveTo(const String& newPath)
{
    // The target in the system's own form: \??\C:\... or \??\UNC\server\...
    const char* path = newPath.CStr();
    bool unc = path[0] == '\\' && path[1] == '\\';
    const WCHAR* head = unc ? L"\\??\\UNC" : L"\\??\\";
    String rest = unc ? String(path + 1) : newPath;
    union {
        FileRenameInfo info;
        BYTE bytes[sizeof(FileRenameInfo) + (MAX_PATH * 2 + 16) * sizeof(WCHAR)];
    } buffer = {};
    const int capacity = MAX_PATH * 2 + 16;
    int length = lstrlenW(head);
    CopyMemory(buffer.info.name, head, length * sizeof(WCHAR));
    int added = Widen(rest, buffer.info.name + length, capacity - length);
    if (added <= 0) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    length += added;
    buffer.info.replace = TRUE;
    buffer.info.length = (ULONG)(length * sizeof(WCHAR));
    if (!SetFileInfo(m_file.Get(), &buffer.info, (ULONG)sizeof(buffer), kFileRenameInformation)) return false;
    m_path = newPath;
    return true;
}

bool VerifiedFile::MoveWithin(const VerifiedFile& folder, const String& name, bool replace)
{
    // The new name relative to the held folder's handle: no name on the way
    // is looked up again.
    union {
        FileRenameInfo info;
        BYTE bytes[sizeof(FileRenameInfo) + kFinalMax * sizeof(WCHAR)];
    } buffer = {};
    int length = Widen(name, buffer.info.name, kFinalMax);
    if (length <= 0 || NamePart(name.CStr()) != 0) {  // one name, no folder
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    buffer.info.replace = replace;
    buffer.info.root = folder.Handle();
    buffer.info.length = (ULONG)(length * sizeof(WCHAR));
    if (!SetFileInfo(m_file.Get(), &buffer.info, (ULONG)sizeof(buffer), kFileRenameInformation)) return false;
    m_path = PathBelow(folder, name);
    return true;
}

bool VerifiedFile::Close()
{
    m_finalLength = 0;
    return m_file.Close();
}

HANDLE VerifiedFile::Release()
{
    m_finalLength = 0;
    return m_file.Detach();
}
