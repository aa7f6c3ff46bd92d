// FileData.cpp - one entry of a file list.
#include "FileData.h"

#include <windows.h>
#include <shellapi.h>

FileData::FileData(const String& name, const String& path, int kind, int depth, int icon)
    : m_strName(name), m_strPath(path), m_nKind(kind), m_nDepth((int16_t)depth), m_iIcon(icon)
{
}

int FileData::IconIndex()
{
    if (m_iIcon != FD_ICONUNKNOWN) return m_iIcon;
    m_iIcon = FD_NOICON;
    if (m_nKind == FDK_SEPARATOR || m_strPath.IsEmpty()) return m_iIcon;
    SHFILEINFOA info = {};
    UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
    DWORD attributes = 0;
    // Files and folders get the icon of their kind without touching the
    // disk; drives are asked for their own.
    if (m_nKind == FDK_FILE) {
        flags |= SHGFI_USEFILEATTRIBUTES;
        attributes = FILE_ATTRIBUTE_NORMAL;
    } else if (m_nKind == FDK_FOLDER || (m_nKind == FDK_ANCESTOR && m_nDepth > 0)) {
        flags |= SHGFI_USEFILEATTRIBUTES;
        attributes = FILE_ATTRIBUTE_DIRECTORY;
    }
    if (SHGetFileInfoA(m_strPath.CStr(), attributes, &info, sizeof(info), flags)) m_iIcon = info.iIcon;
    return m_iIcon;
}
