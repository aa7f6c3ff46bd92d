// RepairFlow.cpp - mending the installed copy from its media: the program
// files that are missing or differ from the media are copied again; the
// records, the document type, the uninstall entry, the shortcuts and the
// access rights of the data folder are written again; the settings files
// stay as they are.
#include "Flows.h"

#include <string.h>

#include "CopyEngine.h"
#include "InstallWorker.h"
#include "MediaSums.h"
#include "SetupDriver.h"
#include "SetupTexts.h"
#include "wcls/ErrorReport.h"
#include "wcls/FEnv2.h"
#include "wcls/Handles.h"
#include "wcls/LibTexts.h"
#include "wcls/FileOps.h"
#include "wcls/PathText.h"

namespace {

bool HoldsList(const String& folder)
{
    return PathStateQuiet(FolderForm(folder) + String(SetupText::kSetupList)) == PS_FILE;
}

// The media: the folder this SETUP.EXE runs from when it holds the list,
// else the media folder the installation recorded, asked for with the disk
// prompt until it is there. Those are taken only as far as the SETUP.SUM
// recorded with them vouches for them: the folder may be one that others
// can change since, the record only administrators.
bool FindMedia(HWND owner, const String& source, const InstallRecord& record, SetupOptions* options, String* media)
{
    if (HoldsList(source)) {
        *media = source;
        return true;
    }
    if (IsBlankText(record.mediaDir.CStr()) || IsBlankText(record.mediaSum.CStr())) {
        ShowMessage(owner, SetupText::kRepairNoMedia, SetupText::kAppTitle, MB_OK | MB_ICONHAND);
        return false;
    }
    String prompt = DiskPrompt(1, record.mediaDir);
    while (!HoldsList(record.mediaDir))
        if (ShowMessage(owner, prompt.CStr(), SetupText::kAppTitle, MB_OKCANCEL | MB_ICONINFORMATION) != IDOK)
            return false;
    *media = FolderForm(record.mediaDir);
    PinMediaSums(record.mediaSum);
    if (strcmp(MediaSumsText(*media).CStr(), record.mediaSum.CStr()) != 0) {
        String text = String(SetupText::kRepairOtherMediaHead) + record.mediaDir + String(SetupText::kRepairOtherMediaTail);
        ShowMessage(owner, text.CStr(), SetupText::kAppTitle, MB_OK | MB_ICONHAND);
        return false;
    }
    options->checkSources = 1;
    return true;
}

// Copies the list of the media into a new file of this user's temporary
// folder; false after telling why not (the copy is gone then).
bool CopyList(const String& media, const String& copy)
{
    String path = media + String(SetupText::kSetupList);
    UniqueFile in(CreateFileA(path.CStr(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!in) {
        ReportSystemError(GetLastError(), ERR_READ, path, Framed(SetupText::kFileHead, path.CStr(), SetupText::kCannotReadTail));
        return false;
    }
    UniqueFile out(CreateFileA(copy.CStr(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
    static char s_buffer[65536];
    for (;;) {
        DWORD got = 0, written = 0;
        if (!ReadFile(in.Get(), s_buffer, sizeof(s_buffer), &got, nullptr)) {
            ReportSystemError(GetLastError(), ERR_READ, path,
                              Framed(SetupText::kFileHead, path.CStr(), SetupText::kCannotReadTail));
            return false;
        }
        if (got == 0) break;
        if (!out || !WriteFile(out.Get(), s_buffer, got, &written, nullptr) || written != got) break;
    }
    if (out && out.Close()) return true;
    ReportCannotWrite(GetLastError(), copy);
    return false;
}

// The list of recorded media, loaded from a copy of its own in this user's
// temporary folder once their SETUP.SUM vouches for that copy; empty after
// telling why not.
String PrivateListCopy(const String& media)
{
    String copy;
    if (!NewPrivateFileName(&copy)) {
        ReportCannotWrite(GetLastError(), copy);
        return String();
    }
    if (CopyList(media, copy)) {
        UniqueFile check(CreateFileA(copy.CStr(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (check && CheckMediaHandle(media, String(SetupText::kSetupList), check.Get()) == MEDIA_SOUND) return copy;
        ReportDamagedMedia(String(SetupText::kSetupList));
    }
    DeleteFileA(copy.CStr());
    return String();
}

// The media mend only their own version: another one is updated or set up.
// COMMON.ENV says which is installed, as for an update; one that has gone
// is copied again by the repair.
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
    if (!FindMedia(background, source, record, &options, &media)) return;
    String listPath = options.checkSources ? PrivateListCopy(media) : FolderForm(media) + String(SetupText::kSetupList);
    if (listPath.IsEmpty()) return;
    {
        SafePtr<FEnv2> list = new FEnv2(listPath, 0, 10000, 100);
        String text = String(SetupText::kConfirmRepairHead) + options.folder + String(SetupText::kConfirmRepairMedia) +
                      media + String(SetupText::kConfirmRepairTail);
        if (list->IsLoaded() &&  // else the file layer has said why
            ShowMessage(background, text.CStr(), SetupText::kAppTitle, MB_YESNO | MB_ICONQUESTION) == IDYES)
            InstallWorker(background, &options, list.Get(), media);  // tells the user the outcome
    }
    if (options.checkSources) DeleteFileA(listPath.CStr());
}

}  // namespace

void RepairFlow(const String& source)
{
    RunOverBackground(false, [&](HWND owner) { RunRepair(source, owner); });
}
