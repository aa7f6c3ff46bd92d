// SysFolders.cpp - the folders of the running program and of the system.
#include "SysFolders.h"

#include <windows.h>

#include "ErrorReport.h"
#include "LibStartup.h"
#include "PathText.h"

String ProgramFolder()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(g_hInstance, path, sizeof(path));
    // A path that filled the buffer was cut: never install from a cut path.
    if (n == 0 || n >= sizeof(path))
        FatalExit("致命的なエラー！プログラムパス名を取得できません");
    return SplitPath(String(path, (int)n));
}
