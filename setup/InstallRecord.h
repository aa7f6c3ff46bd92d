// InstallRecord.h - the registry record an installed version leaves behind.
#pragma once

#include "wcls/Data.h"

struct InstallRecord {
    String AppDir;         // program folder
    String KeyAppDir;      // the same, full path upper-cased: the installation's identity
    String pathShortcut1;  // the shortcut files the installation created
    String pathShortcut2;
    String mediaDir;       // the media folder the copy was installed, updated or repaired from
    String mediaSum;       // the text of its SETUP.SUM then; empty without one
};

// The record's key under HKEY_LOCAL_MACHINE for versions 5 to 8, else null.
const char* InstallRecordKey(int version);

// Reads the record of a version (5 to 8); a missing key is created empty and
// missing values read as empty. 1, or 0 after reporting.
int ReadInstallRecord(InstallRecord* record, int version);
