// SettingsReport.h - the text the sample programs show: where they run from
// and every entry of the settings files they read.
#pragma once

#include "wcls/Data.h"

// The settings files are COMMON.ENV in the product data folder and
// SHARE.ENV and ZUNTOSHL.ENV in the program's own folder (both folders in
// folder form). A document line is added when document is not null.
String SettingsReport(const String& programPath, const String& productDataDir, const String& programFolder,
                      const char* document);
