// FileList.cpp - scanning a folder into a list of entries.
#include "FileList.h"

#include <shlobj.h>
#include <string.h>

#include "ErrorReport.h"
#include "Handles.h"
#include "LibTexts.h"
#include "Memory.h"
#include "PathText.h"
#include "ShellFolder.h"

static FileListHookFn s_pfnHook;

void SetFileListHook(FileListHookFn hook)
{
    s_pfnHook = hook;
}

// ---- pattern ----------------------------------------------------------------------

static char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}

static bool MatchFrom(const char* n, const char* p)
{
    while (*p) {
        if (*p == '*') {
            while (*p == '*') ++p;
            if (!*p) return true;
            for (const char* s = n;; s = NextChar(s)) {
                if (MatchFrom(s, p)) return true;
                if (!*s) return false;
            }
        }
        if (!*n) return false;
        const char* pn = NextChar(p);
        const char* nn = NextChar(n);
        if (*p != '?') {
            if (pn - p != nn - n) return false;
            if (pn - p == 1 ? LowerAscii(*p) != LowerAscii(*n) : memcmp(p, n, 2) != 0) return false;
        }
        p = pn;
        n = nn;
    }
    return !*n;
}

bool MatchPattern(const char* name, const char* pattern)
{
    if (MatchFrom(name, pattern)) return true;
    return !strchr(name, '.') && MatchFrom((String(name) + String(".")).CStr(), pattern);
}

// ---- list ------------------------------------------------------------------------------

FileList::FileList()
    : m_dwOptions(0), m_bValid(0), m_ppItems(nullptr), m_nCount(0), m_nCapacity(0), m_nCurrent(-1)
{
}

FileList::~FileList()
{
    Clear();
    MemFree(m_ppItems);
}

void FileList::Clear()
{
    for (int i = 0; i < m_nCount; ++i) m_ppItems[i]->Release();
    m_nCount = 0;
    m_nCurrent = -1;
    m_bValid = 0;
}

void FileList::Add(FileData* data)
{
    if (m_nCount == m_nCapacity) {
        m_nCapacity = m_nCapacity ? m_nCapacity * 2 : 32;
        m_ppItems = static_cast<FileData**>(MemRealloc(m_ppItems, m_nCapacity * sizeof(FileData*)));
    }
    data->AddRef();
    m_ppItems[m_nCount++] = data;
}

bool FileList::Scan(const String& path, const char* pattern, DWORD options)
{
    Clear();
    m_strPath = StripBackslash(FullPath(path));
    m_strPattern = String(pattern);
    m_dwOptions = options;
    m_bValid = 1;
    int depth = (options & FL_PATHCHAIN) ? AddPathChain() : 0;
    if (options & (FL_FOLDERS | FL_FILES)) m_bValid = AddItems(depth) ? 1 : 0;
    if (options & FL_SEPARATOR) Add(new FileData(String(), String(), FDK_SEPARATOR, 0, FD_NOICON));
    if (options & FL_DRIVES) AddDrives();
    if (options & FL_SPECIAL) AddSpecialFolders();
    if ((options & FL_HOOK) && s_pfnHook) s_pfnHook(this);
    return IsValid();
}

static const char* EndOfName(const char* p)
{
    while (*p && !IsPathSep(*p)) p = NextChar(p);
    return p;
}

// The root, then each folder down to the scanned one, one level deeper
// each; returns the depth below the last.
int FileList::AddPathChain()
{
    const char* s = m_strPath.CStr();
    const char* rest;
    String root, shown;
    if (HasDrive(s)) {
        rest = s + 2;
        root = String(s, 2) + String("\\");
        shown = root;
    } else if (IsPathSep(s[0]) && IsPathSep(s[1])) {
        const char* share = EndOfName(s + 2);
        rest = *share ? EndOfName(share + 1) : share;
        shown = String(s, (int)(rest - s));
        root = shown + String("\\");
    } else {
        return 0;
    }
    Add(new FileData(shown, root, FDK_ANCESTOR, 0));
    int depth = 1;
    for (const char* p = rest; *p;) {
        if (IsPathSep(*p)) {
            ++p;
            continue;
        }
        const char* end = EndOfName(p);
        Add(new FileData(String(p, (int)(end - p)), String(s, (int)(end - s)), FDK_ANCESTOR, depth++));
        p = end;
    }
    m_nCurrent = m_nCount - 1;
    return depth;
}

// The folder's subfolders and files in the order the search gives them.
bool FileList::AddItems(int depth)
{
    String folder = FolderForm(m_strPath);
    WIN32_FIND_DATAA fd;
    SetLastError(0);
    UniqueFind find(FindFirstFileA((folder + String("*.*")).CStr(), &fd));
    DWORD err = GetLastError();
    if (find) {
        do {
            const char* name = fd.cFileName;
            if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) continue;
            bool isFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (!(m_dwOptions & (isFolder ? FL_FOLDERS : FL_FILES))) continue;
            if (!MatchPattern(name, m_strPattern.CStr())) continue;
            Add(new FileData(String(name), folder + String(name), isFolder ? FDK_FOLDER : FDK_FILE, depth));
        } while (FindNextFileA(find.Get(), &fd));
        err = GetLastError();
    }
    // An empty root has no entries at all; anything else is a failure.
    if (err == ERROR_NO_MORE_FILES || err == ERROR_FILE_NOT_FOUND) return true;
    ReportSystemCode(ERR_READ, err,
                     Framed(LibText::kUnreadableFolderHead, m_strPath.CStr(), LibText::kUnreadableFolderTail).CStr(),
                     0);
    return false;
}

void FileList::AddDrives()
{
    DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(mask & (1u << i))) continue;
        char root[4] = {(char)('A' + i), ':', '\\', '\0'};
        SHFILEINFOA info = {};
        bool known = SHGetFileInfoA(root, 0, &info, sizeof(info),
                                    SHGFI_DISPLAYNAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON) != 0;
        String name = (known && info.szDisplayName[0]) ? String(info.szDisplayName) : String(root, 2);
        Add(new FileData(name, String(root), FDK_DRIVE, 0, known ? info.iIcon : FD_NOICON));
    }
}

// Special folders the shell cannot resolve are left out.
void FileList::AddSpecialFolders()
{
    static const struct {
        const char* name;
        int csidl;
        int iconCsidl;
    } kSpecial[] = {
        {LibText::kDesktop, CSIDL_DESKTOPDIRECTORY, CSIDL_DESKTOP},
        {LibText::kCommonDesktop, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOP},
        {LibText::kMyDocuments, CSIDL_PERSONAL, CSIDL_PERSONAL},
    };
    ComPtr<IMalloc> malloc;
    HRESULT hr = SHGetMalloc(malloc.Put());
    if (FAILED(hr)) {
        ReportComError(hr, LibText::kNoShellAllocator);
        return;
    }
    for (const auto& s : kSpecial) {
        String path;
        if (!SpecialFolder(&path, nullptr, s.csidl, false)) continue;
        int icon = FD_NOICON;
        LPITEMIDLIST items = nullptr;
        if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, s.iconCsidl, &items)) && items) {
            SHFILEINFOA info = {};
            if (SHGetFileInfoA(reinterpret_cast<const char*>(items), 0, &info, sizeof(info),
                               SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
                icon = info.iIcon;
            malloc->Free(items);
        }
        Add(new FileData(String(s.name), StripBackslash(path), FDK_SPECIAL, 0, icon));
    }
}
