// SetupDriver.cpp - the start-up guards: no running application, no second
// setup; then one flow for the mode of the command line.
#include "SetupDriver.h"

#include <windows.h>

#include "Entry.h"
#include "Flows.h"
#include "SetupTexts.h"
#include "UndoJournal.h"
#include "wcls/ErrorReport.h"
#include "wcls/FileLock.h"
#include "wcls/Handles.h"
#include "wcls/LibTexts.h"
#include "wcls/LogFile.h"
#include "wcls/OpenAccess.h"
#include "wcls/PathText.h"
#include "wcls/ShellFolder.h"
#include "wcls/SysFolders.h"
#include "wcls/VerifiedFile.h"

String g_commonAppDataDir;
String g_productDataDir;

namespace {

VerifiedFile s_dataFolder;

const DWORD kLockTimeout = 1000;
const DWORD kSilentSerializeWait = 60000;
const DWORD kLockInterval = 100;

struct LockFileInfo {
    const char* name;
    const char* busyText;  // shown when another process keeps the file
};
const LockFileInfo kLockFiles[3] = {
    {SetupText::kLockFile6, SetupText::kLockedByVersion6},
    {SetupText::kLockFile7, SetupText::kLockedByVersion7},
    {SetupText::kLockFile8, SetupText::kLockedByVersion8},
};

// The handles of one pass, given up in the order the protocol needs: the
// serialising mutex released and closed, then the running/setup mark closed.
class PassHandles {
public:
    ~PassHandles()
    {
        if (owned) ReleaseMutex(serialize.Get());
        serialize.Close();
        mark.Close();
    }
    UniqueHandle serialize;
    bool owned = false;
    UniqueHandle mark;  // first the running-application test, then the setup mark
};

// Creates (or opens) a named mutex; reports a failure.
bool OpenMutex(UniqueHandle* h, const char* name, bool* existed)
{
    SetLastError(0);
    h->Reset(CreateMutexA(nullptr, FALSE, name));
    DWORD err = GetLastError();
    if (!*h) {
        ReportSystemCode(ERR_SYSTEM, err, SetupText::kMutexFailed, 0);
        return false;
    }
    *existed = err == ERROR_ALREADY_EXISTS;
    return true;
}

bool SetSharedFolders()
{
    if (g_useFileSecurity) {
        if (!SpecialFolder(&g_commonAppDataDir, nullptr, 0x23 /* CSIDL_COMMON_APPDATA */, true)) return false;
        g_commonAppDataDir = FolderForm(g_commonAppDataDir);
    } else {
        g_commonAppDataDir = String(WindowsFolder().CStr(), 3);  // the drive root
    }
    g_productDataDir = g_commonAppDataDir + String(SetupText::kProductDataFolder) + String("\\");
    return true;
}

// Takes the lock files in order; stops at the first that fails.
bool TakeLockFiles(SafePtr<FileLock>* locks)
{
    for (int i = 0; i < 3; ++i) {
        locks[i] = new FileLock;
        String path = g_commonAppDataDir + String(kLockFiles[i].name);
        if (!locks[i]->Lock(path, LOCK_DELETE | LOCK_OPENACCESS, kLockTimeout, kLockInterval)) {
            // A time-out is ours to tell; any other failure was reported.
            if (locks[i]->Flags() & LOCK_WAITING) ReportKind(ERR_SYSTEM, kLockFiles[i].busyText);
            return false;
        }
    }
    return true;
}

// One pass of the guards; returns true when the application was found
// running (the caller asks the user and may pass again).
bool GuardedPass(bool update, bool uninstall, const String& source, SafePtr<FileLock>* locks)
{
    PassHandles h;
    bool existed = false;
    if (!OpenMutex(&h.serialize, SetupText::kMutexSerialize, &existed)) return false;
    // Any process of the session can hold this mutex: an unattended run
    // waits a bounded time and then ends as refused.
    DWORD wait = g_setupMode.silent ? kSilentSerializeWait : INFINITE;
    if (WaitForSingleObject(h.serialize.Get(), wait) == WAIT_TIMEOUT) {
        ReportKind(ERR_SYSTEM, SetupText::kSetupAlreadyRunning);
        return false;
    }
    h.owned = true;

    if (!OpenMutex(&h.mark, SetupText::kMutexAppRunning, &existed)) return false;
    if (existed) return true;
    h.mark.Close();  // it only had to be absent

    if (!OpenMutex(&h.mark, SetupText::kMutexSetupRunning, &existed)) return false;
    if (existed) {
        ReportKind(ERR_SYSTEM, SetupText::kSetupAlreadyRunning);
        return false;
    }
    // Testing the running mark and setting the setup mark were one step for
    // every process that takes the serialising mutex.
    ReleaseMutex(h.serialize.Get());
    h.owned = false;

    if (!SetSharedFolders()) return false;
    if (!TakeLockFiles(locks)) return false;
    if (!HoldDataFolder()) return false;
    lf_open();  // the log of /LOG, now that this run is the only one
    // A run that crashed is undone before anything else.
    if (!UndoInterruptedRun() || !HoldDataFolder()) return false;

    if (uninstall && !update)
        UninstallFlow();
    else if (g_setupMode.repair && !update)
        RepairFlow(source);
    else
        InstallFlow(update, source);
    return false;
}

}  // namespace

bool HoldDataFolder()
{
    if (s_dataFolder.IsOpen()) return true;
    VerifiedFile common;
    int opened = common.OpenRoot(StripBackslash(g_commonAppDataDir));
    if (opened == VF_OPENED)
        opened = s_dataFolder.Open(common, String(SetupText::kProductDataFolder), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   OPEN_EXISTING, 0, nullptr, VF_FOLDER);
    if (opened == VF_OPENED || opened == VF_MISSING) return true;
    String folder = StripBackslash(g_productDataDir);
    if (opened == VF_REFUSED)
        ReportError(ERR_SYSTEM, SetupText::kDataFolderRefused, folder.CStr(), 0);
    else
        ReportSystemError(GetLastError(), ERR_OPENFILE, folder,
                          Framed(LibText::kOpenFileHead, folder.CStr(), LibText::kOpenFileTail));
    return false;
}

void ReleaseDataFolder()
{
    s_dataFolder.Close();
}

void SetupDriver(bool update, bool uninstall, String source)
{
    SafePtr<FileLock> locks[3];  // versions 6, 7, 8: held for the whole call
    while (GuardedPass(update, uninstall, source, locks)) {
        int answer = ShowMessage(nullptr, SetupText::kAppRunningPrompt, SetupText::kAppTitle,
                                 MB_OKCANCEL | MB_ICONINFORMATION);
        if (answer != IDOK) break;
    }
    ReleaseDataFolder();
    locks[2].Release();
    locks[0].Release();
    locks[1].Release();
}
