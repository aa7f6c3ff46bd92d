// FileList.h - the result of one scan of a folder: the entries that the
// folder selection dialog shows, in scan order.
#pragma once

#include <windows.h>

#include "Data.h"
#include "FObject.h"
#include "FileData.h"

// What a scan adds, in this order: the path chain, the folder's own items,
// the separator, the drives, the special folders, the hook's entries.
enum : DWORD {
    FL_DRIVES = 0x01,     // drive letters present in the system
    FL_SPECIAL = 0x02,    // desktop, common desktop, documents
    FL_FOLDERS = 0x04,    // subfolders of the scanned folder
    FL_FILES = 0x08,      // files of the scanned folder
    FL_PATHCHAIN = 0x10,  // the root and each folder down to the scanned one
    FL_SEPARATOR = 0x20,  // one empty entry after the folder entries
    FL_HOOK = 0x40,       // the application's scan hook
};

class FileList : public SafeObject {
public:
    FileList();
    ~FileList() override;

    // Scans the folder (made absolute) for the entries the options ask
    // for. True when the folder's listing ran to its end; an unreadable
    // folder is reported and leaves the list invalid.
    bool Scan(const String& path, const char* pattern, DWORD options);
    // Appends an entry (for the scan hook).
    void Add(FileData* data);

    const String& Path() const { return m_strPath; }  // absolute; a root keeps its backslash
    const String& Pattern() const { return m_strPattern; }
    DWORD Options() const { return m_dwOptions; }
    bool IsValid() const { return m_bValid != 0; }
    int Count() const { return m_nCount; }
    FileData* At(int index) const { return m_ppItems[index]; }
    // The path chain's entry of the scanned folder, or -1.
    int CurrentIndex() const { return m_nCurrent; }

private:
    void Clear();
    int AddPathChain();
    bool AddItems(int depth);
    void AddDrives();
    void AddSpecialFolders();

    String m_strPath;
    String m_strPattern;
    DWORD m_dwOptions;
    int m_bValid;
    FileData** m_ppItems;  // counted
    int m_nCount;
    int m_nCapacity;
    int m_nCurrent;
};

// The application's scan hook, called for FL_HOOK after the other entries.
typedef void (*FileListHookFn)(FileList* list);
void SetFileListHook(FileListHookFn hook);

// "?" matches one character (a double-byte one counts as one), "*" any run;
// ASCII letters compare without case. A name without a dot also matches as
// "name.", so "*.*" takes every name.
bool MatchPattern(const char* name, const char* pattern);
