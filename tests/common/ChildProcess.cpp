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
