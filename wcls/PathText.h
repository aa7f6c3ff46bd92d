// PathText.h - path text rules: name part, folder form, splitting.
// Every scan steps over double-byte characters, so a trail byte 0x5C is
// never taken for a separator.
#pragma once

#include "Data.h"

inline bool IsPathSep(char c) { return c == '\\' || c == '/'; }
inline bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool HasDrive(const char* p) { return IsAsciiLetter(p[0]) && p[1] == ':'; }

// Offset of the name part: after a drive letter and colon, behind the last
// separator.
int NamePart(const char* path);

// The path with a backslash appended unless its name part is blank.
String FolderForm(const String& path);

// The folder part (ending in its separator) and, when asked, the name part.
String SplitPath(const String& path, String* name = nullptr);

// True when the text is empty or only blanks.
bool IsBlankText(const char* text);
