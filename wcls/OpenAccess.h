// OpenAccess.h - the security that gives every user full access to the
// shared data: built once at start-up, applied to folder trees.
#pragma once

#include <windows.h>

#include "Data.h"

// The system applies security (NT family, version 5.0 or later).
extern bool g_useFileSecurity;
// Everyone: GENERIC_ALL, inherited by files and subfolders; null when not built.
extern PSECURITY_DESCRIPTOR g_openAccessSecurity;
// Attributes carrying that descriptor; null when it was not built.
extern SECURITY_ATTRIBUTES* g_openAccessAttributes;
