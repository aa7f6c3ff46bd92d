// RegistryRecords.cpp - the registry records of a fresh installation.
#include "RegistryRecords.h"

#include <string.h>

#include "SetupTexts.h"
#include "wcls/ErrorReport.h"
#include "wcls/Handles.h"
#include "wcls/PathText.h"

namespace {

bool Failed(LONG result)
{
    ReportSystemCode(ERR_SYSTEM, (DWORD)result, SetupText::kRegistryWriteFailed, 0);
    return false;
}

// Creates or opens the key for setting values.
bool OpenForWrite(HKEY root, const char* path, UniqueRegKey* key)
{
    LONG result = RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                                  key->Put(), nullptr);
    return result == ERROR_SUCCESS || Failed(result);
}

// A REG_SZ value, stored with its NUL; a null name is the default value.
bool SetText(const UniqueRegKey& key, const char* name, const String& value)
{
    LONG result = RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.CStr()),
                                 (DWORD)value.Length() + 1);
    return result == ERROR_SUCCESS || Failed(result);
}

bool CloseKey(UniqueRegKey* key)
{
    LONG result = RegCloseKey(key->Detach());
    return result == ERROR_SUCCESS || Failed(result);
}

struct NamedValue {
    const char* name;
    const String* value;
};

// Creates the key and writes the values in order (none: the key only).
bool WriteKey(HKEY root, const char* path, const NamedValue* values, int count)
{
    UniqueRegKey key;
    if (!OpenForWrite(root, path, &key)) return false;
    for (int i = 0; i < count; ++i)
        if (!SetText(key, values[i].name, *values[i].value)) return false;
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

}  // namespace

bool WriteInstallRecord(InstallRecord* record)
{
    record->KeyAppDir = FolderForm(FullPath(record->AppDir));
    MakeUpperAscii(record->KeyAppDir.GetBuffer(record->KeyAppDir.Length() + 1));
    const NamedValue values[] = {
        {"AppDir", &record->AppDir},
        {"KeyAppDir", &record->KeyAppDir},
        {"pathShortcut1", &record->pathShortcut1},
        {"pathShortcut2", &record->pathShortcut2},
    };
    return WriteKey(HKEY_LOCAL_MACHINE, InstallRecordKey(8), values, 4);
}

bool RegisterDocumentType(const String& folder)
{
    const String main = FolderForm(folder) + String(SetupText::kMainFolder);
    const String mainProgram = main + String(SetupText::kMainProgram);
    // The icon location is "file,index": a comma in the path needs quotes.
    const String icon = (HoldsComma(folder.CStr()) ? Quoted(mainProgram) : mainProgram) + String(",3");
    const String command = Quoted(main + String(SetupText::kShellProgram)) + String(" \"%1\"");
    const String docName(SetupText::kDocTypeName);
    const String progId(SetupText::kDocTypeProgId);
    const NamedValue name[] = {{nullptr, &docName}};
    const NamedValue iconValue[] = {{nullptr, &icon}};
    const NamedValue commandValue[] = {{nullptr, &command}};
    const NamedValue type[] = {{nullptr, &progId}};
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
        String path = progId + String(row.subkey);
        if (!WriteKey(HKEY_CLASSES_ROOT, path.CStr(), row.value, row.value ? 1 : 0)) return false;
    }
    return WriteKey(HKEY_CLASSES_ROOT, SetupText::kDocTypeExtension, type, 1);
}

String UninstallCommand(const String& folder)
{
    String setup = FolderForm(FullPath(folder)) + String(SetupText::kSetupProgram);
    return Quoted(setup) + String(SetupText::kUninstallSwitch);
}

bool WriteUninstallEntry(HKEY root, const char* keyPath, const char* displayName, const String& command)
{
    const String name(displayName);
    const NamedValue values[] = {
        {"UninstallString", &command},
        {"DisplayName", &name},
    };
    return WriteKey(root, keyPath, values, 2);
}
