// StandInWnd.h - the main window of the sample programs: the application's
// window class, filled by a read-only text.
#pragma once

#include "wcls/Data.h"
#include "wcls/Handles.h"
#include "wcls/Wnd.h"

class StandInWnd : public Wnd {
public:
    // Creates the window (hidden) with its text; the window owns the object.
    StandInWnd(const char* title, const String& text);

    const char* ClassInfo(WNDCLASSA* wc) override;
    LRESULT WindowProc(UINT msg, MsgParams* params) override;

private:
    HWND m_hwndText;
    UniqueFont m_font;
};
