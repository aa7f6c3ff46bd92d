// StartupTable.h - the library start-up steps of the setup program.
#pragma once

#include <windows.h>

struct StartupStep {
    bool (*start)(HINSTANCE hinst);  // reports its own failure
    void (*shutdown)();              // runs at process exit; may be null
};

// The steps in the order they run.
extern const StartupStep g_startupSteps[];
extern const int g_startupStepCount;

// Runs the steps in order, registering each step's shutdown after its
// success; stops at the first failure and returns false.
bool RunStartupSteps(HINSTANCE hinst);
