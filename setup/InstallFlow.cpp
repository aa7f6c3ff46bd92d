// InstallFlow.cpp - the install flow: background window, folders, the file
// list, the record of an installed copy, then the update or the setup
// dialog, and the install worker.
#include "Flows.h"

#include "BackgroundWindow.h"
#include "Entry.h"
#include "InstallWorker.h"
#include "SetupDlg.h"
#include "SetupTexts.h"
#include "wcls/ErrorReport.h"
#include "wcls/FEnv2.h"
#include "wcls/ModalLoop.h"
#include "wcls/PathText.h"
#include "wcls/ShellFolder.h"
#include "wcls/SysFolders.h"
#include "wcls/WorkWnd.h"

namespace {

enum {
    kCsidlPrograms = 0x02,
    kCsidlDesktopDirectory = 0x10,
    kCsidlCommonPrograms = 0x17,
    kCsidlCommonDesktopDirectory = 0x19,
#ifdef _WIN64
    // A 64-bit build installs where the shipped 32-bit program would.
    kCsidlProgramFiles = 0x2a,  // CSIDL_PROGRAM_FILESX86
#else
    kCsidlProgramFiles = 0x26,  // CSIDL_PROGRAM_FILES
#endif
};

// The all-users folder, else the user's own; empty when neither is known.
String FindFolder(int common, int own)
{
    String folder;
    SpecialFolder(&folder, nullptr, common, false);
    if (IsBlankText(folder.CStr())) SpecialFolder(&folder, nullptr, own, false);
    return folder;
}

// Program Files (on the system's drive when the shell does not know it)
// followed by the product's folder, without a trailing backslash.
String DefaultProgramFolder(HWND owner)
{
    String programFiles;
    if (!SpecialFolder(&programFiles, owner, kCsidlProgramFiles, false) || IsBlankText(programFiles.CStr())) {
        programFiles = String(SetupText::kDefaultProgramFiles);
        *programFiles.WritableAt(0) = WindowsFolder().CStr()[0];
    }
    return FolderForm(programFiles) + String(SetupText::kDefaultProgramFolder);
}

// The setup dialog in its modal loop over the disabled background window;
// true when the user confirmed.
bool RunSetupDialog(HWND background, SetupOptions* options)
{
    SetForegroundWindow(background);
    SetupDlg* dlg = new SetupDlg(background, options);
    EnableWindow(background, FALSE);
    int result = RunModalLoop(ML_DIALOGKEYS, dlg->HWnd(), nullptr);
    EnableWindow(background, TRUE);
    DestroyWnd(dlg);
    return result == 1;
}

// Decides between an update and a fresh installation and gets the options
// ready; false ends the flow.
bool PrepareRun(bool update, HWND background, SetupOptions* options, const InstallRecord& record)
{
    bool confirmed = false;
    if (!update && !IsBlankText(record.AppDir.CStr()) && IsInstallationComplete(record)) {
        if (AskUpdateFound(record)) {
            update = confirmed = true;
        } else if (ShowMessage(background, SetupText::kAlreadyInstalled, SetupText::kAppTitle,
                               MB_YESNO | MB_ICONQUESTION) == IDYES) {
            return false;
        }
    }
    if (update) return PrepareUpdate(record, options, confirmed, background);
    // /DIR and /NOICON set what the dialog proposes; an unattended run
    // checks that folder as OK in the dialog would.
    options->folder = g_setupMode.hasDir ? g_setupMode.dir : DefaultProgramFolder(background);
    if (g_setupMode.noIcon) options->desktopIcon = 0;
    if (g_setupMode.silent) return ConfirmProgramFolder(nullptr, &options->folder);
    return RunSetupDialog(background, options);
}

// The steps between showing the background window and taking it down.
void RunInstall(bool update, const String& source, HWND background, SetupOptions* options)
{
    if (!FindShortcutFolders(background, options)) return;
    SafePtr<FEnv2> list = new FEnv2(FolderForm(source) + String(SetupText::kSetupList), 0, 10000, 100);
    if (!list->IsLoaded()) return;  // the file layer has said why

    InstallRecord record;
    if (!ReadInstallRecord(&record, 8)) return;
    if (!PrepareRun(update, background, options, record)) return;
    InstallWorker(background, options, list.Get(), source);  // tells the user the outcome
}

}  // namespace

bool FindShortcutFolders(HWND owner, SetupOptions* options)
{
    options->startMenuFolder = FindFolder(kCsidlCommonPrograms, kCsidlPrograms);
    options->desktopFolder = FindFolder(kCsidlCommonDesktopDirectory, kCsidlDesktopDirectory);
    if (!IsBlankText(options->startMenuFolder.CStr())) return true;
    ShowMessage(owner, SetupText::kNoStartMenuFolder, SetupText::kAppTitle, MB_OK | MB_ICONHAND);
    return false;
}

void RunOverBackground(bool uninstall, const std::function<void(HWND owner)>& steps)
{
    if (g_setupMode.silent) {
        steps(nullptr);
        return;
    }
    BackgroundWindow* background = new BackgroundWindow(uninstall ? 1 : 0);
    HWND hwnd = background->Create();
    ShowWindow(hwnd, SW_MAXIMIZE);
    {
        SafePtr<WorkWnd> work = new WorkWnd(hwnd);
        steps(hwnd);
    }
    DestroyWnd(background);
}

void InstallFlow(bool update, const String& source)
{
    SetupOptions options;
    RunOverBackground(false, [&](HWND owner) { RunInstall(update, source, owner, &options); });
}
