// SetupFileList.h - the entries of the file list SETUP.LST and the path
// macros of their destination folders.
#pragma once

#include <stdint.h>

#include "wcls/Data.h"

// One entry line of the list: disk, compressed, source name, destination
// name, destination folder (fields 6 and later are not used).
struct SetupFileEntry {
    String destName;    // field 4: the file's name in the destination folder
    String srcName;     // field 3: relative to the source folder; blank removes destName
    String destFolder;  // field 5, macros expanded, in folder form
    int32_t disk;       // field 1: the disk shown in the disk prompt; 0 shows none
    int32_t compressed; // field 2: not 0 when the source is LZ-compressed
};

// The sections of a run in their order, closed by a null: Common, Files,
// Setting, Files2 for a fresh installation; Common, Update, Files2 for an
// update of an existing one.
const char* const* SetupSectionOrder(bool update);

// Fills the entry from a value of the list (comma-separated fields, a field
// in double quotes may hold commas). Missing fields are empty; an empty
// number is 0. A "$(DocPath)" in the folder field ends the process.
void ParseSetupFileEntry(const char* value, SetupFileEntry* entry, const String& appPath);

// Field 3 of an entry line, the source name, alone: no folder is expanded.
String SetupSourceName(const char* value);

// Replaces the path macros ($(AppPath), $(CommonAppData), $(MyCommonAppData),
// $(WinPath), $(WinSysPath); ASCII case ignored) by their folders, each
// ending in a backslash; anything else is copied. $(DocPath) has no value:
// it is a fatal internal error.
String ExpandPathMacros(const String& text, const String& appPath);
