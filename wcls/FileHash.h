// FileHash.h - SHA-256 digests computed by the system's cryptographic
// provider, as 64 lower-case hex digits.
#pragma once

#include <windows.h>

#include "Data.h"

// The digest of a file's contents. False when the file cannot be opened or
// read, is no disk file (a device name), or the provider fails;
// GetLastError then tells why.
bool Sha256OfFile(const String& path, String* hex);

// The digest of what the open file holds from its start; the file is left
// at its start again, so that the same handle can be copied next.
bool Sha256OfHandle(HANDLE file, String* hex);

// The digest of bytes in memory.
bool Sha256OfBytes(const void* data, DWORD size, String* hex);
