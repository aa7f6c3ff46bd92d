// TempDir.cpp - fresh folders and small file helpers for tests.
#include "TempDir.h"

#include <windows.h>

#include <fstream>
#include <sstream>

static void RemoveTree(const std::string& path);

TempDir::TempDir()
{
    static unsigned s_serial;
    char base[MAX_PATH];
    GetTempPathA(sizeof(base), base);
    do {
        m_path = std::string(base) + "wclstest_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++s_serial);
    } while (!CreateDirectoryA(m_path.c_str(), nullptr));
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

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool OnWine()
{
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

std::wstring Wide(const std::string& s, unsigned codePage)
{
    std::wstring w(s.size() + 1, L'\0');
    w.resize(MultiByteToWideChar(codePage, 0, s.c_str(), (int)s.size(), &w[0], (int)w.size()));
    return w;
}

// Runs a host program (Wine starts one by its Z: path) in the link's folder
// and waits until the link exists, or not, as wanted.
static bool RunHost(std::wstring cmd, const std::string& link, bool wantLink)
{
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::wstring folder = Wide(link.substr(0, link.rfind('\\')));
    if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (int i = 0; i < 500; ++i, Sleep(10))
        if (Exists(link) == wantLink) return true;
    return false;
}

bool MakeFolderLink(const std::string& link, const std::string& target)
{
    typedef char*(CDECL * UnixNameFn)(LPCWSTR);
    auto unixName = reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    char* host = unixName ? unixName(Wide(target).c_str()) : nullptr;
    if (!host) return false;
    std::wstring cmd = L"Z:\\bin\\ln -s \"" + Wide(host, CP_UTF8) + L"\" \"" +
                       Wide(link.substr(link.rfind('\\') + 1)) + L"\"";
    HeapFree(GetProcessHeap(), 0, host);
    return RunHost(cmd, link, true);
}

// Clears read-only attributes on the way; removes links, never follows them.
static void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &fd)) {
        std::string name = fd.cFileName, full = path + "\\" + name;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            // Wine cannot remove a host link: the host's rm does.
            if (!RemoveDirectoryA(full.c_str())) RunHost(L"Z:\\bin\\rm -f \"" + Wide(name) + L"\"", full, false);
            continue;
        }
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveTree(full);
        else
            DeleteFileA(full.c_str());
    }
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
}
