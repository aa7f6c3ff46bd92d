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

// Builds the descriptor when the system applies security; false after
// reporting the failing step (everything built so far is released).
bool BuildOpenAccessSecurity();
void ReleaseOpenAccessSecurity();

// Gives the folder and everything below it the descriptor, each folder
// before its contents, each entry through a handle opened once and checked;
// stops at (and reports) the first failure. Links (the folder itself
// included) and files with other names are left alone, never walked into.
bool ApplyOpenAccess(PSECURITY_DESCRIPTOR security, const String& folder);

// The system calls made here, so that tests can watch them and make any of
// them fail.
typedef BOOL(WINAPI* AddAccessAllowedAceExFn)(PACL, DWORD, DWORD, DWORD, PSID);
struct SecurityCalls {
    DWORD(WINAPI* getVersion)();
    HMODULE(WINAPI* loadLibrary)(LPCSTR);
    FARPROC(WINAPI* getProcAddress)(HMODULE, LPCSTR);
    BOOL(WINAPI* freeLibrary)(HMODULE);
    BOOL(WINAPI* allocateAndInitializeSid)(PSID_IDENTIFIER_AUTHORITY, BYTE, DWORD, DWORD, DWORD, DWORD,
                                           DWORD, DWORD, DWORD, DWORD, PSID*);
    PVOID(WINAPI* freeSid)(PSID);
    HLOCAL(WINAPI* localAlloc)(UINT, SIZE_T);
    HLOCAL(WINAPI* localFree)(HLOCAL);
    BOOL(WINAPI* initializeAcl)(PACL, DWORD, DWORD);
    BOOL(WINAPI* initializeSecurityDescriptor)(PSECURITY_DESCRIPTOR, DWORD);
    BOOL(WINAPI* setSecurityDescriptorDacl)(PSECURITY_DESCRIPTOR, BOOL, PACL, BOOL);
    // Sets the security of an open file or folder; the path is its name.
    BOOL (*setObjectSecurity)(HANDLE, const char*, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR);
};
extern SecurityCalls g_securityCalls;
