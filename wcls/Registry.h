// Registry.h - reading registry values into Strings.
#pragma once

#include <windows.h>

#include "Data.h"

// Queries a value; *size is the buffer size in, the value's size out. The
// buffer grows while the value does not fit (at most 10 tries). Returns the
// Windows result.
LONG RegQueryValue(HKEY key, const char* name, DWORD* type, String* out, DWORD* size);

// Reads a REG_SZ value (default when missing or of another type); returns 0
// after reporting any other failure, else 1.
int RegReadString(String* out, HKEY key, const char* name, const String& def);
