// SetupDriver.h - runs one flow of the setup for the mode of the command line.
#pragma once

#include "wcls/Data.h"

// Runs the uninstall when only `uninstall` is set, otherwise the install
// (with the update flag). source is the folder of SETUP.EXE.
void SetupDriver(bool update, bool uninstall, String source);
