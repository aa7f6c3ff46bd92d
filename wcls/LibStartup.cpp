// LibStartup.cpp - the library core's start-up.
#include "LibStartup.h"

#include "Dpi.h"
#include "ErrorReport.h"
#include "Handles.h"
#include "LibTexts.h"

HINSTANCE g_hInstance;
int g_cxChar;
int g_cyChar;
DWORD g_dwLibOption;
int g_bImeControl;

static UniqueFont s_displayFont;  // none: the stock system font is the display font

HFONT DisplayFont()
{
    return s_displayFont ? s_displayFont.Get() : static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
}

// The average character width of a font, measured on the display.
static int AverageWidth(const LOGFONTA& lf)
{
    UniqueDC ic(CreateICA("DISPLAY", nullptr, nullptr, nullptr));
    UniqueFont font(SafeCreateFontIndirectA(&lf));
    if (!ic || !font) return 0;
    SelectedObject selected(ic.Get(), font.Get());
    TEXTMETRICA tm;
    return GetTextMetricsA(ic.Get(), &tm) ? tm.tmAveCharWidth : 0;
}

// Wine gives the stock system font the height of the screen's DPI but the
// width of 96 DPI, which squeezes its glyphs: off 96 DPI its width follows
// the DPI too, unless that is wider than the face itself (a system that has
// scaled the width already).
static HFONT CreateDisplayFont()
{
    LOGFONTA lf;
    if (ScreenDpi() == 96 || !GetObjectA(GetStockObject(SYSTEM_FONT), sizeof(lf), &lf) || !lf.lfWidth)
        return nullptr;
    const int scaled = ScaleToDpi(lf.lfWidth);
    lf.lfWidth = 0;
    if (scaled > AverageWidth(lf)) return nullptr;
    lf.lfWidth = scaled;
    return SafeCreateFontIndirectA(&lf);
}

static void MeasureDisplayFont()
{
    s_displayFont.Reset(CreateDisplayFont());
    UniqueDC ic(CreateICA("DISPLAY", nullptr, nullptr, nullptr));
    SelectedObject font(ic.Get(), DisplayFont());
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
    s_displayFont.Reset();
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
