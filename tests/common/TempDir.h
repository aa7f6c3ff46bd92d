// TempDir.h - a fresh folder, deleted with its contents; small file helpers.
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

bool WriteFileBytes(const std::string& path, const std::string& bytes);  // replaces the file
std::string ReadFileBytes(const std::string& path);                     // empty when unreadable
bool Exists(const std::string& path);
std::wstring Wide(const std::string& text, unsigned codePage = 0);  // from the ANSI code page by default

bool OnWine();
// Under Wine: the host's name of a path (UTF-8; empty elsewhere), and a host
// shell command run to its end (its exit status, or -1).
std::string HostPath(const std::string& path);
int RunHost(const std::string& command);
// A link, or false: Wine makes none from the Windows side, but the host's ln
// does; a symbolic link to a folder shows as a folder link (0x410), one to a
// file as a file link; without `symbolic`, a second name of the same file.
bool MakeLink(const std::string& link, const std::string& target, bool symbolic = true);
