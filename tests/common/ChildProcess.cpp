// ChildProcess.cpp - named scenarios run in a child process.
#include "ChildProcess.h"

#include <map>
#include <stdlib.h>
#include <string.h>

#include "TempDir.h"


namespace {

std::map<std::string, ChildScenarioFn>& Scenarios()
{
    static std::map<std::string, ChildScenarioFn> s_map;
    return s_map;
}

const char kChildArg[] = "--child=";

HANDLE StartSelf(const char* name, DWORD* pid = nullptr)
{
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof(exe));
    std::string cmd = std::string("\"") + exe + "\" " + kChildArg + name;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return nullptr;
    CloseHandle(pi.hThread);
    if (pid) *pid = pi.dwProcessId;
    return pi.hProcess;
}

}  // namespace

bool RegisterChildScenario(const char* name, ChildScenarioFn fn)
{
    Scenarios()[name] = fn;
    return true;
}

ChildResult RunChildScenario(const char* name, std::vector<int> answers, DWORD timeoutMs)
{
    ChildResult result;
    DWORD pid = 0;
    HANDLE process = StartSelf(name, &pid);
    if (!process) return result;
    BoxWatcher boxes(answers, IDCANCEL, pid);
    result.timedOut = WaitForSingleObject(process, timeoutMs) == WAIT_TIMEOUT;
    if (result.timedOut) TerminateProcess(process, 99);
    WaitForSingleObject(process, 5000);
    GetExitCodeProcess(process, &result.exitCode);
    CloseHandle(process);
    result.boxes = boxes.Boxes();
    return result;
}

RunningChild::RunningChild(const char* name) : m_process(StartSelf(name)) {}

RunningChild::~RunningChild()
{
    if (!m_process) return;
    TerminateProcess(m_process, 99);  // (if still running)
    WaitForSingleObject(m_process, 5000);
    CloseHandle(m_process);
}

void SetChildParam(const char* name, const std::string& value)
{
    SetEnvironmentVariableW(Wide(name).c_str(), Wide(value).c_str());
}

std::string ChildParam(const char* name)
{
    wchar_t w[4096];
    DWORD n = GetEnvironmentVariableW(Wide(name).c_str(), w, 4096);
    if (n == 0 || n >= 4096) return std::string();
    char a[8192];
    int m = WideCharToMultiByte(CP_ACP, 0, w, (int)n, a, sizeof(a), nullptr, nullptr);
    return std::string(a, m > 0 ? m : 0);
}

bool WaitForFile(const std::string& path, DWORD timeoutMs)
{
    for (DWORD start = GetTickCount(); !Exists(path); Sleep(10))
        if (GetTickCount() - start > timeoutMs) return false;
    return true;
}

CHILD_SCENARIO(HoldFileOpen)
{
    std::string path = ChildParam("HOLD_PATH"), ms = ChildParam("HOLD_MS");
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    WriteFileBytes(path + ".ready", "");
    Sleep(h == INVALID_HANDLE_VALUE ? 0 : ms.empty() ? 60000 : atoi(ms.c_str()));
}

bool RunChildFromCommandLine(int argc, char** argv, int* exitCode)
{
    for (int i = 1; i < argc; ++i) {
        if (strncmp(argv[i], kChildArg, strlen(kChildArg)) != 0) continue;
        auto it = Scenarios().find(argv[i] + strlen(kChildArg));
        *exitCode = 98;
        if (it == Scenarios().end()) return true;
        it->second();
        *exitCode = 0;
        return true;
    }
    return false;
}
