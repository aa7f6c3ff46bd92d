// FileHash.h - the SHA-256 digest of a file, computed by the system's
// cryptographic provider.
#pragma once

#include "Data.h"

// Fills *hex with the digest of the file's contents as 64 lower-case hex
// digits. False when the file cannot be opened or read, or the provider
// fails; GetLastError then tells why.
bool Sha256OfFile(const String& path, String* hex);
