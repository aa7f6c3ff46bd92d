// SysFolders.h - the folders of the running program and of the system.
#pragma once

#include "Data.h"

// The folder of the running program, ending in a backslash. An unreadable
// (or too long) module path ends the process.
String ProgramFolder();

// The Windows and system folders in folder form; failure ends the process.
String WindowsFolder();
String SystemFolder();

// The current folder: in folder form with flags 0, as the system reports it
// with flags 1; empty on failure.
String CurrentFolder(int flags);
