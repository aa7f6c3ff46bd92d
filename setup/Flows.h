// Flows.h - the install (and update) flow and the uninstall flow.
#pragma once

#include <windows.h>

#include <functional>

#include "InstallRecord.h"
#include "SetupOptions.h"
#include "wcls/Data.h"

void InstallFlow(bool update, const String& source);
void UninstallFlow();
// Mends the installed copy from the media (source, else the media folder
// the installation recorded).
void RepairFlow(const String& source);

// Runs a flow's steps over the maximized background window (uninstall: its
// removal variant), taken down afterwards; under /SILENT without any window
// (owner null), so that every box goes unshown.
void RunOverBackground(bool uninstall, const std::function<void(HWND owner)>& steps);

// The Start menu's and the desktop's folders for the shortcuts: the
// all-users ones, else the user's own. False after telling that there is no
// Start menu folder.
bool FindShortcutFolders(HWND owner, SetupOptions* options);

// Update: whether the recorded installation has its programs and settings.
bool IsInstallationComplete(const InstallRecord& record);
// Asks whether to update the installation found; true on Yes.
bool AskUpdateFound(const InstallRecord& record);
// Checks the installed version and fills the options for an update; false
// ends the flow (the reason has been told).
bool PrepareUpdate(const InstallRecord& record, SetupOptions* options, bool confirmed, HWND background);

// Removes the registry records, shortcuts and folders of the installation
// in programDir; true when everything was removed. Tells the user either way.
bool RemoveInstallation(HWND background, const String& programDir);
