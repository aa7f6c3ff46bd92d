// PathText.h - path text rules: name part, folder form, roots, full paths.
// Every scan steps over double-byte characters, so a trail byte 0x5C ("表",
// "ソ") is never taken for a separator. Both \ and / separate when paths are
// read; the library writes \.
#pragma once

#include "Data.h"

inline bool IsPathSep(char c) { return c == '\\' || c == '/'; }
inline bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool HasDrive(const char* p) { return IsAsciiLetter(p[0]) && p[1] == ':'; }

// True when the text is empty or only blanks.
bool IsBlankText(const char* text);

// Offset of the name part: after a drive letter and colon, behind the last
// separator; the whole text when there is none.
int NamePart(const char* path);

// The path with a backslash appended unless its name part is blank.
String FolderForm(const String& path);

// The folder part (ending in its separator) and, when asked, the name part.
String SplitPath(const String& path, String* name = nullptr);

// Trailing blanks removed, then one trailing backslash unless it follows a
// drive colon.
String StripBackslash(const String& path);

// 1 when the path holds none of < > /; otherwise 0, and the library's last
// file error becomes -3.
int CheckNameChars(const char* path);

// The root for messages, as typed: \\server\share, X:, or empty.
String PathRoot(const char* path);

// The root for free-space queries: 1 for \\server\share\, -2 for \\server
// without a share, 0 for X: (of the path or the current folder), -1 when
// there is none.
int VolumeRoot(const char* path, String* root = nullptr);

// Canonical absolute form, with the long names and letter case that the
// file system stores for the components that exist.
String FullPath(const String& path);
