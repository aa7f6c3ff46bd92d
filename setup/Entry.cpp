// Entry.cpp - the setup program's start-up: running-application check, COM,
// library start-up, command line, source folder, driver.
#include "Entry.h"

#include <objbase.h>

#include "CommandLine.h"
#include "SetupDriver.h"
#include "SetupTexts.h"
#include "StartupTable.h"
#include "wcls/ErrorReport.h"
#include "wcls/Shutdown.h"
#include "wcls/SysFolders.h"

int g_exitCode;

static void UninitializeCom()
{
    CoUninitialize();
}

bool InitApplication(HINSTANCE hinst)
{
    DWORD v = GetVersion();
    unsigned version = (LOBYTE(LOWORD(v)) << 8) | HIBYTE(LOWORD(v));
    if (version < 0x501) {
        MessageBoxA(nullptr, SetupText::kNeedsWindowsXP, SetupText::kAppTitle, MB_OK | MB_ICONHAND);
        return false;
    }
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
    return RunStartupSteps(hinst);
}

int SetupMain(HINSTANCE hinst, const char* cmd)
{
    g_exitCode = 0;

    // The application must not run while it is set up: point the user at it.
    if (HWND app = FindWindowA(SetupText::kAppMainWndClass, nullptr)) {
        ShowMessage(nullptr, SetupText::kAppRunning, SetupText::kAppRunningTitle, MB_OK | MB_ICONHAND);
        SetWindowPos(app, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
        return 0;
    }

    if (FAILED(CoInitialize(nullptr))) {
        ShowMessage(nullptr, SetupText::kComInitFailed, SetupText::kComInitFailedTitle,
                    MB_OK | MB_ICONEXCLAMATION);
        return -1;
    }
    AddShutdown(UninitializeCom);

    if (!InitApplication(hinst)) return -1;

    SetupMode mode = ParseCommandLine(cmd);
    String source = ProgramFolder();
    SetupDriver(mode.update, mode.uninstall, source);
    return g_exitCode;
}
