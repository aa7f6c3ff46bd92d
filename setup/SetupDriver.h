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

// Holds the product data folder for the rest of the run, so that no one can
// move it or put a link in its place: opened once and checked (a plain
// folder, in its place). A missing folder holds nothing and passes; a link
// or a folder found elsewhere is reported and refused.
bool HoldDataFolder();
// Lets the folder go (before the uninstall deletes it).
void ReleaseDataFolder();
