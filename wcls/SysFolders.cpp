// SysFolders.cpp - the folders of the running program and of the system.
#include "SysFolders.h"

#include <windows.h>

#include "Assert.h"
#include "LibStartup.h"
#include "LibTexts.h"
#include "PathText.h"

String ProgramFolder()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(g_hInstance, path, sizeof(path));
    // A path that filled the buffer was cut: never install from a cut path.
    if (n == 0 || n >= sizeof(path))
        FatalExit(LibText::kNoProgramPath);
    return SplitPath(String(path, (int)n));
}

// Asks with a 270-byte buffer (told 262), then again with a buffer of the
// reported length when that did not fit.
static String QueryFolder(UINT (WINAPI* query)(LPSTR, UINT), const char* fatalText)
{
    String folder;
    UINT n = query(folder.GetBuffer(270), 262);
    if (n > MAX_PATH) n = query(folder.GetBuffer((int)n + 10), n + 2);
    if (n == 0) FatalExit(fatalText);
    return FolderForm(String(folder.CStr()));
}

String WindowsFolder()
{
    return QueryFolder(GetWindowsDirectoryA, LibText::kNoWindowsFolder);
}

String SystemFolder()
{
    return QueryFolder(GetSystemDirectoryA, LibText::kNoSystemFolder);
}

String CurrentFolder(int flags)
{
    LIB_ASSERT(flags==0 || flags==1, "wcls/Func");
    String folder;
    DWORD n = GetCurrentDirectoryA(MAX_PATH, folder.GetBuffer(MAX_PATH));
    if (n > MAX_PATH) n = GetCurrentDirectoryA(n, folder.GetBuffer((int)n));
    if (n == 0) return String();
    String result(folder.CStr());
    return flags == 0 ? FolderForm(result) : result;
}
