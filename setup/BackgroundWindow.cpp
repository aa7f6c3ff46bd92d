// BackgroundWindow.cpp - the full-screen window behind every flow.
#include "BackgroundWindow.h"

#include <string.h>

#include "SetupDlgRes.h"
#include "SetupTexts.h"
#include "wcls/ErrorReport.h"
#include "wcls/Font.h"
#include "wcls/Handles.h"
#include "wcls/LibStartup.h"
#include "wcls/SafeCreate.h"
#include "wcls/WndFunc.h"

static const char kClassName[] = "BackgroundWindow";
static const int kBands = 256;

BackgroundWindow::BackgroundWindow(int uninstall) : m_bUninstall(uninstall ? 1 : 0)
{
}

BackgroundWindow::~BackgroundWindow()
{
}

const char* BackgroundWindow::ClassInfo(WNDCLASSA* wc)
{
    if (wc) {
        wc->hIcon = SafeLoadIconA(nullptr, IDI_APPLICATION);
        wc->hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc->hbrBackground = nullptr;  // the painting covers the client area
        wc->lpszClassName = kClassName;
    }
    return kClassName;
}

HWND BackgroundWindow::Create()
{
    CreateWnd(0, SetupText::kSetupWindowTitle, WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, nullptr, nullptr,
              g_hInstance, nullptr);
    HICON icon = SafeLoadIconA(g_hInstance, MAKEINTRESOURCEA(IDI_SETUP));
    SendMessageSafe(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageSafe(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    return m_hWnd;
}

LRESULT BackgroundWindow::WindowProc(UINT msg, MsgParams* params)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        PaintDC paint(m_hWnd, &ps, SafeBeginPaint(m_hWnd, &ps));
        RECT rc;
        GetClientRect(m_hWnd, &rc);
        PaintBackground(paint.Get(), rc, m_bUninstall);
        return 0;
    }
    case WM_PRINTCLIENT: {
        RECT rc;
        GetClientRect(m_hWnd, &rc);
        PaintBackground(reinterpret_cast<HDC>(params->wParam), rc, m_bUninstall);
        return 0;
    }
    case WM_CLOSE:
        // Closing it would take the setup dialog it owns along while the
        // flow's loop still waits: setup ends the window itself.
        return 0;
    case WM_QUERYENDSESSION:
        // Setup must not be cut off half-way: refuse every time.
        ShowMessage(nullptr, SetupText::kEndSetupFirst, nullptr, MB_OK | MB_ICONHAND | MB_TASKMODAL);
        return 0;
    }
    return Wnd::WindowProc(msg, params);
}

// ---- painting ---------------------------------------------------------------------

// Band i runs from edge i to edge i + 1; on a client area lower than 256
// pixels some bands are empty and are skipped, so no row is painted twice.
static int BandEdge(int i, int top, int bottom)
{
    return ((kBands - i) * top + i * bottom) / kBands;
}

static COLORREF BandColor(int i, int uninstall)
{
    if (!uninstall) return RGB(i, i, 255);  // blue to white
    int j = 255 - i;
    return RGB((j / 2 + j / 4) % 256, 0, (i / 2) % 256);  // red to navy
}

// Black first, then white up and to the left: the black copy is the shadow.
static void ShadowedText(HDC hdc, int x, int y, int offset, const char* text)
{
    int n = (int)strlen(text);
    SetTextColor(hdc, RGB(0, 0, 0));
    TextOutA(hdc, x, y, text, n);
    SetTextColor(hdc, RGB(255, 255, 255));
    TextOutA(hdc, x - offset, y - offset, text, n);
}

static int LineHeight(HDC hdc)
{
    TEXTMETRICA tm;
    GetTextMetricsA(hdc, &tm);
    return tm.tmHeight + tm.tmExternalLeading;
}

void PaintBackground(HDC hdc, const RECT& rc, int uninstall)
{
    for (int i = 0; i < kBands; ++i) {
        RECT band = {rc.left, BandEdge(i, rc.top, rc.bottom), rc.right, BandEdge(i + 1, rc.top, rc.bottom)};
        if (band.top >= band.bottom) continue;
        UniqueBrush brush(SafeCreateSolidBrush(BandColor(i, uninstall)));
        FillRect(hdc, &band, brush.Get());
    }

    // Sizes follow the client area, in device pixels at any DPI: the texts
    // keep their share of the screen, drawn at the screen's own resolution.
    const int h = (rc.right - rc.left) / 10;
    const int shadow = h / 12;
    const DWORD style = FONT_ITALIC | FONT_SHIFTJIS | FONT_ROMAN;
    UniqueFont big(CreateFontEx(SetupText::kBackgroundFont, -h, 0, style));
    UniqueFont small(CreateFontEx(SetupText::kBackgroundFont, -(h / 2), 0, style));

    UINT oldAlign = SetTextAlign(hdc, TA_CENTER | TA_TOP);
    int oldMode = SetBkMode(hdc, TRANSPARENT);
    COLORREF oldColor = GetTextColor(hdc);
    HGDIOBJ oldFont = SelectObject(hdc, big.Get());

    int y = (rc.bottom - rc.top) / 32;
    ShadowedText(hdc, (rc.left + rc.right) / 2, y, shadow, SetupText::kBackgroundName);
    y += LineHeight(hdc);

    SetTextAlign(hdc, TA_RIGHT | TA_TOP);
    SelectObject(hdc, small.Get());
    const int right = rc.right - h / 4;
    ShadowedText(hdc, right, y, shadow, "");
    if (uninstall) {
        y += LineHeight(hdc);
        ShadowedText(hdc, right, y, shadow, SetupText::kBackgroundUninstall);
    }

    SelectObject(hdc, oldFont);
    SetTextColor(hdc, oldColor);
    SetBkMode(hdc, oldMode);
    SetTextAlign(hdc, oldAlign);
}
