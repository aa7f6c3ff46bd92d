// StandIn.h - the life of a sample program: the running marks, its settings
// shown in its main window, the message loop.
#pragma once

#include <windows.h>

// Runs the program with its window title; document is the command tail of a
// program that opens a document (its first word is shown), else null.
// Returns the exit code: 0, or 1 when it refused to start.
int RunStandIn(HINSTANCE hinst, const char* title, const char* document);
