// EarlierVersions.h - recognising versions 4 to 7 of the application in a
// folder by their program files.
#pragma once

#include "wcls/Data.h"

bool HasVersion4(const String& folder);
bool HasVersion5(const String& folder);
bool HasVersion6(const String& folder);
bool HasVersion7(const String& folder);
