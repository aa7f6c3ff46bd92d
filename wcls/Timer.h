// Timer.h - timers with automatic ids.
#pragma once

#include <windows.h>

enum : UINT_PTR {
    TIMER_AUTOFIRST = 65500,  // automatic ids: 65500 to 65531
    TIMER_AUTOCOUNT = 32,
};

// With a window and id 0, takes the lowest free automatic id. Returns the
// timer's id, or 0 after reporting that there is none.
UINT_PTR SetTimerEx(HWND hwnd, UINT_PTR id, UINT periodMs, TIMERPROC proc);
// Stops the timer and frees an automatic id (also when the timer is gone
// with its window); id 0 does nothing. Returns false after reporting a
// timer that could not be stopped.
BOOL KillTimerEx(HWND hwnd, UINT_PTR id);
