// Entry.h - the setup program's start-up and its process-wide exit code.
#pragma once

#include <windows.h>

#include "CommandLine.h"

// The process exit code: 0 from the start, changed only by the uninstall.
extern int g_exitCode;
// The switches of the command line, read first thing.
extern SetupMode g_setupMode;

// The whole run of SETUP.EXE; cmd is the command line without the program
// name. Returns the exit code.
int SetupMain(HINSTANCE hinst, const char* cmd);

// Windows version check and the library start-up steps; false after the
// failing step has reported.
bool InitApplication(HINSTANCE hinst);
