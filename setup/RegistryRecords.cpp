// RegistryRecords.cpp - the registry records of a fresh installation.
#include "RegistryRecords.h"

#include <stdio.h>
#include <string.h>

#include "SetupTexts.h"
#include "Unattended.h"
#include "wcls/ErrorReport.h"
#include "wcls/Handles.h"
#include "wcls/PathText.h"
#include "wcls/Registry.h"

namespace {

bool Failed(LONG result)
{
    ReportSystemCode(ERR_SYSTEM, (DWORD)result, SetupText::kRegistryWriteFailed, 0);
    return false;
}

// Creates or opens the key for setting values.
bool OpenForWrite(HKEY root, const char* path, UniqueRegKey* key)
{
    LONG result = RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | RegView(root, path), nullptr,
                                  key->Put(), nullptr);
    return result == ERROR_SUCCESS || Failed(result);
}

struct NamedValue {
    const char* name;     // null: the default value
    const String* value;  // null: the REG_DWORD number
    DWORD number;
    const char* logged = nullptr;  // the log's text in place of a long value
};

// "HKLM\key|name = value" in the log.
void LogValue(const char* path, const NamedValue& v)
{
    char number[16];
    snprintf(number, sizeof(number), "%lu", (unsigned long)v.number);
    String line = String("HKLM\\") + String(path) + String("|") +
                  String(v.name ? v.name : "") + String(" = ") +
                  (v.logged ? String(v.logged) : v.value ? *v.value : String(number));
    LogStep(SetupText::kLogRegistry, line);
}

// A REG_SZ value is stored with its NUL.
bool SetValue(const UniqueRegKey& key, const NamedValue& v)
{
    LONG result = v.value ? RegSetValueExA(key.Get(), v.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.value->CStr()),
                                           (DWORD)v.value->Length() + 1)
                          : RegSetValueExA(key.Get(), v.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v.number),
                                           sizeof(v.number));
    return result == ERROR_SUCCESS || Failed(result);
}

bool CloseKey(UniqueRegKey* key)
{
    LONG result = RegCloseKey(key->Detach());
    return result == ERROR_SUCCESS || Failed(result);
}

// Creates the key and writes the values in order (none: the key only).
bool WriteKey(HKEY root, const char* path, const NamedValue* values, int count)
{
    UniqueRegKey key;
    if (!OpenForWrite(root, path, &key)) return false;
    for (int i = 0; i < count; ++i) {
        if (!SetValue(key, values[i])) return false;
        LogValue(path, values[i]);
    }
    return CloseKey(&key);
}

// True when the text holds a comma as a character of its own (the scan
// steps over double-byte characters whole).
bool HoldsComma(const char* text)
{
    for (const char* p = text; *p; p = NextChar(p))
        if (*p == ',') return true;
    return false;
}

String Quoted(const String& text)
{
    return String("\"") + text + String("\"");
}

// An icon location "file,index": a comma in the folder needs the file quoted.
String IconLocation(const String& folder, const String& file, int index)
{
    char number[16];
    snprintf(number, sizeof(number), ",%d", index);
    return (HoldsComma(folder.CStr()) ? Quoted(file) : file) + String(number);
}

}  // namespace

bool WriteInstallRecord(InstallRecord* record)
{
    record->KeyAppDir = FolderForm(FullPath(record->AppDir));
    MakeUpperAscii(record->KeyAppDir.GetBuffer(record->KeyAppDir.Length() + 1));
    const NamedValue values[] = {
        {"AppDir", &record->AppDir, 0},
        {"KeyAppDir", &record->KeyAppDir, 0},
        {"pathShortcut1", &record->pathShortcut1, 0},
        {"pathShortcut2", &record->pathShortcut2, 0},
    };
    return WriteKey(HKEY_LOCAL_MACHINE, InstallRecordKey(8), values, 4);
}

bool WriteMediaRecord(const String& mediaFolder, const String& sums)
{
    const String folder = FolderForm(FullPath(mediaFolder));
    const NamedValue values[] = {{SetupText::kMediaDirValue, &folder, 0},
                                 {SetupText::kMediaSumValue, &sums, 0, SetupText::kSumFile}};
    return WriteKey(HKEY_LOCAL_MACHINE, InstallRecordKey(8), values, 2);
}

bool RegisterDocumentType(const String& folder)
{
    const String main = FolderForm(folder) + String(SetupText::kMainFolder);
    const String icon = IconLocation(folder, main + String(SetupText::kMainProgram), 3);
    const String command = Quoted(main + String(SetupText::kShellProgram)) + String(" \"%1\"");
    const String docName(SetupText::kDocTypeName);
    const String progId(SetupText::kDocTypeProgId);
    const NamedValue name[] = {{nullptr, &docName, 0}};
    const NamedValue iconValue[] = {{nullptr, &icon, 0}};
    const NamedValue commandValue[] = {{nullptr, &command, 0}};
    const NamedValue type[] = {{nullptr, &progId, 0}};
    const struct {
        const char* subkey;  // below the type's key, or the extension itself
        const NamedValue* value;
    } rows[] = {
        {"", name},
        {"\\DefaultIcon", iconValue},
        {"\\shell", nullptr},
        {"\\shell\\open", nullptr},
        {"\\shell\\open\\command", commandValue},
    };
    for (const auto& row : rows) {
        String path = String(kMachineClasses) + progId + String(row.subkey);
        if (!WriteKey(HKEY_LOCAL_MACHINE, path.CStr(), row.value, row.value ? 1 : 0)) return false;
    }
    String extension = String(kMachineClasses) + String(SetupText::kDocTypeExtension);
    return WriteKey(HKEY_LOCAL_MACHINE, extension.CStr(), type, 1);
}

String UninstallCommand(const String& folder)
{
    String setup = FolderForm(FullPath(folder)) + String(SetupText::kSetupProgram);
    return Quoted(setup) + String(SetupText::kUninstallSwitch);
}

String RepairCommand(const String& folder)
{
    String setup = FolderForm(FullPath(folder)) + String(SetupText::kSetupProgram);
    return Quoted(setup) + String(SetupText::kRepairSwitch);
}

UninstallEntry MakeUninstallEntry(const String& folder, uint64_t installedBytes)
{
    UninstallEntry e;
    e.command = UninstallCommand(folder);
    e.displayName = String(SetupText::kDisplayName);
    e.location = FolderForm(FullPath(folder));
    e.icon = IconLocation(e.location, e.location + String(SetupText::kMainFolder) + String(SetupText::kMainProgram), 0);
    e.version = String(SetupText::kDisplayVersion);
    e.publisher = String(SetupText::kPublisher);
    e.sizeKB = (DWORD)((installedBytes + 1023) / 1024);
    e.quietCommand = e.command + String(SetupText::kSilentSwitch);
    e.modifyCommand = RepairCommand(folder);
    return e;
}

bool WriteUninstallEntry(HKEY root, const char* keyPath, const UninstallEntry& e)
{
    const NamedValue values[] = {
        {"UninstallString", &e.command, 0},
        {"DisplayName", &e.displayName, 0},
        {"DisplayIcon", &e.icon, 0},
        {"DisplayVersion", &e.version, 0},
        {"Publisher", &e.publisher, 0},
        {"InstallLocation", &e.location, 0},
        {"EstimatedSize", nullptr, e.sizeKB},
        {"NoModify", nullptr, 0},  // "Change" runs the repair
        {"NoRepair", nullptr, 1},
        {"QuietUninstallString", &e.quietCommand, 0},
        {"ModifyPath", &e.modifyCommand, 0},
    };
    return WriteKey(root, keyPath, values, sizeof(values) / sizeof(values[0]));
}
