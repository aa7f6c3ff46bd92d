// Shortcut.h - shell link files (.LNK) through the shell's link object.
#pragma once

#include "wcls/Data.h"

// Writes the link file, replacing one of the same name; the first four
// properties are set only when not null. Creates the link's folder first
// and tells the shell that the folder changed. COM must be initialised on
// the calling thread. False after reporting the failure.
bool CreateShortcut(const char* target, const char* arguments, const char* description, const char* iconPath,
                    int iconIndex, const String& linkPath);
