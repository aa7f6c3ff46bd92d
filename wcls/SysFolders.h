// SysFolders.h - the folders of the running program and of the system.
#pragma once

#include "Data.h"

// The folder of the running program, ending in a backslash. An unreadable
// (or too long) module path ends the process.
String ProgramFolder();
