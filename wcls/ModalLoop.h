// ModalLoop.h - the message loop of every modal phase.
#pragma once

#include <windows.h>

// Options of RunModalLoop.
enum : DWORD {
    ML_ARROWUPDOWN = 0x0001,     // up/down arrow keys go to the loop window
    ML_ARROWLEFTRIGHT = 0x0002,  // left/right arrow keys go to the loop window
    ML_PAGEKEYS = 0x0004,        // Page Up/Down go to the loop window
    ML_NOHELPKEY = 0x0008,       // F1 is an ordinary key
    ML_PEEK = 0x1000,            // end with 0 as soon as the queue is empty
    ML_DIALOGKEYS = 0x2000,      // the system's dialog keys for the loop window
    ML_DISABLEOWNER = 0x8000,    // activate the loop window, disable its owner
};

// Runs until EndModalLoop, WM_QUIT or WM_LIB_ENDLOOP; returns the end code.
// The loop window, if any, is the current work window while it runs.
int RunModalLoop(DWORD options, HWND hwnd, HACCEL accelerators);
// Requests the end of the running loop; the first code requested wins.
void EndModalLoop(int code);
// True while an end is requested and not yet taken by a loop.
bool ModalLoopEnding();

// The loop's handling before translation; true when it took the message.
BOOL PreTranslateMessage(HWND hwnd, MSG* msg, DWORD options);

// The loop's double-click decision, applied to every message it takes.
void SynthesizeDoubleClick(MSG* msg);

// The help hook behind F1 and command 1257 (none unless installed).
typedef LONG (*HelpHookFn)(LONG_PTR arg);
void SetHelpHook(HelpHookFn hook);
LONG CallHelpHook(LONG_PTR arg);
