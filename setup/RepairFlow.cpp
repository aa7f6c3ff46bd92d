// RepairFlow.cpp - mending the installed copy from its media: the program
// files that are missing or differ from the media are copied again; the
// records, the document type, the uninstall entry, the shortcuts and the
// access rights of the data folder are written again; the settings files
// stay as they are.
#include "Flows.h"

#include "BackgroundWindow.h"
#include "Entry.h"
#include "InstallWorker.h"
#include "SetupDriver.h"
#include "SetupTexts.h"
#include "wcls/ErrorReport.h"
#include "wcls/FEnv2.h"
#include "wcls/FileOps.h"
#include "wcls/PathText.h"
#include "wcls/WorkWnd.h"

namespace {

bool HoldsList(const String& folder)
{
    return PathStateQuiet(FolderForm(folder) + String(SetupText::kSetupList)) == PS_FILE;
}

// The media: the folder this SETUP.EXE runs from when it holds the list,
// else the media folder the installation recorded, asked for with the disk
// prompt until it is there.
bool FindMedia(HWND owner, const String& source, const InstallRecord& record, String* media)
{
    if (HoldsList(source)) {
        *media = source;
        return true;
    }
    if (IsBlankText(record.mediaDir.CStr())) {
        ShowMessage(owner, SetupText::kRepairNoMedia, SetupText::kAppTitle, MB_OK | MB_ICONHAND);
        return false;
    }
    String prompt = String(SetupText::kDiskPromptHead) + String(" 1 ") + String(SetupText::kDiskPromptMiddle) +
                    record.mediaDir + String(SetupText::kDiskPromptTail);
    while (!HoldsList(record.mediaDir))
        if (ShowMessage(owner, prompt.CStr(), SetupText::kAppTitle, MB_OKCANCEL | MB_ICONINFORMATION) != IDOK)
            return false;
    *media = record.mediaDir;
    return true;
}

// The media mend only their own version: another one is updated or set up.
// A COMMON.ENV that has gone is copied again by the repair.
bool IsThisVersion(const InstallRecord& record)
{
    String path = g_productDataDir + String(SetupText::kCommonEnv);
    if (!(PathStateQuiet(path) & PS_FILE)) return true;
    SafePtr<FEnv2> env = new FEnv2(path, ENV_OPENACCESS, 10000, 100);
    if (!env->IsLoaded()) return false;  // the file layer has said why
    if (env->GetNumber(SetupText::kEnvProduct, SetupText::kEnvVersion, 0) == SetupText::kInstalledVersion) return true;
    String detail = String(SetupText::kFolderLabel) + record.AppDir;
    ReportMessage(SetupText::kRepairOtherVersion, detail.CStr());
    return false;
}

// The shortcuts go where the installation put them.
void TakeShortcutFolders(const InstallRecord& record, SetupOptions* options)
{
    if (!IsBlankText(record.pathShortcut1.CStr())) options->startMenuFolder = SplitPath(record.pathShortcut1);
    options->desktopIcon = !IsBlankText(record.pathShortcut2.CStr());
    if (options->desktopIcon) options->desktopFolder = SplitPath(record.pathShortcut2);
}

void RunRepair(const String& source, HWND background)
{
    InstallRecord record;
    if (!ReadInstallRecord(&record, 8)) return;
    if (IsBlankText(record.AppDir.CStr())) {
        ReportMessage(SetupText::kNotInstalled, "");
        return;
    }
    SetupOptions options;
    options.folder = FolderForm(record.AppDir);
    options.repair = 1;
    if (!IsThisVersion(record) || !FindShortcutFolders(background, &options)) return;
    TakeShortcutFolders(record, &options);
    String media;
    if (!FindMedia(background, source, record, &media)) return;
    SafePtr<FEnv2> list = new FEnv2(FolderForm(media) + String(SetupText::kSetupList), 0, 10000, 100);
    if (!list->IsLoaded()) return;  // the file layer has said why
    String text = String(SetupText::kConfirmRepairHead) + options.folder + String(SetupText::kConfirmRepairTail);
    if (ShowMessage(background, text.CStr(), SetupText::kAppTitle, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    InstallWorker(background, &options, list.Get(), media);  // tells the user the outcome
}

}  // namespace

void RepairFlow(const String& source)
{
    if (g_setupMode.silent) {  // no background window: every box goes unshown
        RunRepair(source, nullptr);
        return;
    }
    BackgroundWindow* background = new BackgroundWindow(0);
    HWND hwnd = background->Create();
    ShowWindow(hwnd, SW_MAXIMIZE);
    {
        SafePtr<WorkWnd> work = new WorkWnd(hwnd);
        RunRepair(source, hwnd);
    }
    DestroyWnd(background);
}
