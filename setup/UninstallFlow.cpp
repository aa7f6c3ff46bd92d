// UninstallFlow.cpp - the uninstall flow: one question, then the registry
// records, the shortcuts and the folders of the installation go.
#include "Flows.h"

#include <shlobj.h>

#include "Entry.h"
#include "SetupDriver.h"
#include "SetupTexts.h"
#include "Unattended.h"
#include "wcls/ErrorReport.h"
#include "wcls/FileOps.h"
#include "wcls/Handles.h"
#include "wcls/PathText.h"
#include "wcls/Registry.h"
#include "wcls/ServiceWnd.h"
#include "wcls/SysFolders.h"

namespace {

const char* const kShortcutValues[] = {"pathShortcut1", "pathShortcut2"};
const char* const kRecordValues[] = {"pathShortcut1", "pathShortcut2", "AppDir", "KeyAppDir",
                                     SetupText::kMediaDirValue, SetupText::kMediaSumValue};

// Not-found results count as success: what is gone need not be removed.
bool RegistryOk(LONG result)
{
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND;
}

// Reports a registry failure; false, so callers can return it.
bool RegistryFailed(LONG result)
{
    ReportSystemCode(ERR_SYSTEM, (DWORD)result, SetupText::kRegistryReadWriteFailed, 0);
    return false;
}

bool Check(LONG result)
{
    return RegistryOk(result) || RegistryFailed(result);
}

// A registry key or value deleted goes to the log.
LONG LogDeleted(LONG result, const String& what)
{
    if (result == ERROR_SUCCESS)
        LogStep(SetupText::kLogRegistryDelete, String("HKLM\\") + what);
    return result;
}

bool CheckDeleted(LONG result, const String& what)
{
    return Check(LogDeleted(result, what));
}

// Deletes a key with all its subkeys; a missing key counts as deleted.
bool DeleteKeyTree(HKEY root, const String& path)
{
    String names;  // the subkey names, NUL-separated, read before any is deleted
    int count = 0;
    {
        UniqueRegKey key;
        LONG result =
            RegOpenKeyExA(root, path.CStr(), 0, KEY_ENUMERATE_SUB_KEYS | RegView(root, path.CStr()), key.Put());
        if (!Check(result)) return false;
        for (DWORD index = 0; key; ++index, ++count) {
            String name;
            DWORD size = 256;
            do {
                size *= 2;
                DWORD length = size;
                result = RegEnumKeyExA(key.Get(), index, name.GetBuffer((int)size), &length, nullptr, nullptr,
                                       nullptr, nullptr);
            } while (result == ERROR_MORE_DATA && size < 0x10000);
            if (result == ERROR_NO_MORE_ITEMS) break;
            if (result != ERROR_SUCCESS) return RegistryFailed(result);
            names.Append(name.CStr()).AppendChar('\0');
        }
    }
    const char* name = names.CStr();
    for (int i = 0; i < count; ++i, name += strlen(name) + 1)
        if (!DeleteKeyTree(root, path + String("\\") + String(name))) return false;
    return CheckDeleted(RegDeleteKeyInView(root, path.CStr()), path);
}

// Reads a REG_SZ value, whole or (with a limit) of at most that many bytes:
// a longer one fails with ERROR_MORE_DATA. *found is false when the value is
// missing or of another type. False after reporting a registry failure.
bool ReadText(HKEY key, const char* name, String* out, bool* found, DWORD limit = 0)
{
    String value;
    DWORD type = 0, size = limit ? limit : MAX_PATH;
    LONG result = limit ? RegQueryValueExA(key, name, nullptr, &type,
                                           reinterpret_cast<BYTE*>(value.GetBuffer((int)limit)), &size)
                        : RegQueryValue(key, name, &type, &value, &size);
    *found = result == ERROR_SUCCESS && type == REG_SZ;
    *out = *found ? String(value.CStr(), (int)strnlen(value.CStr(), size)) : String();
    return Check(result);
}

// The default value of ".QDA" and then the key go only while they name
// this program's document type.
bool RemoveDocumentType()
{
    UniqueRegKey key;
    const String extension = String(kMachineClasses) + String(SetupText::kDocTypeExtension);
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, extension.CStr(), 0,
                                KEY_QUERY_VALUE | KEY_SET_VALUE | RegView(HKEY_LOCAL_MACHINE, extension.CStr()),
                                key.Put());
    if (!key) return Check(result);
    String value;
    bool found = false;
    if (!ReadText(key.Get(), nullptr, &value, &found)) return false;
    bool ours = found && strcmp(value.CStr(), SetupText::kDocTypeProgId) == 0;
    String defaultValue = extension + String("|");
    if (ours && !CheckDeleted(RegDeleteValueA(key.Get(), nullptr), defaultValue)) return false;
    if (!key.Close()) return RegistryFailed(ERROR_INVALID_HANDLE);
    if (ours)  // the result is ignored
        LogDeleted(RegDeleteKeyInView(HKEY_LOCAL_MACHINE, extension.CStr()), extension);
    return true;
}

// Deletes the shortcut files the record names; a missing one is fine.
bool RemoveShortcuts(HKEY data)
{
    for (const char* name : kShortcutValues) {
        String path;
        bool found = false;
        if (!ReadText(data, name, &path, &found)) return false;
        if (found && !IsBlankText(path.CStr()) && RemoveFile(path) < 0) return false;
    }
    return true;
}

// Whether the copy in programDir owns the registration: the record names
// its folder, or there is no record at all.
bool OwnsRegistration(HKEY data, const String& programDir, bool* owner)
{
    *owner = true;
    if (!data) return true;
    String keyAppDir;
    bool found = false;
    if (!ReadText(data, "KeyAppDir", &keyAppDir, &found, MAX_PATH)) return false;
    String identity = FullPath(programDir);
    MakeUpperAscii(identity.WritableAt(0));
    *owner = !found || strcmp(keyAppDir.CStr(), identity.CStr()) == 0;
    return true;
}

// The registration of the owning copy, but for the uninstall entry, which
// goes last: a removal that fails can be tried again from the list.
bool RemoveRecords(HKEY data)
{
    if (!RemoveDocumentType()) return false;
    if (!DeleteKeyTree(HKEY_LOCAL_MACHINE, String(kMachineClasses) + String(SetupText::kDocTypeProgId))) return false;
    if (!data) return true;
    if (!RemoveShortcuts(data)) return false;
    for (const char* name : kRecordValues) {
        String what = String(InstallRecordKey(8)) + String("|") + String(name);
        if (!CheckDeleted(RegDeleteValueA(data, name), what)) return false;
    }
    return true;
}

// The shared data folder goes only with the owning copy: another copy
// registered later keeps using it.
bool RemoveFolders(const String& programDir, bool owner)
{
    ReleaseDataFolder();
    return (!owner || DeleteTree(DT_SUBFOLDERS, StripBackslash(g_productDataDir))) &&
           DeleteTree(DT_SUBFOLDERS, StripBackslash(programDir + String(SetupText::kMainFolder)));
}

// A folder holding the file list is the installation media: nothing there
// is the installation's to remove.
bool IsMediaFolder(const String& programDir)
{
    return PathStateQuiet(programDir + String(SetupText::kSetupList)) == PS_FILE;
}

String ConfirmationText(const String& programDir)
{
    return String(SetupText::kConfirmRemoveHead) + programDir + String("\r\n") + g_productDataDir;
}

}  // namespace

bool RemoveInstallation(HWND background, const String& programDir)
{
    HCURSOR wait = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT));
    SetCursor(wait);
    SetCursorDeferred(wait);
    NoteChangesBegun();
    LogStep(SetupText::kLogProgram, programDir);
    LogStep(SetupText::kLogData, g_productDataDir);

    bool ok = false, owner = true;
    String keyAppDir;
    if (IsMediaFolder(programDir)) {
        ShowMessage(background, SetupText::kMediaNotRemoved, SetupText::kUninstallTitle, MB_ICONHAND);
        return false;
    }
    {
        UniqueRegKey data;
        LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, InstallRecordKey(8), 0,
                                    KEY_QUERY_VALUE | KEY_SET_VALUE | RegView(HKEY_LOCAL_MACHINE), data.Put());
        bool found = false;
        ok = Check(result) && OwnsRegistration(data.Get(), programDir, &owner) &&
             (owner || !data || ReadText(data.Get(), "AppDir", &keyAppDir, &found)) &&
             (!owner || RemoveRecords(data.Get())) && RemoveFolders(programDir, owner) &&
             (!owner || DeleteKeyTree(HKEY_LOCAL_MACHINE, String(SetupText::kUninstallKey)));
    }
    SHChangeNotify(SHCNE_ALLEVENTS, SHCNF_DWORD, nullptr, nullptr);
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_DWORD, nullptr, nullptr);
    if (ok) NoteChangesCompleted();
    if (ok) {
        String text = String(SetupText::kRemoved);
        if (!owner) text = text + String(SetupText::kSharedDataKept) + keyAppDir;
        ShowMessage(background, text.CStr(), SetupText::kUninstallTitle, MB_ICONINFORMATION);
    } else {
        ShowMessage(background, SetupText::kRemoveFailed, SetupText::kUninstallTitle, MB_OK);
    }
    return ok;
}

namespace {

// The question, then the removal; boxes owned by the background window.
void ConfirmAndRemove(HWND background, const String& programDir)
{
    String text = ConfirmationText(programDir);
    if (ShowMessage(background, text.CStr(), SetupText::kUninstallTitle, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) ==
            IDYES &&
        RemoveInstallation(background, programDir))
        g_exitCode = 0;
}

}  // namespace

void UninstallFlow()
{
    g_exitCode = 1;
    String programDir = ProgramFolder();
    // Under /SILENT the removal question is answered yes.
    RunOverBackground(true, [&](HWND owner) { ConfirmAndRemove(owner, programDir); });
}
