// Entry.cpp - the setup program's start-up: command line, running-
// application check, COM, library start-up, source folder, driver.
#include "Entry.h"

#include <objbase.h>

#include "MediaSums.h"
#include "SetupDriver.h"
#include "SetupTexts.h"
#include "StartupTable.h"
#include "Unattended.h"
#include "wcls/ErrorReport.h"
#include "wcls/Shutdown.h"
#include "wcls/SysFolders.h"

int g_exitCode;
SetupMode g_setupMode;

static void UninitializeCom()
{
    CoUninitialize();
}

bool InitApplication(HINSTANCE hinst)
{
    DWORD v = GetVersion();
    unsigned version = (LOBYTE(LOWORD(v)) << 8) | HIBYTE(LOWORD(v));
    if (version < 0x501) {
        AnsweredBox(nullptr, SetupText::kNeedsWindowsXP, SetupText::kAppTitle, MB_OK | MB_ICONHAND);
        return false;
    }
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
    return RunStartupSteps(hinst);
}

static const char* ModeName(const SetupMode& mode)
{
    if (mode.verify) return SetupText::kLogModeVerify;
    if (mode.update) return SetupText::kLogModeUpdate;
    if (mode.repair && !mode.uninstall) return SetupText::kLogModeRepair;
    return mode.uninstall ? SetupText::kLogModeUninstall : SetupText::kLogModeInstall;
}

// The run up to the driver's return; the exit code of an interactive run.
static int RunSetup(HINSTANCE hinst, const char* cmd)
{
    // The application must not run while it is set up: point the user at it.
    // Checking the media changes nothing and may run beside it.
    if (HWND app = g_setupMode.verify ? nullptr : FindWindowA(SetupText::kAppMainWndClass, nullptr)) {
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

    String source = ProgramFolder();
    LogStep(SetupText::kLogCommand, String(cmd));
    LogStep(SetupText::kLogMode, String(ModeName(g_setupMode)));
    LogStep(SetupText::kLogSource, source);
    if (g_setupMode.verify) return VerifyMedia(source);
    SetupDriver(g_setupMode.update, g_setupMode.uninstall, source);
    return g_exitCode;
}

int SetupMain(HINSTANCE hinst, const char* cmd)
{
    g_exitCode = 0;
    // Read first: an unattended run answers even the first box itself.
    g_setupMode = ParseCommandLine(cmd);
    if (!StartUnattended(g_setupMode)) return FinishRun(g_setupMode, -1);
    return FinishRun(g_setupMode, RunSetup(hinst, cmd ? cmd : ""));
}
