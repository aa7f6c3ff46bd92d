// Timer.cpp - timers with automatic ids.
#include "Timer.h"

#include "ErrorReport.h"
#include "SafeCreate.h"

static const char kNoTimer[] = "タイマーが足りません";
static const char kBadTimer[] = "KillTimer : 無効なＩＤ";

static DWORD s_dwUsed;  // bit i: automatic id TIMER_AUTOFIRST + i in use

static bool IsAutomatic(UINT_PTR id)
{
    return id >= TIMER_AUTOFIRST && id < TIMER_AUTOFIRST + TIMER_AUTOCOUNT;
}

UINT_PTR SetTimerEx(HWND hwnd, UINT_PTR id, UINT periodMs, TIMERPROC proc)
{
    if (hwnd && id == 0) {
        int i = 0;
        while (i < (int)TIMER_AUTOCOUNT && (s_dwUsed & (1u << i))) ++i;
        if (i == (int)TIMER_AUTOCOUNT || !SafeSetTimer(hwnd, TIMER_AUTOFIRST + i, periodMs, proc)) {
            ReportKind(ERR_SYSTEM, kNoTimer);
            return 0;
        }
        s_dwUsed |= 1u << i;
        return TIMER_AUTOFIRST + i;
    }
    UINT_PTR started = SafeSetTimer(hwnd, id, periodMs, proc);
    if (!started) ReportKind(ERR_SYSTEM, kNoTimer);
    return started;
}

BOOL KillTimerEx(HWND hwnd, UINT_PTR id)
{
    if (id == 0) return TRUE;
    // Freed even when KillTimer fails (the window is already gone): a kept
    // id would never come back.
    if (hwnd && IsAutomatic(id)) s_dwUsed &= ~(1u << (id - TIMER_AUTOFIRST));
    if (!KillTimer(hwnd, id)) {
        ReportKind(ERR_SYSTEM, kBadTimer);
        return FALSE;
    }
    return TRUE;
}
