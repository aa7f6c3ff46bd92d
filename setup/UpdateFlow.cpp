// UpdateFlow.cpp - turning an install into an update of the installed copy:
// the completeness test, the question, and the checks before the worker.
#include "Flows.h"

#include "SetupDriver.h"
#include "SetupTexts.h"
#include "Unattended.h"
#include "wcls/ErrorReport.h"
#include "wcls/FEnv2.h"
#include "wcls/FileOps.h"
#include "wcls/OpenAccess.h"
#include "wcls/PathText.h"
#include "wcls/VerifiedFile.h"
#include "wcls/WorkWnd.h"

namespace {

bool IsFile(const String& path)
{
    return (PathState(path) & PS_FILE) != 0;
}

String CommonEnvPath()
{
    return g_productDataDir + String(SetupText::kCommonEnv);
}

// Opens the installed COMMON.ENV to every user, as the application expects.
// The data folder is writable by every user: the file is opened once and
// checked through its handle, and a link or a second name of another file
// planted under its name is left alone rather than followed to its target.
void OpenCommonEnvToEveryone()
{
    if (!g_openAccessSecurity) return;
    VerifiedFile folder, file;
    if (folder.OpenRoot(StripBackslash(g_productDataDir)) == VF_OPENED &&
        file.Open(folder, String(SetupText::kCommonEnv), WRITE_DAC | READ_CONTROL,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0, nullptr, 0) == VF_OPENED &&
        file.SetSecurity(g_openAccessSecurity))  // failure ignored
        LogStep(SetupText::kLogAccess, file.Path());
}

}  // namespace

bool IsInstallationComplete(const InstallRecord& record)
{
    String folder = FolderForm(record.AppDir);
    String main = folder + String(SetupText::kMainFolder);
    return IsFile(main + String(SetupText::kMainProgram)) && IsFile(main + String(SetupText::kShellProgram)) &&
           IsFile(CommonEnvPath());
}

bool AskUpdateFound(const InstallRecord& record)
{
    String text = String(SetupText::kUpdateFoundHead) + record.AppDir + String(SetupText::kUpdateFoundTail);
    return ShowMessage(CurrentWorkWnd(), text.CStr(), SetupText::kAppTitle, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool PrepareUpdate(const InstallRecord& record, SetupOptions* options, bool confirmed, HWND background)
{
    if (IsBlankText(record.AppDir.CStr())) {
        ReportMessage(SetupText::kNotInstalled, "");
        return false;
    }
    String envPath = CommonEnvPath();
    OpenCommonEnvToEveryone();
    SafePtr<FEnv2> env = new FEnv2(envPath, ENV_OPENACCESS, 10000, 100);
    if (!env->IsLoaded()) return false;  // the file layer has said why

    if (env->GetNumber(SetupText::kEnvProduct, SetupText::kEnvVersion, 0) >= SetupText::kInstalledVersion) {
        String detail = String(SetupText::kFolderLabel) + record.AppDir;
        ReportMessage(SetupText::kAlreadyUpToDate, detail.CStr());
        return false;
    }
    options->folder = FolderForm(record.AppDir);
    options->updateExisting = 1;
    if (!confirmed) {
        String text = String(SetupText::kConfirmUpdateHead) + options->folder;
        if (ShowMessage(background, text.CStr(), SetupText::kConfirmUpdateTitle, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return false;
    }
    return true;
}
