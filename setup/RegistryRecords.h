// RegistryRecords.h - the registry records of a fresh installation: the
// application record, the document type and the uninstall entry.
#pragma once

#include <windows.h>

#include "InstallRecord.h"
#include "wcls/Data.h"

// Fills KeyAppDir from AppDir (full path, folder form, ASCII letters
// upper-cased) and writes the four values of the record.
bool WriteInstallRecord(InstallRecord* record);

// The ".QDA" documents: their type with its icon (ZUNTO8.EXE, index 3) and
// the open command of the shell program.
bool RegisterDocumentType(const String& folder);

// The folder of the media the copy comes from ("MediaDir" beside the
// record) and the text of their SETUP.SUM ("MediaSum", empty without one),
// for a repair started from the program folder: it takes from there only
// what those check sums vouch for.
bool WriteMediaRecord(const String& mediaFolder, const String& sums);

// The command that runs SETUP.EXE of the program folder in its uninstall mode.
String UninstallCommand(const String& folder);
// ... and in its repair mode.
String RepairCommand(const String& folder);

// The entry in the list of installed programs.
struct UninstallEntry {
    String command;       // UninstallString: SETUP.EXE of the program folder /uninstall
    String displayName;   // DisplayName
    String icon;          // DisplayIcon: ZUNTO8.EXE with its program icon, index 0
    String version;       // DisplayVersion "8.040"
    String publisher;     // Publisher
    String location;      // InstallLocation: the program folder, full path
    DWORD sizeKB = 0;     // EstimatedSize: the KB the copy wrote
    String quietCommand;  // QuietUninstallString: the command with /SILENT
    String modifyCommand; // ModifyPath: SETUP.EXE of the program folder /REPAIR
};
UninstallEntry MakeUninstallEntry(const String& folder, uint64_t installedBytes);

// Writes the entry's values into the key: "UninstallString" and
// "DisplayName" first, then the others in the order of the record, the size
// and NoModify (0: the repair) and NoRepair (1) as REG_DWORD, the quiet
// command and ModifyPath.
bool WriteUninstallEntry(HKEY root, const char* keyPath, const UninstallEntry& entry);

// Each operation reports its first failing call and returns false; what was
// written before stays.
