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

// The command that runs SETUP.EXE of the program folder in its uninstall mode.
String UninstallCommand(const String& folder);

// Writes "UninstallString" and "DisplayName" into the key.
bool WriteUninstallEntry(HKEY root, const char* keyPath, const char* displayName, const String& command);

// Each operation reports its first failing call and returns false; what was
// written before stays.
