// LibStartup.h - the library core's start-up and its process-wide values.
#pragma once

#include <windows.h>

extern HINSTANCE g_hInstance;
// Average character width and height of the display font.
extern int g_cxChar;
extern int g_cyChar;

// Error boxes of the system off, default title, character metrics, error
// thread. Reports its own failure.
bool LibraryStartup(HINSTANCE hinst, const char* title);
void LibraryShutdown();
