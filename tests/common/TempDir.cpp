// TempDir.cpp - fresh folders and small file helpers for tests.
#include "TempDir.h"

#include <windows.h>

#include <fstream>
#include <sstream>

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

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool OnWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

std::wstring Wide(const std::string& s, unsigned codePage)
{
    std::wstring w(s.size() + 1, L'\0');
    w.resize(MultiByteToWideChar(codePage, 0, s.c_str(), (int)s.size(), &w[0], (int)w.size()));
    return w;
}

std::string HostPath(const std::string& path)
{
    typedef char*(CDECL * UnixNameFn)(LPCWSTR);
    auto unixName = reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    char* host = unixName ? unixName(Wide(path).c_str()) : nullptr;
    std::string result = host ? host : "";
    HeapFree(GetProcessHeap(), 0, host);
    return result;
}

// Wine starts a host program by its Z: path, but gives nothing to wait on:
// the shell leaves its exit status in a file.
int RunHost(const std::string& command)
{
    static int s_serial;
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string mark = temp + std::string("host_") + std::to_string(GetCurrentProcessId()) + "_" +
                       std::to_string(++s_serial);
    std::string unixMark = HostPath(mark);
    std::wstring line = Wide("Z:\\bin\\sh -c \"" + command + "; echo $? >'" + unixMark + ".tmp'; mv '" + unixMark +
                             ".tmp' '" + unixMark + "'\"", CP_UTF8);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    // Wine starts a host program without handing back handles: pi keeps
    // whatever was on Wine's stack, which can be the value of a live handle
    // of this process. Closing it would close that one, so nothing is closed.
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    for (int i = 0; i < 3000 && !Exists(mark); ++i) Sleep(10);
    if (!Exists(mark)) return -1;
    int status = atoi(ReadFileBytes(mark).c_str());
    DeleteFileA(mark.c_str());
    return status;
}

bool MakeLink(const std::string& link, const std::string& target, bool symbolic)
{
    std::string host = HostPath(target);
    return !host.empty() &&
           RunHost(std::string("ln ") + (symbolic ? "-s '" : "'") + host + "' '" + HostPath(link) + "'") == 0;
}

// Clears read-only attributes on the way; never follows a link (Wine cannot
// remove one: the host's rm takes what is left).
static void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &fd)) {
        std::string name = fd.cFileName, full = path + "\\" + name;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            RemoveDirectoryA(full.c_str());  // the link only
        else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveTree(full);
        else if (!DeleteFileA(full.c_str()) && SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL))
            DeleteFileA(full.c_str());  // read-only
    }
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!RemoveDirectoryA(path.c_str()) && Exists(path)) RunHost("rm -rf '" + HostPath(path) + "'");
}

TempDir::TempDir()
{
    static unsigned s_serial;
    char base[MAX_PATH];
    GetTempPathA(sizeof(base), base);
    do {
        m_path = std::string(base) + "wclstest_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++s_serial);
    } while (!CreateDirectoryA(m_path.c_str(), nullptr));
}

TempDir::~TempDir() { RemoveTree(m_path); }
