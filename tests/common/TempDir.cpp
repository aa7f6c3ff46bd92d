// TempDir.cpp - fresh folders and small file helpers for tests.
#include "TempDir.h"

#include <windows.h>

#include <fstream>
#include <sstream>

TempDir::TempDir()
{
    static unsigned s_serial;
    char base[MAX_PATH];
    GetTempPathA(sizeof(base), base);
    for (;;) {
        m_path = std::string(base) + "wclstest_" + std::to_string(GetCurrentProcessId()) + "_" +
                 std::to_string(++s_serial);
        if (CreateDirectoryA(m_path.c_str(), nullptr)) break;
    }
}

TempDir::~TempDir()
{
    RemoveTree(m_path);
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), (std::streamsize)bytes.size());
    return out.good();
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = path + "\\" + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
}
