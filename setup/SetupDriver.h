// SetupDriver.h - runs one flow of the setup for the mode of the command line.
#pragma once

#include "wcls/Data.h"

// The all-users application-data folder and, in it, the product data
// folder "TarvoNomiraZunto8CommonAppData"; both end in a backslash once the
// driver has set them.
extern String g_commonAppDataDir;
extern String g_productDataDir;

// Runs the uninstall when only `uninstall` is set, otherwise the install
// (with the update flag). source is the folder of SETUP.EXE.
void SetupDriver(bool update, bool uninstall, String source);
