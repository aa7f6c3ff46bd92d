/* planted.c - a DLL named like a system DLL, planted beside SETUP.EXE by the
   unattended tests: when loaded it leaves NAME.dll.LOADED beside itself. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE hinst, DWORD reason, LPVOID reserved)
{
    char path[MAX_PATH + 8];
    DWORD n = GetModuleFileNameA(hinst, path, MAX_PATH);
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH && n > 0 && n < MAX_PATH) {
        lstrcatA(path, ".LOADED");
        CloseHandle(CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    }
    return TRUE;
}
