// InstallWorker.cpp - the installation once the user has confirmed it.
#include "InstallWorker.h"

#include <shlobj.h>

#include "CopyEngine.h"
#include "Entry.h"
#include "InstallRecord.h"
#include "MediaSums.h"
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

// An unattended run shows no window: its progress window stays hidden,
// without the bar (and so without the sizes the bar is weighted by).
bool ShowsProgress()
{
    return !g_setupMode.silent;
}

bool OpenProgress(InstallRun* run)
{
    const DWORD shown = ShowsProgress() ? DW_PROGRESSCTL | DW_SHOW : DW_NOBAR;
    run->progress = new DoingWnd(SetupText::kProgressTitle, -1, -1, 40 * g_cxChar, g_cyChar, run->owner,
                                 DW_CANCELBTN | DW_DISABLEOWNER | shown);
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
        run->bytesToCopy +=
            PlanSection(run->list, String(*section), run->options->folder, run->source, ShowsProgress());
    for (int i = 0; i < kSettingsNames; ++i) UndoPlanFile(SettingsFile(run, i));
    UndoPlanKey(InstallRecordKey(8));  // an update records its media there too
    if (!run->options->updateExisting) {
        const String linkName(SetupText::kShortcutFile);
        UndoPlanFolder(run->options->startMenuFolder);
        UndoPlanFile(run->options->startMenuFolder + linkName);
        if (run->WantsDesktopIcon()) {
            UndoPlanFolder(run->options->desktopFolder);
            UndoPlanFile(run->options->desktopFolder + linkName);
        }
        const String classes(kMachineClasses);
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
    SetRepairing(run->options->repair != 0, run->options->checkSources != 0);
    bool copied = true;
    for (const char* const* section = SetupSectionOrder(run->options->updateExisting != 0); *section && copied;
         ++section)
        copied = CopySection(run->list, run->progress, String(*section), run->source, run->options->folder) != 0;
    ForgetOpenedSources();
    return copied;
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

enum SettingsFileIndex { kShare, kShell, kCommon };

// What a save writes: the installed version; a file of a fresh installation
// starts with empty user fields. The shell program's file is saved
// unchanged: saving normalises its line ends.
void FillSettings(int file, FEnv2* env, bool fresh)
{
    if (fresh && file != kShell) {
        env->SetString(SetupText::kEnvDefault, SetupText::kEnvCompany, "");
        env->SetString(SetupText::kEnvDefault, SetupText::kEnvUser, "");
    }
    if (fresh && file == kShare) env->SetString(SetupText::kEnvCompanySelect, SetupText::kEnvFolder, "");
    if (file == kCommon) env->SetNumber(SetupText::kEnvProduct, SetupText::kEnvVersion, SetupText::kInstalledVersion);
}

SafePtr<FEnv2> LoadSettings(InstallRun* run, int file)
{
    return new FEnv2(SettingsFile(run, 2 * file), file == kCommon ? ENV_OPENACCESS : 0, kEnvLockTimeout,
                     kEnvLockInterval);
}

bool SaveSettings(InstallRun* run, int file, FEnv2* env)
{
    if (!env->Save()) return false;
    LogStep(SetupText::kLogSave, SettingsFile(run, 2 * file));
    return true;
}

// None of the files is created here: the list or the existing installation
// provides all three.
bool WriteSettingsFiles(InstallRun* run)
{
    SafePtr<FEnv2> envs[3] = {LoadSettings(run, kShare), LoadSettings(run, kShell), LoadSettings(run, kCommon)};
    for (const auto& env : envs)
        if (!env->IsLoaded()) return false;
    // Loaded, so the files themselves can go aside: each save writes anew.
    for (int i = 0; i < kSettingsNames; ++i)
        if (!SetAside(SettingsFile(run, i))) return false;
    for (int file = kShare; file <= kCommon; ++file) {
        FillSettings(file, envs[file].Get(), !run->options->updateExisting);
        if (!SaveSettings(run, file, envs[file].Get())) return false;
    }
    return true;
}

// A repair keeps the settings files; one it had to copy again from the
// media is made what a fresh installation makes of it.
bool RepairSettingsFiles(InstallRun* run)
{
    for (int file = kShare; file <= kCommon; ++file) {
        if (!WasRepaired(SettingsFile(run, 2 * file))) continue;
        SafePtr<FEnv2> env = LoadSettings(run, file);
        if (!env->IsLoaded() || !SetAside(SettingsFile(run, 2 * file)) || !SetAside(SettingsFile(run, 2 * file + 1)))
            return false;
        FillSettings(file, env.Get(), true);
        if (!SaveSettings(run, file, env.Get())) return false;
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

bool RecordMedia(InstallRun* run)
{
    return WriteMediaRecord(run->source, MediaSumsText(FolderForm(run->source)));
}

bool WriteUninstall(InstallRun* run)
{
    UninstallEntry entry = MakeUninstallEntry(run->options->folder, CopiedBytes() - run->bytesBefore);
    return WriteUninstallEntry(HKEY_LOCAL_MACHINE, SetupText::kUninstallKey, entry);
}

// The kinds of run a step belongs to.
enum { RUN_FRESH = 1, RUN_UPDATE = 2, RUN_REPAIR = 4, RUN_ANY = 7, RUN_RECORDS = RUN_FRESH | RUN_REPAIR };

int RunKind(const SetupOptions* options)
{
    if (options->repair) return RUN_REPAIR;
    return options->updateExisting ? RUN_UPDATE : RUN_FRESH;
}

// The steps in the order they run. An update writes the settings files and
// the media folder and leaves registry, shortcuts and access rights as they
// are; a repair keeps the settings files and writes all the rest again.
const struct {
    bool (*run)(InstallRun* run);  // false: the step has reported why
    int kinds;
} kSteps[] = {
    {OpenProgress, RUN_ANY},                      // progress window, background disabled
    {BeginUndo, RUN_ANY},                         // the journal, before the first change
    {CreateDataFolder, RUN_ANY},                  // product data folder, open to everyone
    {CopyFiles, RUN_ANY},                         // the sections of the file list
    {ShowPleaseWait, RUN_ANY},                    // no cancelling from here on
    {FlushFiles, RUN_ANY},                        // the copies on the disk before any record says so
    {WriteSettingsFiles, RUN_FRESH | RUN_UPDATE}, // ZUNTOSHL.ENV, SHARE.ENV, COMMON.ENV
    {RepairSettingsFiles, RUN_REPAIR},            // only those copied again
    {WriteApplicationRecord, RUN_RECORDS},        // software\tarvo\zunto8\data
    {RecordMedia, RUN_ANY},                       // ... its MediaDir
    {RegisterDocuments, RUN_RECORDS},             // .QDA
    {CreateShortcuts, RUN_RECORDS},               // Start menu, desktop
    {OpenDataFolderToEveryone, RUN_RECORDS},      // access rights of the data folder
    {WriteUninstall, RUN_RECORDS},                // entry in the list of installed programs
};

// What the end of a completed run says.
String CompletedText(const InstallRun* run)
{
    if (!run->options->repair) return String(SetupText::kCompleted);
    String files = RepairedFiles();
    return String(SetupText::kRepaired) +
           (files.IsEmpty() ? String(SetupText::kRepairedNoFiles) : String(SetupText::kRepairedFiles) + files) +
           String(SetupText::kRepairedRecords);
}

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
    ForgetOpenedSources();
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
        ShowMessage(run->owner, CompletedText(run).CStr(), SetupText::kAppTitle, MB_OK);
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
        if (!(step.kinds & RunKind(options))) continue;
        if (!step.run(&run)) return Finish(&run, false);
    }
    return Finish(&run, true);
}
