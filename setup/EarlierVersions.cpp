// EarlierVersions.cpp - recognising versions 4 to 7 of the application.
#include "EarlierVersions.h"

#include "wcls/FileOps.h"
#include "wcls/PathText.h"

// True when one of the names (relative to the folder) is an existing file.
// Asked quietly: a folder text that is no valid name is simply not a match.
static bool HasAnyFile(const String& folder, const char* const* names)
{
    String base = FolderForm(folder);
    for (; *names; ++names)
        if (PathStateQuiet(base + String(*names)) & PS_FILE) return true;
    return false;
}

bool HasVersion4(const String& folder)
{
    static const char* const kNames[] = {"ZUNTO4.EXE", nullptr};
    return HasAnyFile(folder, kNames);
}

bool HasVersion5(const String& folder)
{
    static const char* const kNames[] = {"ZUNTO5.EXE", nullptr};
    return HasAnyFile(folder, kNames);
}

bool HasVersion6(const String& folder)
{
    static const char* const kNames[] = {"ZUNTO6.EXE", "MAIN\\ZUNTO6.EXE", nullptr};
    return HasAnyFile(folder, kNames);
}

bool HasVersion7(const String& folder)
{
    static const char* const kNames[] = {"ZUNTO7.EXE", "MAIN\\ZUNTO7.EXE", nullptr};
    return HasAnyFile(folder, kNames);
}
