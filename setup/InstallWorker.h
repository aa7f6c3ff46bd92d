// InstallWorker.h - the installation once the user has confirmed it: files,
// settings files, registry records, shortcuts, access rights, uninstall
// entry, and the completion or abort message.
#pragma once

#include <windows.h>

#include "SetupOptions.h"

class FEnv2;

// Runs the whole installation (or, with options->updateExisting, the update)
// under a progress window owned by `owner`. Returns 1 when it completed, 0
// when it was stopped or failed; the user has been told either way.
int InstallWorker(HWND owner, SetupOptions* options, FEnv2* list, String source);
