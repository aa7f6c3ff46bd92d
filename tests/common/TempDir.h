// TempDir.h - a fresh folder under the temporary folder, deleted with its
// contents when the object goes.
#pragma once

#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return m_path; }  // without trailing backslash
    std::string File(const std::string& name) const { return m_path + "\\" + name; }

    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

private:
    std::string m_path;
};

// Writes bytes to a file (replacing it); false on failure.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
// Reads a whole file; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// Deletes a folder tree, clearing read-only attributes on the way; links
// are removed, not followed.
void RemoveTree(const std::string& path);

bool OnWine();
// Makes a link to a folder, or false where the test cannot: Wine makes none
// from the Windows side, but a host symbolic link shows as a folder link
// (attributes 0x410), so the host's ln makes it.
bool MakeFolderLink(const std::string& link, const std::string& target);
