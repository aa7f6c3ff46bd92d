// LibStartup.cpp - the library core's start-up.
#include "LibStartup.h"

#include "ErrorReport.h"
#include "Handles.h"
#include "LibTexts.h"

HINSTANCE g_hInstance;
int g_cxChar;
int g_cyChar;
DWORD g_dwLibOption;
int g_bImeControl;

static void MeasureDisplayFont()
{
    UniqueDC ic(CreateICA("DISPLAY", nullptr, nullptr, nullptr));
    TEXTMETRICA tm;
    if (ic && GetTextMetricsA(ic.Get(), &tm)) {
        g_cxChar = tm.tmAveCharWidth;
        g_cyChar = tm.tmHeight;
        return;
    }
    LONG units = GetDialogBaseUnits();
    g_cxChar = LOWORD(units);
    g_cyChar = HIWORD(units);
}

bool LibraryStartup(HINSTANCE hinst, const char* title)
{
    g_dwMsgBoxState = 0;
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    g_hInstance = hinst;
    SetDefaultTitle(title);
    MeasureDisplayFont();
    if (!StartErrorThread()) {
        ReportKind(ERR_NOMEMORY, LibText::kThreadFailed);
        return false;
    }
    return true;
}

void LibraryShutdown()
{
    StopErrorThread();
}

bool LibraryOptionsStartup(HINSTANCE)
{
    g_dwLibOption &= ~(DWORD)LIBOPT_KEYBOARD;
    int subtype = GetKeyboardType(1);
    int high = (subtype >> 8) & 0xFF;
    if (!(high == 0x04 || (high == 0x0D && subtype != 0x0D05))) g_dwLibOption |= LIBOPT_KEYBOARD;
    g_dwLibOption |= LIBOPT_CONTROLS;
    return true;
}

bool ImeFlagStartup(HINSTANCE)
{
    g_bImeControl = 1;
    return true;
}
