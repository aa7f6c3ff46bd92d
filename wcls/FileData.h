// FileData.h - one entry of a file list: a drive, a special folder, a folder
// on the way to the scanned one, a subfolder, a file or a separator.
#pragma once

#include <stdint.h>

#include "Data.h"
#include "FObject.h"

// Kinds of entries.
enum : int {
    FDK_ANCESTOR = 0x03,   // the root or a folder on the way to the scanned one
    FDK_DRIVE = 0x05,
    FDK_SPECIAL = 0x09,    // desktop, common desktop, documents
    FDK_FILE = 0x10,
    FDK_FOLDER = 0x11,
    FDK_SEPARATOR = 0x20,  // empty
};

// Icon index in the system's small image list: none, or not looked up yet.
enum { FD_NOICON = -1, FD_ICONUNKNOWN = -2 };

class FileData : public SafeObject {
public:
    FileData(const String& name, const String& path, int kind, int depth, int icon = FD_ICONUNKNOWN);

    // The entry's small icon in the system image list, looked up once;
    // FD_NOICON when it has none.
    int IconIndex();

    String m_strName;  // shown
    String m_strPath;  // full path; empty for a separator
    int m_nKind;
    int16_t m_nDepth;  // indentation level
    int m_iIcon;
};
