// SystemDll.h - DLLs taken from the system folder only: a program started
// from a downloads folder must not load a DLL that someone placed beside it.
#pragma once

#include <windows.h>

// Restricts the search of every later DLL load (the system's own loads
// included) to the system folder where the system can, and takes the
// current folder out of it elsewhere. Call first thing in WinMain; the
// calls are looked up at run time, so older systems still start.
void RestrictDllSearch();

// A function of a DLL of the system folder (dll: "LZ32.DLL"), loaded by its
// full path on first use and kept for the process; null when either is
// missing.
FARPROC SystemDllProc(const char* dll, const char* proc);
