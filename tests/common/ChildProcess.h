// ChildProcess.h - named scenarios of this test program run in a child process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "BoxWatcher.h"

typedef void (*ChildScenarioFn)();
bool RegisterChildScenario(const char* name, ChildScenarioFn fn);

#define CHILD_SCENARIO(name)                                                                           \
    static void ChildScenario_##name();                                                                \
    static bool s_childScenario_##name = RegisterChildScenario(#name, ChildScenario_##name);           \
    static void ChildScenario_##name()

struct ChildResult {
    bool timedOut = false;
    DWORD exitCode = 0;
    std::vector<SeenBox> boxes;  // every box the child showed, in order
};

// Runs the scenario to its end, answering its boxes with `answers` (then
// Cancel, or OK). Killed after timeoutMs.
ChildResult RunChildScenario(const char* name, std::vector<int> answers = {}, DWORD timeoutMs = 30000);

// A scenario running beside the test; killed when the object goes.
class RunningChild {
public:
    explicit RunningChild(const char* name);
    ~RunningChild();

    RunningChild(const RunningChild&) = delete;
    RunningChild& operator=(const RunningChild&) = delete;

private:
    HANDLE m_process = nullptr;
};

// Parameters travel in the environment (through the wide API: the ANSI one
// loses the last byte of double-byte values).
void SetChildParam(const char* name, const std::string& value);
std::string ChildParam(const char* name);

// The scenario HoldFileOpen holds the file HOLD_PATH without sharing for
// HOLD_MS milliseconds (a minute when not set); HOLD_PATH.ready marks it held.

// Waits until a file exists (a child's "ready" mark); false on time-out.
bool WaitForFile(const std::string& path, DWORD timeoutMs = 20000);

// For the test main: runs the scenario named on the command line, if any.
bool RunChildFromCommandLine(int argc, char** argv, int* exitCode);
