// VerifiedFile.h - a file or folder inside a folder that other users can
// write to, opened once without following a link and checked through its
// handle: not a link, one name only, and exactly where it was asked for.
// Whatever is then done to it (reading, writing, security, deletion,
// renaming) goes through that handle, so no name is looked up twice.
#pragma once

#include <windows.h>

#include "Data.h"
#include "Handles.h"

// Open results; on VF_FAILED the last error is the system's.
enum {
    VF_OPENED = 1,
    VF_MISSING = 0,
    VF_REFUSED = -1,  // a link, a second name of another file, or somewhere else
    VF_FAILED = -2,
};

// Open options.
enum {
    VF_FOLDER = 0x01,    // a folder, held: it cannot be moved or replaced while open
    VF_ANYNAMES = 0x02,  // a file with other names too (hard links) is accepted
    VF_LINKS = 0x04,     // a link is accepted as itself (opened as the link, never followed)
};

class VerifiedFile {
public:
    VerifiedFile();

    // A folder whose own place others cannot change (its parent is the
    // system's): opened and held; refused when it is a link, unless
    // VF_LINKS asks for the folder it leads to (a place the user chose).
    int OpenRoot(const String& folder, DWORD options = 0);
    // OpenRoot on the folder a path lies in; *name gets the rest.
    int OpenFolderOf(const String& path, String* name, DWORD options = 0);
    // The entry `name` (a relative path) below the open folder `in`, with
    // the access, sharing, disposition and attributes of CreateFileA.
    int Open(const VerifiedFile& in, const String& name, DWORD access, DWORD share, DWORD disposition,
             DWORD attributes, SECURITY_ATTRIBUTES* sa, DWORD options);
    // A file of this program's own (a lock, a ".BAK", a copy): OPEN_ALWAYS,
    // CREATE_ALWAYS or CREATE_NEW. A name there that is a link or a second
    // name of another file is removed (the name only) and the file is made
    // anew; an existing file of ours is truncated by CREATE_ALWAYS.
    int OpenOwn(const VerifiedFile& in, const String& name, DWORD access, DWORD share, DWORD disposition,
                DWORD attributes, SECURITY_ATTRIBUTES* sa);

    HANDLE Handle() const { return m_file.Get(); }
    bool IsOpen() const { return m_file.IsValid(); }
    const String& Path() const { return m_path; }
    // Opened with VF_LINKS, the entry is a link itself.
    bool IsLink() const { return m_link; }
    // Opened with VF_ANYNAMES, the file has other names too.
    bool HasOtherNames() const { return m_links > 1; }

    // Each sets the last error on failure.
    bool SetSecurity(PSECURITY_DESCRIPTOR security);
    bool SetAttributes(DWORD attributes);
    // The entry goes when its handle closes (it needs DELETE access).
    bool Delete();
    // Renames it, replacing an existing file of that name (DELETE access).
    bool MoveTo(const String& newPath);
    // Renames it to `name` (one name, no folder) in the open folder `folder`,
    // which holds it; with `replace`, over an existing file of that name.
    bool MoveWithin(const VerifiedFile& folder, const String& name, bool replace);
    bool Close();
    // Gives the handle up to the caller, who closes it.
    HANDLE Release();

private:
    int Verify(const VerifiedFile* in, const String& name, DWORD options);
    bool IsAt(const VerifiedFile& in, const String& name) const;
    bool RemoveName(const VerifiedFile& in, const String& name);

    enum { kFinalMax = 1024 };
    UniqueFile m_file;
    String m_path;
    WCHAR m_final[kFinalMax];  // the system's own name of it, upper-cased
    int m_finalLength;
    DWORD m_attributes;
    DWORD m_links;
    bool m_link;  // a reparse point that leads to another name
};

// The native call that opens and creates entries, so that tests can watch
// what is created (ntdll's NtCreateFile).
typedef LONG(NTAPI* NtCreateFileFn)(HANDLE* file, ACCESS_MASK access, void* object, void* status,
                                     LARGE_INTEGER* allocation, ULONG attributes, ULONG share, ULONG disposition,
                                     ULONG options, void* ea, ULONG eaLength);
extern NtCreateFileFn g_ntCreateFile;

// Joins an open folder and a relative name into a path.
String PathBelow(const VerifiedFile& in, const String& name);
