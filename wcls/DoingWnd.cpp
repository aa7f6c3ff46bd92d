// DoingWnd.cpp - the progress window.
#include "DoingWnd.h"

#include <stdio.h>
#include <string.h>
#include <windowsx.h>
#include <commctrl.h>

#include "Assert.h"
#include "Dpi.h"
#include "Handles.h"
#include "LibStartup.h"
#include "LibTexts.h"
#include "PathText.h"
#include "SafeCreate.h"
#include "ServiceWnd.h"
#include "SystemDll.h"
#include "WndFunc.h"

namespace {

const char kClassName[] = "DoingWnd";
const char kCancelButton[] = "中止";

const DWORD kShowDelayMs = 2000;
const DWORD kSectionUpdateMs = 100;
const int kPumpLimit = 10;
const DWORD kQuietPumpMs = 50;  // a hidden window's pace
const int kExactRangeLimit = 100000;  // wider ranges are computed in thousands
const int kBarBorder = 2;             // per side, inside the bar rectangle: DrawEdge's sunken edge at any DPI
const int kButtonMargin = 2;          // pixels at 96 DPI the button takes beyond its text cells

}  // namespace

DoingWnd::DoingWnd(const char* title, int x, int y, int cx, int cy, HWND owner, DWORD flags)
    : m_bCancel(0), m_rcBar(), m_rcText(), m_rcButton(), m_nMax(100), m_nMin(0), m_nPos(0),
      m_bPressed(0), m_dwFlags(flags), m_cxFill(0), m_nPercent(0), m_hwndDisabled(nullptr),
      m_dwStartTick(0), m_aSec(), m_cSec(0), m_dwLastTick(0), m_hwndBar(nullptr), m_hwndStatus(nullptr),
      m_rcStatus(), m_nPermille(-1), m_dwRangeTick(GetTickCount()), m_bDirty(false),
      m_dwPumpTick(0)
{
    const int cw = g_cxChar, ch = g_cyChar;
    const int captionHeight = GetSystemMetrics(SM_CYCAPTION);
    int width = cx + 4 * cw + 2 * GetSystemMetrics(SM_CXDLGFRAME);
    int height = cy + captionHeight + 7 * ch / 2 + 2 * GetSystemMetrics(SM_CYDLGFRAME);
    if (flags & DW_NOBAR) flags &= ~(DWORD)DW_PROGRESSCTL;
    m_dwFlags = flags;
    if (flags & DW_NOBAR) height -= 5 * ch / 2;
    if (flags & DW_PROGRESSCTL) height += 3 * ch / 4;
    if (flags & DW_CANCELBTN) height += 5 * ch / 2;

    DWORD exStyle = WS_EX_DLGMODALFRAME | ((flags & DW_TOPMOST) ? WS_EX_TOPMOST : 0);
    DWORD style = WS_POPUP | WS_CAPTION | ((flags & DW_CANCELBTN) ? WS_SYSMENU : 0);
    if (!title || IsBlankText(title)) {
        style &= ~WS_CAPTION;
        height -= captionHeight;
        title = "";
    }

    RECT ref;
    if (!owner || !GetWindowRect(owner, &ref)) ref = WorkArea();
    if (x == -1) x = (ref.left + ref.right - width) / 2;
    if (y == -1) y = (ref.top + ref.bottom - height) / 2;

    CreateWnd(exStyle, title, style, x, y, width, height, owner, nullptr, g_hInstance, nullptr);
    Layout();
    if (flags & DW_PROGRESSCTL) CreateBarControls();

    HWND top = TopLevelWindow(owner);
    if ((flags & DW_DISABLEOWNER) && top && IsWindowEnabled(top)) {
        EnableWindow(top, FALSE);
        m_hwndDisabled = top;
    }

    m_dwStartTick = GetTickCount();
    if (flags & DW_SHOW) {
        if (flags & DW_DELAYSHOW) {
            SetCursorDeferred(LoadCursorA(nullptr, IDC_WAIT));
        } else {
            ShowWindow(m_hWnd, SW_SHOWNORMAL);
            UpdateWindow(m_hWnd);
        }
    }
}

DoingWnd::~DoingWnd()
{
    if (m_dwWndFlag & WND_ATTACHED) DoingWnd::Detach();
    ReenableOwner();
}

const char* DoingWnd::ClassInfo(WNDCLASSA* wc)
{
    if (wc) {
        wc->hIcon = SafeLoadIconA(nullptr, IDI_APPLICATION);
        wc->hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc->hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc->lpszClassName = kClassName;
    }
    return kClassName;
}

void DoingWnd::Attach()
{
    if ((m_dwWndFlag & WND_ATTACHED) || !m_hWnd) return;
    Wnd::Attach();
    m_pWork = new WorkWnd(m_hWnd);
}

void DoingWnd::Detach()
{
    if (!(m_dwWndFlag & WND_ATTACHED)) return;
    m_pWork.Release();
    Wnd::Detach();
}

// Whichever way the window goes, the owner is enabled again once.
void DoingWnd::ReenableOwner()
{
    HWND owner = m_hwndDisabled;
    m_hwndDisabled = nullptr;
    if (owner) EnableWindow(owner, TRUE);
}

void DoingWnd::Close()
{
    // Before the window goes, so that activation can return to the owner.
    ReenableOwner();
    DestroyWnd(this);
}

// ---- geometry and bar ------------------------------------------------------------

void DoingWnd::Layout()
{
    const int cw = g_cxChar, ch = g_cyChar;
    RECT rc = {0, 0, 0, 0};
    if (m_hWnd) GetClientRect(m_hWnd, &rc);
    if (rc.right < 10 * cw) rc.right = 10 * cw;
    if (rc.bottom < 3 * ch) rc.bottom = 3 * ch;
    int bottom = rc.bottom;

    SetRectEmpty(&m_rcButton);
    if (m_dwFlags & DW_CANCELBTN) {
        const int margin = ScaleToDpi(kButtonMargin);
        m_rcButton.bottom = bottom - ch / 2 + margin;
        m_rcButton.top = m_rcButton.bottom - 2 * ch - margin;
        m_rcButton.left = rc.right / 2 - 4 * cw - margin;
        m_rcButton.right = m_rcButton.left + 8 * cw + margin;
        bottom = m_rcButton.top;
    }
    SetRectEmpty(&m_rcBar);
    SetRectEmpty(&m_rcStatus);
    if (m_dwFlags & DW_PROGRESSCTL) {
        m_rcStatus = {rc.left + 2 * cw, bottom - ch / 2 - ch, rc.right - 2 * cw, bottom - ch / 2};
        m_rcBar = {m_rcStatus.left, m_rcStatus.top - ch / 4 - 3 * ch / 2, m_rcStatus.right, m_rcStatus.top - ch / 4};
        bottom = m_rcBar.top;
        if (m_hwndBar) {
            MoveWindow(m_hwndBar, m_rcBar.left, m_rcBar.top, m_rcBar.right - m_rcBar.left, m_rcBar.bottom - m_rcBar.top,
                       FALSE);
            MoveWindow(m_hwndStatus, m_rcStatus.left, m_rcStatus.top, m_rcStatus.right - m_rcStatus.left,
                       m_rcStatus.bottom - m_rcStatus.top, FALSE);
        }
    } else if (!(m_dwFlags & DW_NOBAR)) {
        m_rcBar.bottom = bottom - ch / 2;
        m_rcBar.top = m_rcBar.bottom - 2 * ch;
        m_rcBar.left = rc.left + 2 * cw;
        m_rcBar.right = rc.right - 2 * cw;
        bottom = m_rcBar.top;
    }
    m_rcText.left = rc.left + 2 * cw;
    m_rcText.top = rc.top + ch / 2;
    m_rcText.right = rc.right;
    m_rcText.bottom = bottom;
    // The fill is in pixels of the bar, which may have changed width.
    RecomputeBar(false);
}

// The system's progress control, taken from the system folder; without it
// the drawn bar stays.
void DoingWnd::CreateBarControls()
{
    typedef BOOL(WINAPI * InitFn)(const INITCOMMONCONTROLSEX*);
    static InitFn s_init =
        reinterpret_cast<InitFn>(reinterpret_cast<void*>(SystemDllProc("COMCTL32.DLL", "InitCommonControlsEx")));
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_PROGRESS_CLASS};
    if (!m_hWnd || !s_init || !s_init(&classes)) {
        m_dwFlags &= ~(DWORD)DW_PROGRESSCTL;
        Layout();
        return;
    }
    const RECT& b = m_rcBar;
    m_hwndBar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, b.left, b.top, b.right - b.left,
                                b.bottom - b.top, m_hWnd, nullptr, g_hInstance, nullptr);
    const RECT& t = m_rcStatus;
    m_hwndStatus = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX, t.left, t.top,
                                   t.right - t.left, t.bottom - t.top, m_hWnd, nullptr, g_hInstance, nullptr);
    if (m_hwndStatus) SendMessageA(m_hwndStatus, WM_SETFONT, reinterpret_cast<WPARAM>(DisplayFont()), FALSE);
    if (!m_hwndBar) {  // the drawn bar after all, in its own place
        if (m_hwndStatus) DestroyWindow(m_hwndStatus);
        m_hwndStatus = nullptr;
        m_dwFlags &= ~(DWORD)DW_PROGRESSCTL;
        Layout();
        return;
    }
    SendMessageA(m_hwndBar, PBM_SETRANGE32, 0, 1000);
    UpdateBarControls();
}

// The control's position in thousandths; the status line with the
// percentage and, once the job has run 2 s, the time left at its pace.
void DoingWnd::UpdateBarControls()
{
    long long span = (long long)m_nMax - m_nMin, done = (long long)m_nPos - m_nMin;
    int permille = span > 0 ? (int)(done * 1000 / span) : 0;
    if (permille != m_nPermille) {
        m_nPermille = permille;
        SendMessageA(m_hwndBar, PBM_SETPOS, (WPARAM)permille, 0);
        m_bDirty = true;
    }
    char status[64];
    DWORD elapsed = GetTickCount() - m_dwRangeTick;
    // Seconds left at the pace so far, rounded up; nothing at the end.
    long long leftMs = done > 0 && done < span ? (long long)elapsed * (span - done) / done : -1;
    long long left = (leftMs + 999) / 1000;
    if (elapsed < kShowDelayMs || leftMs < 0)
        snprintf(status, sizeof(status), LibText::kPercentOnly, m_nPercent);
    else if (left < 60)
        snprintf(status, sizeof(status), LibText::kSecondsLeft, m_nPercent, (int)left);
    else
        snprintf(status, sizeof(status), LibText::kMinutesLeft, m_nPercent, (int)((left + 59) / 60));
    if (strcmp(status, m_strStatus.CStr()) == 0) return;
    m_strStatus = String(status);
    SetWindowTextA(m_hwndStatus, status);
    m_bDirty = true;
}

void DoingWnd::RecomputeBar(bool invalidate)
{
    long long max = m_nMax, min = m_nMin, pos = m_nPos;
    if (max - min > kExactRangeLimit) {
        max /= 1000;
        min /= 1000;
        pos /= 1000;
    }
    long long span = max - min;
    long long inner = m_rcBar.right - m_rcBar.left - 2 * kBarBorder;
    if (inner < 0) inner = 0;
    int percent = span > 0 ? (int)((pos - min) * 100 / span) : 0;
    int fill = span > 0 ? (int)((pos - min) * inner / span) : 0;
    if (m_hwndBar) {
        m_nPercent = percent;
        m_cxFill = fill;
        UpdateBarControls();
        return;
    }
    if (percent == m_nPercent && fill == m_cxFill) return;
    m_nPercent = percent;
    m_cxFill = fill;
    if (invalidate) Invalidate(m_rcBar);
}

void DoingWnd::CheckDelayedShow()
{
    const DWORD both = DW_SHOW | DW_DELAYSHOW;
    if ((m_dwFlags & both) != both || GetTickCount() - m_dwStartTick < kShowDelayMs) return;
    m_dwFlags &= ~(DWORD)DW_DELAYSHOW;
    ShowWindow(m_hWnd, SW_SHOWNORMAL);
    UpdateWindow(m_hWnd);
}

// ---- operations -------------------------------------------------------------------

void DoingWnd::SetMessage(const String& text)
{
    CheckDelayedShow();
    m_strText = text;
    Invalidate(m_rcText);
}

void DoingWnd::SetRange(int min, int max)
{
    m_nMax = ((long long)max - min < 1) ? min + 1 : max;
    m_nMin = min;
    m_nPos = min;
    m_dwRangeTick = GetTickCount();
    RecomputeBar(false);
    Invalidate(m_rcBar);
}

void DoingWnd::SetPos(int pos)
{
    CheckDelayedShow();
    if (pos < m_nMin) pos = m_nMin;
    if (pos > m_nMax) pos = m_nMax;
    m_nPos = pos;
    RecomputeBar(true);
}

void DoingWnd::StepIt()
{
    CheckDelayedShow();
    if (m_nPos < m_nMax) ++m_nPos;
    RecomputeBar(true);
}

int DoingWnd::Pump()
{
    CheckDelayedShow();
    if (!(m_dwFlags & DW_SHOW)) {
        if (GetTickCount() - m_dwPumpTick < kQuietPumpMs) return m_bCancel ? 0 : 1;
        m_dwPumpTick = GetTickCount();
    }
    if (!(m_dwFlags & DW_DELAYSHOW)) {
        // Only what changed is painted: asking the system for the update
        // region of every file costs more than the copy of a small one.
        if (m_bDirty && (m_dwFlags & DW_SHOW)) UpdateWindow(m_hWnd);
        m_bDirty = false;
        for (int i = 0; i < kPumpLimit; ++i) {
            MSG msg;
            if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) break;
            // The quit request belongs to the program's loop, not to us.
            if (msg.message == WM_QUIT) {
                PostQuitMessage((int)msg.wParam);
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return m_bCancel ? 0 : 1;
}

// ---- sections ------------------------------------------------------------------------

void DoingWnd::ApplySections()
{
    double span = (double)m_nMax - m_nMin;
    double pos = m_nMin;
    for (int i = 0; i < m_cSec; ++i) {
        const Section& s = m_aSec[i];
        span = span / ((double)s.end - s.start);
        pos += ((double)s.current - s.start) * span;
    }
    SetPos((int)pos);
}

void DoingWnd::PushSection(int start, int end)
{
    CheckDelayedShow();
    LIB_ASSERT_AT(m_cSec<IW_MAXSEC, "wcls/Doingwnd", 428);
    if (m_cSec >= IW_MAXSEC) return;
    if (end <= start) end = start + 1;
    m_aSec[m_cSec++] = Section{start, end, start};
    ApplySections();
}

void DoingWnd::SetSectionPos(int pos)
{
    CheckDelayedShow();
    LIB_ASSERT_AT(m_cSec>0, "wcls/Doingwnd", 463);
    if (m_cSec <= 0) return;
    Section& s = m_aSec[m_cSec - 1];
    if (pos < s.start) pos = s.start;
    if (pos > s.end) pos = s.end;
    s.current = pos;
    ApplySections();
}

void DoingWnd::StepSection()
{
    LIB_ASSERT_AT(m_cSec>0, "wcls/Doingwnd", 476);
    if (m_cSec <= 0) return;
    SetSectionPos(m_aSec[m_cSec - 1].current + 1);
}

void DoingWnd::PopSection(bool step)
{
    LIB_ASSERT_AT(m_cSec>0, "wcls/Doingwnd", 483);
    if (m_cSec > 0) --m_cSec;
    if (!step) return;
    if (m_cSec == 0)
        StepIt();
    else
        StepSection();
}

void DoingWnd::UpdateSectionPos(DoingWnd* wnd, int pos, bool pump)
{
    if (!wnd || GetTickCount() - wnd->m_dwLastTick < kSectionUpdateMs) return;
    wnd->SetSectionPos(pos);
    if (pump) wnd->Pump();
    wnd->m_dwLastTick = GetTickCount();
}

// ---- messages ------------------------------------------------------------------------

void DoingWnd::SetPressed(bool pressed)
{
    if ((m_bPressed != 0) == pressed) return;
    m_bPressed = pressed ? 1 : 0;
    Invalidate(m_rcButton);
}

void DoingWnd::Invalidate(const RECT& rc)
{
    if (!m_hWnd) return;
    InvalidateRect(m_hWnd, &rc, FALSE);
    m_bDirty = true;
}

LRESULT DoingWnd::WindowProc(UINT msg, MsgParams* params)
{
    const POINT pt = {GET_X_LPARAM(params->lParam), GET_Y_LPARAM(params->lParam)};
    const bool captured = m_hWnd && GetCapture() == m_hWnd;
    switch (msg) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_SIZE:
        if (params->wParam == SIZE_RESTORED || params->wParam == SIZE_MAXIMIZED) Layout();
        break;
    case WM_COMMAND:
        if (LOWORD(params->wParam) == IDCANCEL) {
            m_bCancel = 1;
            return 0;
        }
        break;
    case WM_KEYDOWN:
        if (params->wParam == VK_ESCAPE) {
            m_bCancel = 1;
            return 0;
        }
        break;
    case WM_CLOSE:
        // The close box asks; the operation decides when to close.
        m_bCancel = 1;
        return 0;
    case WM_LBUTTONDOWN:
        if ((m_dwFlags & DW_CANCELBTN) && PtInRect(&m_rcButton, pt)) {
            SetPressed(true);
            SetCapture(m_hWnd);
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        if (captured && (params->wParam & MK_LBUTTON)) {
            SetPressed(PtInRect(&m_rcButton, pt) != FALSE);
            return 0;
        }
        break;
    case WM_LBUTTONUP:
        if (captured) {
            bool pressed = m_bPressed != 0;
            ReleaseCapture();
            SetPressed(false);
            if (pressed) m_bCancel = 1;
            return 0;
        }
        break;
    case WM_CANCELMODE:
        if (captured) ReleaseCapture();
        SetPressed(false);
        break;
    case WM_CAPTURECHANGED:
        // Whoever took the capture, the button is no longer held.
        SetPressed(false);
        break;
    case WM_DESTROY:
        ReenableOwner();
        break;
    }
    return Wnd::WindowProc(msg, params);
}

// ---- painting ------------------------------------------------------------------------

void DoingWnd::Paint()
{
    PAINTSTRUCT ps;
    PaintDC dc(m_hWnd, &ps, SafeBeginPaint(m_hWnd, &ps));
    HDC hdc = dc.Get();
    SelectedObject font(hdc, DisplayFont());
    // Only the parts that need it: the message changes with every file.
    RECT part;
    if ((m_dwFlags & DW_CANCELBTN) && IntersectRect(&part, &ps.rcPaint, &m_rcButton)) PaintButton(hdc);
    if (IntersectRect(&part, &ps.rcPaint, &m_rcText)) PaintMessage(hdc);
    if (!(m_dwFlags & DW_NOBAR) && !m_hwndBar && IntersectRect(&part, &ps.rcPaint, &m_rcBar)) PaintBar(hdc);
}

void DoingWnd::PaintButton(HDC hdc)
{
    RECT rc = m_rcButton;
    DrawEdge(hdc, &rc, m_bPressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
    FillRect(hdc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    if (m_bPressed) OffsetRect(&rc, 1, 1);
    int oldMode = SetBkMode(hdc, TRANSPARENT);
    DrawTextA(hdc, kCancelButton, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetBkMode(hdc, oldMode);
}

int DoingWnd::FitLine(HDC hdc, const char* text, int width)
{
    int fit = 0;
    for (const char* p = text; *p && *p != '\r' && *p != '\n';) {
        const char* next = NextChar(p);
        int n = (int)(next - text);
        if ((int)LOWORD(GetTabbedTextExtentA(hdc, text, n, 0, nullptr)) > width) break;
        fit = n;
        p = next;
    }
    if (fit == 0 && *text && *text != '\r' && *text != '\n') fit = (int)(NextChar(text) - text);
    return fit;
}

void DoingWnd::PaintMessage(HDC hdc)
{
    SetBkColor(hdc, GetSysColor(COLOR_BTNFACE));
    const char* text = m_strText.CStr();
    const RECT& area = m_rcText;
    if (m_dwFlags & DW_MULTILINE) {
        HBRUSH background = GetSysColorBrush(COLOR_BTNFACE);
        const char* p = text;
        for (int top = area.top; top < area.bottom; top += g_cyChar) {
            RECT line = {area.left, top, area.right, top + g_cyChar};
            if (line.bottom > area.bottom) line.bottom = area.bottom;
            FillRect(hdc, &line, background);
            if (!*p) continue;
            int n = FitLine(hdc, p, area.right - area.left);
            DrawTextA(hdc, p, n, &line, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_EXPANDTABS | DT_NOPREFIX);
            p += n;
            if (*p == '\r') ++p;
            if (*p == '\n') ++p;
        }
    } else if (m_dwFlags & DW_CENTERTEXT) {
        UINT oldAlign = SetTextAlign(hdc, TA_CENTER | TA_TOP);
        ExtTextOutA(hdc, (area.left + area.right) / 2, area.top, ETO_OPAQUE | ETO_CLIPPED, &area, text,
                    (UINT)m_strText.Length(), nullptr);
        SetTextAlign(hdc, oldAlign);
    } else {
        ExtTextOutA(hdc, area.left, area.top, ETO_OPAQUE | ETO_CLIPPED, &area, text,
                    (UINT)m_strText.Length(), nullptr);
    }
}

void DoingWnd::PaintBar(HDC hdc)
{
    RECT inner = m_rcBar;
    DrawEdge(hdc, &inner, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    char percent[16];
    int n = snprintf(percent, sizeof(percent), "%d%%", m_nPercent);
    const int x = (inner.left + inner.right) / 2;
    const int y = (inner.top + inner.bottom - g_cyChar) / 2;
    UINT oldAlign = SetTextAlign(hdc, TA_CENTER | TA_TOP);
    COLORREF oldText = GetTextColor(hdc), oldBack = GetBkColor(hdc);

    RECT open = {inner.left + m_cxFill, inner.top, inner.right, inner.bottom};
    SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(hdc, GetSysColor(COLOR_WINDOW));
    ExtTextOutA(hdc, x, y, ETO_OPAQUE | ETO_CLIPPED, &open, percent, (UINT)n, nullptr);

    RECT filled = {inner.left, inner.top, inner.left + m_cxFill, inner.bottom};
    SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    SetBkColor(hdc, GetSysColor(COLOR_HIGHLIGHT));
    ExtTextOutA(hdc, x, y, ETO_OPAQUE | ETO_CLIPPED, &filled, percent, (UINT)n, nullptr);

    SetTextColor(hdc, oldText);
    SetBkColor(hdc, oldBack);
    SetTextAlign(hdc, oldAlign);
}
