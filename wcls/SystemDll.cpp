// SystemDll.cpp - DLLs taken from the system folder only.
#include "SystemDll.h"

#include "Data.h"
#include "SysFolders.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

void RestrictDllSearch()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return;
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    typedef BOOL(WINAPI * SetDllDirectoryFn)(LPCSTR);
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // Without it (XP, Vista, 7 before its update) the program's own folder
    // stays first; at least the current folder goes.
    auto setDirectory =
        reinterpret_cast<SetDllDirectoryFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
    if (setDirectory) setDirectory("");
}

FARPROC SystemDllProc(const char* dll, const char* proc)
{
    // A DLL that loaded once stays for the process: the functions handed
    // out must stay valid.
    String path = SystemFolder() + String(dll);
    HMODULE module = GetModuleHandleA(path.CStr());
    if (!module) module = LoadLibraryA(path.CStr());
    return module ? GetProcAddress(module, proc) : nullptr;
}
