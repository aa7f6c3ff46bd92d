// CommandLine.h - reading the command line into the setup's mode.
#pragma once

#include "wcls/Data.h"

struct SetupMode {
    bool update = false;     // /UPDATE
    bool uninstall = false;  // /UNINSTALL
    bool silent = false;     // /SILENT: no window waits for a person
    bool noIcon = false;     // /NOICON: no desktop shortcut
    bool verify = false;     // /VERIFY: check the media against SETUP.SUM, change nothing
    bool repair = false;     // /REPAIR: mend the installed copy from the media
    bool hasDir = false;     // /DIR=folder
    String dir;
    bool log = false;        // /LOG, or /LOG=file
    String logFile;          // empty: SETUP.LOG in the temporary folder
};

// Reads the switches from the command line without the program name.
// Unknown words and switches are ignored; nothing is an error.
SetupMode ParseCommandLine(const char* cmd);

// The command line after the program name (quoted or not) and the blanks
// behind it; tabs are kept, so a tab starts an ignored word.
const char* CommandTail(const char* fullCommandLine);
