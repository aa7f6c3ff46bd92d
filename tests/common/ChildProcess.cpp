// ChildProcess.cpp - named scenarios run in a child process.
#include "ChildProcess.h"

#include <map>
#include <memory>
#include <string.h>

#include "TempDir.h"

namespace {

std::map<std::string, ChildScenarioFn>& Scenarios()
{
    static std::map<std::string, ChildScenarioFn> s_map;
    return s_map;
}

const char kChildArg[] = "--child=";
const char kBoxLogArg[] = "--boxlog=";
const char kAnswersArg[] = "--answers=";

}  // namespace

bool RegisterChildScenario(const char* name, ChildScenarioFn fn)
{
    Scenarios()[name] = fn;
    return true;
}

ChildResult RunChildScenario(const char* name, std::vector<int> answers, DWORD timeoutMs)
{
    ChildResult result;
    TempDir dir;
    std::string log = dir.Path() + "\\boxes.log";
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof(exe));
    std::string cmd = std::string("\"") + exe + "\" " + kChildArg + name + " " + kBoxLogArg + "\"" +
                      log + "\" " + kAnswersArg;
    for (size_t i = 0; i < answers.size(); ++i) cmd += (i ? "," : "") + std::to_string(answers[i]);

    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return result;
    result.started = true;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_TIMEOUT) {
        result.timedOut = true;
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    GetExitCodeProcess(pi.hProcess, &result.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    result.boxes = ReadBoxLog(log);
    return result;
}

RunningChild::RunningChild(const char* name)
{
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof(exe));
    std::string cmd = std::string("\"") + exe + "\" " + kChildArg + name;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        m_process = pi.hProcess;
    }
}

RunningChild::~RunningChild()
{
    if (!m_process) return;
    if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_process, 99);
        WaitForSingleObject(m_process, 5000);
    }
    CloseHandle(m_process);
}

bool RunningChild::Wait(DWORD timeoutMs, DWORD* exitCode)
{
    if (!m_process || WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode) GetExitCodeProcess(m_process, exitCode);
    return true;
}

static std::wstring WideOf(const std::string& s)
{
    int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, &w[0], n);
    return w;
}

void SetChildParam(const char* name, const std::string& value)
{
    SetEnvironmentVariableW(WideOf(name).c_str(), WideOf(value).c_str());
}

std::string ChildParam(const char* name)
{
    wchar_t w[4096];
    DWORD n = GetEnvironmentVariableW(WideOf(name).c_str(), w, 4096);
    if (n == 0 || n >= 4096) return std::string();
    char a[8192];
    int m = WideCharToMultiByte(CP_ACP, 0, w, (int)n, a, sizeof(a), nullptr, nullptr);
    return std::string(a, m > 0 ? m : 0);
}

bool WaitForFile(const std::string& path, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(10);
    }
    return true;
}

bool RunChildFromCommandLine(int argc, char** argv, int* exitCode)
{
    const char* name = nullptr;
    const char* log = nullptr;
    std::vector<int> answers;
    for (int i = 1; i < argc; ++i) {
        if (strncmp(argv[i], kChildArg, strlen(kChildArg)) == 0) name = argv[i] + strlen(kChildArg);
        if (strncmp(argv[i], kBoxLogArg, strlen(kBoxLogArg)) == 0) log = argv[i] + strlen(kBoxLogArg);
        if (strncmp(argv[i], kAnswersArg, strlen(kAnswersArg)) == 0) {
            for (const char* p = argv[i] + strlen(kAnswersArg); *p;) {
                answers.push_back(atoi(p));
                while (*p && *p != ',') ++p;
                if (*p == ',') ++p;
            }
        }
    }
    if (!name) return false;
    auto it = Scenarios().find(name);
    if (it == Scenarios().end()) {
        *exitCode = 98;
        return true;
    }
    // The watcher lives until the process ends, however it ends.
    static std::unique_ptr<BoxWatcher> s_watcher;
    s_watcher.reset(new BoxWatcher(answers, IDCANCEL, log));
    it->second();
    *exitCode = 0;
    return true;
}
