// InstallWorker.cpp - the installation once the user has confirmed it.
#include "InstallWorker.h"

#include <shlobj.h>

#include "CopyEngine.h"
#include "InstallRecord.h"
#include "RegistryRecords.h"
#include "SetupDriver.h"
#include "SetupFileList.h"
#include "SetupTexts.h"
#include "Shortcut.h"
#include "Unattended.h"
#include "UndoJournal.h"
#include "wcls/DoingWnd.h"
#include "wcls/ErrorReport.h"
#include "wcls/FEnv2.h"
#include "wcls/FileOps.h"
#include "wcls/LibStartup.h"
#include "wcls/OpenAccess.h"
#include "wcls/PathText.h"
#include "wcls/Registry.h"

namespace {

const DWORD kEnvLockTimeout = 10000;
const DWORD kEnvLockInterval = 100;

// What the steps of one run share.
struct InstallRun {
    HWND owner;
    SetupOptions* options;
    FEnv2* list;
    String source;
    DoingWnd* progress;     // owned by its window
    InstallRecord record;
    uint64_t bytesBefore;  // CopiedBytes() when the run began
    uint64_t bytesToCopy;  // what the sections will write, for the progress bar

    String Main() const { return options->folder + String(SetupText::kMainFolder); }
    String ShellProgram() const { return Main() + String(SetupText::kShellProgram); }
    bool WantsDesktopIcon() const { return options->desktopIcon && !IsBlankText(options->desktopFolder.CStr()); }
};

bool OpenProgress(InstallRun* run)
{
    run->progress = new DoingWnd(SetupText::kProgressTitle, -1, -1, 40 * g_cxChar, g_cyChar, run->owner,
                                 DW_CANCELBTN | DW_PROGRESSCTL | DW_SHOW | DW_DISABLEOWNER);
    return true;  // window creation retries or ends the process; it never fails here
}

// The settings files the run saves, each with the ".BAK" its save writes.
String SettingsFile(const InstallRun* run, int index)
{
    const String files[] = {run->Main() + String(SetupText::kShareEnv), run->Main() + String(SetupText::kShellEnv),
                            g_productDataDir + String(SetupText::kCommonEnv)};
    return files[index / 2] + String(index % 2 ? ".BAK" : "");
}
const int kSettingsNames = 6;

// Before the first change: what the run will touch, in the journal that
// lets a stopped or crashed run be undone.
bool BeginUndo(InstallRun* run)
{
    UndoPlanReset();
    UndoPlanShellProgram(run->ShellProgram());
    UndoPlanFolder(run->options->folder);
    UndoPlanFolder(g_productDataDir);
    for (const char* const* section = SetupSectionOrder(run->options->updateExisting != 0); *section; ++section)
        run->bytesToCopy += PlanSection(run->list, String(*section), run->options->folder, run->source);
    for (int i = 0; i < kSettingsNames; ++i) UndoPlanFile(SettingsFile(run, i));
    if (!run->options->updateExisting) {
        const String linkName(SetupText::kShortcutFile);
        UndoPlanFolder(run->options->startMenuFolder);
        UndoPlanFile(run->options->startMenuFolder + linkName);
        if (run->WantsDesktopIcon()) {
            UndoPlanFolder(run->options->desktopFolder);
            UndoPlanFile(run->options->desktopFolder + linkName);
        }
        const String classes(kMachineClasses);
        UndoPlanKey(InstallRecordKey(8));
        UndoPlanKey((classes + String(SetupText::kDocTypeProgId)).CStr());
        UndoPlanKey((classes + String(SetupText::kDocTypeExtension)).CStr());
        UndoPlanKey(SetupText::kUninstallKey);
    }
    return UndoBegin();
}

// A file written outside the copy engine: what is there is set aside first.
bool SetAside(const String& path)
{
    if (UndoSetAside(path) == ASIDE_DONE) return true;
    ReportCannotWrite(GetLastError(), path);
    return false;
}

bool CreateDataFolder(InstallRun*)
{
    return CreateFolder(StripBackslash(g_productDataDir), g_openAccessAttributes) != 0 && HoldDataFolder();
}

bool CopyFiles(InstallRun* run)
{
    // The bar in kilobytes of what the copies write.
    int first = (int)(run->bytesBefore / 1024);
    run->progress->SetRange(first, first + (int)(run->bytesToCopy / 1024) + 1);
    for (const char* const* section = SetupSectionOrder(run->options->updateExisting != 0); *section; ++section)
        if (!CopySection(run->list, run->progress, String(*section), run->source, run->options->folder))
            return false;
    return true;
}

bool ShowPleaseWait(InstallRun* run)
{
    run->progress->SetPos(run->progress->Max());
    run->progress->SetMessage(String(SetupText::kPleaseWait));
    UpdateWindow(run->progress->HWnd());
    return true;
}

bool FlushFiles(InstallRun*)
{
    return FlushCopies();
}

// None of the files is created here: the list or the existing installation
// provides all three. A fresh installation starts with empty user fields.
bool WriteSettingsFiles(InstallRun* run)
{
    SafePtr<FEnv2> shell = new FEnv2(run->Main() + String(SetupText::kShellEnv), 0, kEnvLockTimeout, kEnvLockInterval);
    SafePtr<FEnv2> share = new FEnv2(run->Main() + String(SetupText::kShareEnv), 0, kEnvLockTimeout, kEnvLockInterval);
    SafePtr<FEnv2> common = new FEnv2(g_productDataDir + String(SetupText::kCommonEnv), ENV_OPENACCESS,
                                      kEnvLockTimeout, kEnvLockInterval);
    if (!shell->IsLoaded() || !share->IsLoaded() || !common->IsLoaded()) return false;
    // Loaded, so the files themselves can go aside: each save writes anew.
    for (int i = 0; i < kSettingsNames; ++i)
        if (!SetAside(SettingsFile(run, i))) return false;
    if (!run->options->updateExisting) {
        common->SetString(SetupText::kEnvDefault, SetupText::kEnvCompany, "");
        common->SetString(SetupText::kEnvDefault, SetupText::kEnvUser, "");
        share->SetString(SetupText::kEnvDefault, SetupText::kEnvCompany, "");
        share->SetString(SetupText::kEnvDefault, SetupText::kEnvUser, "");
        share->SetString(SetupText::kEnvCompanySelect, SetupText::kEnvFolder, "");
    }
    common->SetNumber(SetupText::kEnvProduct, SetupText::kEnvVersion, SetupText::kInstalledVersion);
    // The shell program's file is saved unchanged: saving normalises its line ends.
    const struct {
        FEnv2* env;
        String path;
    } saves[] = {
        {share.Get(), run->Main() + String(SetupText::kShareEnv)},
        {shell.Get(), run->Main() + String(SetupText::kShellEnv)},
        {common.Get(), g_productDataDir + String(SetupText::kCommonEnv)},
    };
    for (const auto& save : saves) {
        if (!save.env->Save()) return false;
        LogStep(SetupText::kLogSave, save.path);
    }
    return true;
}

bool WriteApplicationRecord(InstallRun* run)
{
    const String linkName(SetupText::kShortcutFile);
    run->record.AppDir = run->options->folder;
    run->record.pathShortcut1 = run->options->startMenuFolder + linkName;
    run->record.pathShortcut2 = run->WantsDesktopIcon() ? run->options->desktopFolder + linkName : String();
    return WriteInstallRecord(&run->record);
}

bool RegisterDocuments(InstallRun* run)
{
    return RegisterDocumentType(run->options->folder);
}

bool CreateShortcuts(InstallRun* run)
{
    String shell = run->ShellProgram();
    const String* links[] = {&run->record.pathShortcut1, &run->record.pathShortcut2};
    for (const String* link : links) {
        if (link->IsEmpty()) continue;
        if (!SetAside(*link)) return false;
        if (!CreateShortcut(shell.CStr(), "", SetupText::kShortcutDescription, shell.CStr(), 0, *link)) return false;
        LogStep(SetupText::kLogShortcut, *link);
    }
    return true;
}

bool OpenDataFolderToEveryone(InstallRun*)
{
    if (!g_useFileSecurity) return true;
    String folder = FolderForm(g_commonAppDataDir) + String(SetupText::kProductDataFolder);
    if (!ApplyOpenAccess(g_openAccessSecurity, folder)) return false;
    LogStep(SetupText::kLogAccess, folder);
    return true;
}

bool WriteUninstall(InstallRun* run)
{
    UninstallEntry entry = MakeUninstallEntry(run->options->folder, CopiedBytes() - run->bytesBefore);
    return WriteUninstallEntry(HKEY_LOCAL_MACHINE, SetupText::kUninstallKey, entry);
}

// The steps in the order they run; an update stops after the settings
// files and leaves registry, shortcuts and access rights as they are.
const struct {
    bool (*run)(InstallRun* run);  // false: the step has reported why
    bool freshOnly;
} kSteps[] = {
    {OpenProgress, false},              // progress window, background disabled
    {BeginUndo, false},                 // the journal, before the first change
    {CreateDataFolder, false},          // product data folder, open to everyone
    {CopyFiles, false},                 // the sections of the file list
    {ShowPleaseWait, false},            // no cancelling from here on
    {FlushFiles, false},                // the copies on the disk before any record says so
    {WriteSettingsFiles, false},        // ZUNTOSHL.ENV, SHARE.ENV, COMMON.ENV
    {WriteApplicationRecord, true},     // software\tarvo\zunto8\data
    {RegisterDocuments, true},          // .QDA
    {CreateShortcuts, true},            // Start menu, desktop
    {OpenDataFolderToEveryone, true},   // access rights of the data folder
    {WriteUninstall, true},             // entry in the list of installed programs
};

// An ending that did not complete: the run is undone. What could not be
// restored is named; then the shell program has gone, so that no
// half-installed application can be started.
String Undo(InstallRun* run)
{
    if (run->progress) {
        run->progress->SetMessage(String(SetupText::kUndoing));
        UpdateWindow(run->progress->HWnd());
    }
    StopFlushing();
    String notRestored;
    if (UndoRun(&notRestored)) return String(SetupText::kAborted);
    DeleteFileA(run->ShellProgram().CStr());
    return String(SetupText::kAborted) + String(SetupText::kNotRestoredHead) + notRestored;
}

// Both endings: the shell hears of the changes, the user of the outcome.
int Finish(InstallRun* run, bool completed)
{
    if (completed) UndoCommit();
    String aborted = completed ? String() : Undo(run);
    if (run->progress) run->progress->Close();
    SHChangeNotify(SHCNE_ALLEVENTS, SHCNF_DWORD, nullptr, nullptr);
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_DWORD, nullptr, nullptr);
    if (completed) {
        NoteChangesCompleted();
        ShowMessage(run->owner, SetupText::kCompleted, SetupText::kAppTitle, MB_OK);
        return 1;
    }
    ShowMessage(run->owner, aborted.CStr(), SetupText::kAppTitle, MB_OK);
    return 0;
}

}  // namespace

int InstallWorker(HWND owner, SetupOptions* options, FEnv2* list, String source)
{
    InstallRun run{owner, options, list, source, nullptr, InstallRecord(), CopiedBytes(), 0};
    NoteChangesBegun();
    LogStep(SetupText::kLogProgram, options->folder);
    LogStep(SetupText::kLogData, g_productDataDir);
    for (const auto& step : kSteps) {
        if (step.freshOnly && options->updateExisting) break;
        if (!step.run(&run)) return Finish(&run, false);
    }
    return Finish(&run, true);
}
