// StandInWnd.cpp - the sample programs' main window.
#include "StandInWnd.h"

#include "StandInTexts.h"
#include "wcls/Font.h"
#include "wcls/LibStartup.h"
#include "wcls/SafeCreate.h"

namespace {

const int kProgramIcon = 101;
const int kTextId = 1;

}  // namespace

StandInWnd::StandInWnd(const char* title, const String& text) : m_hwndText(nullptr)
{
    CreateWnd(0, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 80 * g_cxChar, 32 * g_cyChar, nullptr,
              nullptr, g_hInstance, nullptr);
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    m_hwndText = SafeCreateWindowExA(
        WS_EX_CLIENTEDGE, "EDIT", text.CStr(),
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
        0, 0, rc.right, rc.bottom, m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextId)), g_hInstance,
        nullptr);
    // A Japanese fixed-pitch face keeps the "key=value" lines aligned.
    m_font.Reset(CreateFontEx("", g_cyChar, 0, FONT_SHIFTJIS | FONT_MODERN | FONT_FIXED));
    SendMessageA(m_hwndText, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
}

const char* StandInWnd::ClassInfo(WNDCLASSA* wc)
{
    if (wc) {
        wc->hIcon = SafeLoadIconA(g_hInstance, MAKEINTRESOURCEA(kProgramIcon));
        wc->hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc->hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc->lpszClassName = StandInText::kMainWndClass;
    }
    return StandInText::kMainWndClass;
}

LRESULT StandInWnd::WindowProc(UINT msg, MsgParams* params)
{
    switch (msg) {
    case WM_SIZE:
        MoveWindow(m_hwndText, 0, 0, LOWORD(params->lParam), HIWORD(params->lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        SetFocus(m_hwndText);
        return 0;
    case WM_DESTROY:
        // Closing the main window ends the program.
        PostQuitMessage(0);
        break;
    }
    return Wnd::WindowProc(msg, params);
}
