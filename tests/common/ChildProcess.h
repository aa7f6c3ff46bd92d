// ChildProcess.h - runs a named scenario of this test program in a child
// process, for paths that end the process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "BoxWatcher.h"

typedef void (*ChildScenarioFn)();

// Registers a scenario under a name (used by CHILD_SCENARIO).
bool RegisterChildScenario(const char* name, ChildScenarioFn fn);

#define CHILD_SCENARIO(name)                                               \
    static void ChildScenario_##name();                                    \
    static bool s_childScenario_##name =                                   \
        RegisterChildScenario(#name, ChildScenario_##name);                \
    static void ChildScenario_##name()

struct ChildResult {
    bool started = false;
    bool timedOut = false;
    DWORD exitCode = 0;
    std::vector<SeenBox> boxes;  // every box the child showed, in order
};

// Runs the scenario; the child answers its boxes with `answers` (then
// Cancel/OK) and logs them. A child still running after timeoutMs is
// killed and reported as timed out.
ChildResult RunChildScenario(const char* name, std::vector<int> answers = {},
                             DWORD timeoutMs = 30000);

// A child scenario running beside the test (for a second process that holds
// a file or a lock while the test acts). Killed when the object goes.
class RunningChild {
public:
    explicit RunningChild(const char* name);
    ~RunningChild();
    bool Started() const { return m_process != nullptr; }
    // Waits for the child to end; false on time-out.
    bool Wait(DWORD timeoutMs, DWORD* exitCode = nullptr);

    RunningChild(const RunningChild&) = delete;
    RunningChild& operator=(const RunningChild&) = delete;

private:
    HANDLE m_process = nullptr;
};

// Parameters for child scenarios travel in the environment. (Read through
// the wide API: the ANSI one loses the last byte of double-byte values.)
void SetChildParam(const char* name, const std::string& value);
std::string ChildParam(const char* name);

// Waits until a file exists (a child's "ready" mark); false on time-out.
bool WaitForFile(const std::string& path, DWORD timeoutMs = 20000);

// Called by the test main: runs the scenario named on the command line, if
// any; returns true when it did (the process then ends with its code).
bool RunChildFromCommandLine(int argc, char** argv, int* exitCode);
