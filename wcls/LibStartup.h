// LibStartup.h - the library core's start-up and its process-wide values.
#pragma once

#include <windows.h>

extern HINSTANCE g_hInstance;
// Average character width and height of the display font.
extern int g_cxChar;
extern int g_cyChar;
// The display font, which draws the library's plain texts (the progress
// window's): the system font, in its 96-DPI proportions at any DPI.
HFONT DisplayFont();

// The library's option word.
extern DWORD g_dwLibOption;
enum : DWORD {
    LIBOPT_KEYBOARD = 0x02,          // result of the keyboard probe
    LIBOPT_CONTROLS = 0x2A4,         // defaults of the input-field controls
    LIBOPT_SHOWINGREPORTS = 0x400,   // the report queue is being shown
};
// Read only by the input-field controls.
extern int g_bImeControl;

// Error boxes of the system off, default title, character metrics, error
// thread. Reports its own failure.
bool LibraryStartup(HINSTANCE hinst, const char* title);
void LibraryShutdown();

// Start-up steps after the core: the keyboard probe and option bits, and the
// IME-control flag. Neither fails nor needs a shutdown.
bool LibraryOptionsStartup(HINSTANCE hinst);
bool ImeFlagStartup(HINSTANCE hinst);
