// PathText.cpp - path text rules.
#include "PathText.h"

#include <windows.h>

#include <string.h>

#include "ErrorReport.h"
#include "Handles.h"
#include "SysFolders.h"

bool IsBlankText(const char* text)
{
    while (*text == ' ') ++text;
    return *text == '\0';
}

int NamePart(const char* path)
{
    const char* p = HasDrive(path) ? path + 2 : path;
    const char* name = p;
    for (; *p; p = NextChar(p))
        if (IsPathSep(*p)) name = p + 1;
    return (int)(name - path);
}

// Start of the last character of the text (the end when it is empty).
static const char* LastChar(const char* text)
{
    const char* last = text;
    for (const char* p = text; *p; p = NextChar(p)) last = p;
    return last;
}

String FolderForm(const String& path)
{
    const char* s = path.CStr();
    if (IsBlankText(s + NamePart(s))) return path;
    // A lead byte cut from its second half would pair with the appended
    // backslash and hide it: the broken character goes first.
    const char* last = LastChar(s);
    if (IsLeadByte((unsigned char)*last) && last[1] == '\0') return FolderForm(String(s, (int)(last - s)));
    return path + String("\\");
}

String SplitPath(const String& path, String* name)
{
    int at = NamePart(path.CStr());
    if (name) *name = String(path.CStr() + at);
    return String(path.CStr(), at);
}

String StripBackslash(const String& path)
{
    const char* s = path.CStr();
    int len = path.Length();
    while (len > 0 && s[len - 1] == ' ') --len;
    String trimmed(s, len);
    const char* t = trimmed.CStr();
    const char* last = LastChar(t);
    if (*last == '\\' && !(last - t == 2 && HasDrive(t))) return String(t, (int)(last - t));
    return trimmed;
}

int CheckNameChars(const char* path)
{
    for (const char* p = path; *p; p = NextChar(p)) {
        if (*p == '<' || *p == '>' || *p == '/') {
            g_lLastFileError = -3;
            return 0;
        }
    }
    return 1;
}

// End of the run of characters up to the next separator (or the end).
static const char* EndOfComponent(const char* p)
{
    while (*p && !IsPathSep(*p)) p = NextChar(p);
    return p;
}

String PathRoot(const char* path)
{
    if (IsPathSep(path[0]) && IsPathSep(path[1])) {
        const char* p = EndOfComponent(path + 2);  // server
        if (*p) p = EndOfComponent(p + 1);          // share
        return String(path, (int)(p - path));
    }
    if (HasDrive(path)) return String(path, 2);
    return String();
}

int VolumeRoot(const char* path, String* root)
{
    String trimmed(path);
    {
        const char* s = trimmed.CStr();
        while (*s == ' ') ++s;
        int len = (int)strlen(s);
        while (len > 0 && s[len - 1] == ' ') --len;
        trimmed = String(s, len);
    }
    const char* t = trimmed.CStr();
    String result;
    int status;
    if (IsPathSep(t[0]) && IsPathSep(t[1])) {
        const char* server = t + 2;
        const char* end = EndOfComponent(server);
        result = String("\\\\") + String(server, (int)(end - server));
        const char* share = *end ? end + 1 : end;
        const char* shareEnd = EndOfComponent(share);
        if (shareEnd == share) {
            status = -2;
        } else {
            result = result + String("\\") + String(share, (int)(shareEnd - share)) + String("\\");
            status = 1;
        }
    } else if (HasDrive(t)) {
        result = String(t, 2);
        status = 0;
    } else {
        String current = CurrentFolder(1);
        if (HasDrive(current.CStr())) {
            result = String(current.CStr(), 2);
            status = 0;
        } else {
            status = -1;
        }
    }
    if (root) *root = result;
    return status;
}

// The long name of base + component as the file system stores it, or
// false when it is not there.
static bool LookUp(const String& base, const String& component, String* stored)
{
    WIN32_FIND_DATAA fd;
    UniqueFind find(FindFirstFileA((base + component).CStr(), &fd));
    if (!find) return false;
    *stored = String(fd.cFileName);
    return true;
}

// The start of a full path: the root (or current folder) that the path's
// own start stands for, and where the components begin.
static String FullPathStart(const char* s, const char** rest)
{
    if (IsPathSep(s[0]) && IsPathSep(s[1])) {
        const char* end = EndOfComponent(s + 2);
        *rest = end;
        return String("\\\\") + String(s + 2, (int)(end - s - 2));
    }
    if (HasDrive(s) && IsPathSep(s[2])) {
        *rest = s + 3;
        return String(s, 2) + String("\\");
    }
    if (HasDrive(s)) {
        *rest = s + 2;
        char buf[MAX_PATH];
        char drive[3] = {s[0], ':', '\0'};
        DWORD n = GetFullPathNameA(drive, sizeof(buf), buf, nullptr);
        if (n == 0 || n >= sizeof(buf)) return String(drive) + String("\\");
        return FolderForm(String(buf, (int)n));
    }
    String current = CurrentFolder(0);
    if (IsPathSep(s[0])) {
        *rest = s + 1;
        return HasDrive(current.CStr()) ? String(current.CStr(), 2) + String("\\") : String("\\");
    }
    *rest = s;
    return current;
}

// Length of the root that ".." never climbs above: "X:\", "\\server\share\"
// (only "\\server" before the share is taken), or "\".
static int RootLength(const char* s)
{
    if (HasDrive(s)) return IsPathSep(s[2]) ? 3 : 2;
    if (!(IsPathSep(s[0]) && IsPathSep(s[1]))) return IsPathSep(s[0]) ? 1 : 0;
    const char* p = EndOfComponent(s + 2);  // server
    if (*p) p = EndOfComponent(p + 1);      // share
    return (int)(p - s) + (*p ? 1 : 0);
}

String FullPath(const String& path)
{
    // Blanks at both ends go; / becomes \.
    const char* s = path.CStr();
    while (*s == ' ') ++s;
    int len = (int)strlen(s);
    while (len > 0 && s[len - 1] == ' ') --len;
    String work(s, len);
    for (char* p = work.GetBuffer(work.Length() + 1); *p; p = const_cast<char*>(NextChar(p)))
        if (*p == '/') *p = '\\';

    const char* rest = nullptr;
    String result = FullPathStart(work.CStr(), &rest);

    const char* p = rest;
    while (*p) {
        if (*p == '\\') {
            ++p;  // repeated separators merge
            continue;
        }
        const char* end = EndOfComponent(p);
        String component(p, (int)(end - p));
        bool followed = *end == '\\';
        const char* next = followed ? end + 1 : end;
        if (strcmp(component.CStr(), ".") == 0) {
            p = next;
            continue;
        }
        if (strcmp(component.CStr(), "..") == 0) {
            // Drop the last component, also of the current folder; never the root.
            int root = RootLength(result.CStr());
            if (result.Length() > root) {
                int cut = NamePart(StripBackslash(result).CStr());
                result = String(result.CStr(), cut < root ? root : cut);
            }
            p = next;
            continue;
        }
        // Make sure the path built so far ends in a separator.
        if (result.Length() > 0 && !IsPathSep(*LastChar(result.CStr())))
            result = result + String("\\");
        String stored;
        if (strpbrk(component.CStr(), "*?") || !LookUp(result, component, &stored)) {
            result = result + String(p);  // the rest as typed
            break;
        }
        result = result + stored;
        if (followed) result = result + String("\\");
        p = next;
    }
    return result;
}
