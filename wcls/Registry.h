// Registry.h - reading registry values into Strings.
#pragma once

#include <windows.h>
#include <string.h>

#include "Data.h"

// The machine's document classes. They are written here rather than through
// HKEY_CLASSES_ROOT, whose merged view would send the write to a key that
// the current user made beforehand under his own classes.
constexpr char kMachineClasses[] = "Software\\Classes\\";

// The registry view of the shipped 32-bit program for a key under root. A
// 64-bit build asks for the 32-bit view, so that what it writes is where the
// 32-bit application reads it (a 32-bit program sees that view anyway). The
// document classes are one key for both views, as Windows 7 on shares them.
inline REGSAM RegView(HKEY root, const char* path = "")
{
#ifdef _WIN64
    bool classes = root == HKEY_CLASSES_ROOT || _strnicmp(path, kMachineClasses, sizeof(kMachineClasses) - 1) == 0;
    return classes ? 0 : KEY_WOW64_32KEY;
#else
    (void)root;
    (void)path;
    return 0;
#endif
}

// RegDeleteKeyA in that view (RegDeleteKeyExA is missing on 32-bit XP).
LONG RegDeleteKeyInView(HKEY root, const char* path);

// Queries a value; *size is the buffer size in, the value's size out. The
// buffer grows while the value does not fit (at most 10 tries). Returns the
// Windows result.
LONG RegQueryValue(HKEY key, const char* name, DWORD* type, String* out, DWORD* size);

// Reads a REG_SZ value (default when missing or of another type); returns 0
// after reporting any other failure, else 1.
int RegReadString(String* out, HKEY key, const char* name, const String& def);
