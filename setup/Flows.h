// Flows.h - the install (and update) flow and the uninstall flow.
#pragma once

#include "wcls/Data.h"

void InstallFlow(bool update, const String& source);
void UninstallFlow();
