// ListBox2.cpp - the library's self-drawn list window.
#include "ListBox2.h"

#include <windowsx.h>

#include "Dpi.h"
#include "Handles.h"
#include "LibStartup.h"
#include "LibTexts.h"
#include "SafeCreate.h"

static const char kClassName[] = "ListBox2";
static const int kWheelLines = 3;
static const int kItemPadding = 2;  // pixels at 96 DPI between the rows' texts

ListBox2::ListBox2()
    : m_hfont(nullptr), m_nSel(-1), m_nTop(0), m_xScroll(0), m_cyItem(ScaleToDpi(16)), m_cxWidest(0),
      m_nPressed(-1), m_nItemsSet(0), m_nPressSet(0), m_bUpdating(0)
{
}

ListBox2::~ListBox2()
{
}

// The library's window class under the name of its own.
const char* ListBox2::ClassInfo(WNDCLASSA* wc)
{
    Wnd::ClassInfo(wc);
    if (wc) wc->lpszClassName = kClassName;
    return kClassName;
}

HWND ListBox2::Create(HWND parent, int id, const RECT& rc, DWORD exStyle, DWORD style)
{
    CreateWnd(exStyle, LibText::kListBoxTitle, WS_CHILD | WS_VISIBLE | style, rc.left, rc.top,
              rc.right - rc.left, rc.bottom - rc.top, parent, reinterpret_cast<HMENU>((INT_PTR)id),
              g_hInstance, nullptr);
    Measure();
    UpdateScrollBars();
    return m_hWnd;
}

void ListBox2::SetFont(HFONT font)
{
    m_hfont = font;
    if (!m_hWnd) return;
    Measure();
    Relayout();
}

// ---- geometry -------------------------------------------------------------------------

static HFONT FontOrSystem(HFONT font)
{
    return font ? font : DisplayFont();
}

void ListBox2::Measure()
{
    WindowDC dc(m_hWnd, SafeGetDC(m_hWnd));
    SelectedObject font(dc.Get(), FontOrSystem(m_hfont));
    TEXTMETRICA tm;
    GetTextMetricsA(dc.Get(), &tm);
    int icon = GetSystemMetrics(SM_CYSMICON);
    m_cyItem = (tm.tmHeight > icon ? tm.tmHeight : icon) + ScaleToDpi(kItemPadding);
}

void ListBox2::ItemsChanged()
{
    m_nSel = -1;
    m_nTop = 0;
    m_xScroll = 0;
    m_nPressed = -1;
    ++m_nItemsSet;
    Relayout();
}

// The widest item and the scroll ranges, after a change of items or font.
void ListBox2::Relayout()
{
    m_cxWidest = 0;
    if (!m_hWnd) return;
    {
        WindowDC dc(m_hWnd, SafeGetDC(m_hWnd));
        SelectedObject font(dc.Get(), FontOrSystem(m_hfont));
        for (int i = 0, n = ItemCount(); i < n; ++i) {
            int w = ItemWidth(dc.Get(), i);
            if (w > m_cxWidest) m_cxWidest = w;
        }
    }
    UpdateScrollBars();
    InvalidateRect(m_hWnd, nullptr, TRUE);
}

int ListBox2::VisibleCount() const
{
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    int n = rc.bottom / m_cyItem;
    return n > 0 ? n : 1;
}

// Showing or hiding a bar changes the client area, so the ranges are set
// again until it stays the same.
void ListBox2::UpdateScrollBars()
{
    if (m_bUpdating || !m_hWnd) return;
    m_bUpdating = 1;
    for (int round = 0; round < 3; ++round) {
        RECT before;
        GetClientRect(m_hWnd, &before);
        int n = ItemCount(), visible = VisibleCount();
        int maxTop = n > visible ? n - visible : 0;
        if (m_nTop > maxTop) m_nTop = maxTop;
        int maxX = m_cxWidest > before.right ? m_cxWidest - before.right : 0;
        if (m_xScroll > maxX) m_xScroll = maxX;

        SCROLLINFO si = {sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 0, n > 0 ? n - 1 : 0, (UINT)visible, m_nTop, 0};
        SetScrollInfo(m_hWnd, SB_VERT, &si, TRUE);
        SCROLLINFO sh = {sizeof(sh), SIF_RANGE | SIF_PAGE | SIF_POS, 0, m_cxWidest > 0 ? m_cxWidest - 1 : 0,
                         (UINT)(before.right > 0 ? before.right : 1), m_xScroll, 0};
        SetScrollInfo(m_hWnd, SB_HORZ, &sh, TRUE);

        RECT after;
        GetClientRect(m_hWnd, &after);
        if (after.right == before.right && after.bottom == before.bottom) break;
    }
    m_bUpdating = 0;
}

// Moves a scroll position within 0..maxPos; false when it stays.
static bool MoveScroll(HWND hwnd, int bar, int pos, int maxPos, int* current)
{
    if (pos > maxPos) pos = maxPos;
    if (pos < 0) pos = 0;
    if (pos == *current) return false;
    *current = pos;
    SetScrollPos(hwnd, bar, pos, TRUE);
    InvalidateRect(hwnd, nullptr, FALSE);
    return true;
}

void ListBox2::ScrollTo(int top)
{
    int n = ItemCount(), visible = VisibleCount();
    MoveScroll(m_hWnd, SB_VERT, top, n > visible ? n - visible : 0, &m_nTop);
}

void ListBox2::ScrollHorizontally(int x)
{
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    MoveScroll(m_hWnd, SB_HORZ, x, m_cxWidest > rc.right ? m_cxWidest - rc.right : 0, &m_xScroll);
}

int ListBox2::ItemFromPoint(POINT pt) const
{
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    if (!PtInRect(&rc, pt)) return -1;
    int i = m_nTop + pt.y / m_cyItem;
    return i < ItemCount() ? i : -1;
}

// ---- selection ---------------------------------------------------------------------

void ListBox2::SetCurSel(int index)
{
    if (index < -1 || index >= ItemCount()) index = -1;
    m_nSel = index;
    if (index >= 0) {
        int visible = VisibleCount();
        if (index < m_nTop)
            ScrollTo(index);
        else if (index >= m_nTop + visible)
            ScrollTo(index - visible + 1);
    }
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, FALSE);
}

// Selects the first selectable item from target on in the direction of
// step (or back from it when there is none that way).
void ListBox2::MoveSelection(int target, int step)
{
    int n = ItemCount();
    if (n == 0) return;
    if (target < 0) target = 0;
    if (target >= n) target = n - 1;
    int i = target;
    while (i >= 0 && i < n && !CanSelect(i)) i += step;
    if (i < 0 || i >= n) {
        for (i = target; i >= 0 && i < n && !CanSelect(i);) i -= step;
        if (i < 0 || i >= n) return;
    }
    bool changed = i != m_nSel;
    SetCurSel(i);
    if (changed) Notify(LB2N_SELCHANGE);
}

void ListBox2::Notify(WORD code)
{
    HWND parent = GetParent(m_hWnd);
    if (parent)
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(m_hWnd), code),
                     reinterpret_cast<LPARAM>(m_hWnd));
}

// ---- input --------------------------------------------------------------------------

LRESULT ListBox2::OnKeyDown(WPARAM key, MsgParams* params)
{
    int cur = m_nSel, page = VisibleCount() - 1;
    if (page < 1) page = 1;
    switch (key) {
    case VK_UP: MoveSelection(cur < 0 ? 0 : cur - 1, cur < 0 ? 1 : -1); return 0;
    case VK_DOWN: MoveSelection(cur + 1, 1); return 0;
    case VK_PRIOR: MoveSelection(cur - page, -1); return 0;
    case VK_NEXT: MoveSelection(cur + page, 1); return 0;
    case VK_HOME: MoveSelection(0, 1); return 0;
    case VK_END: MoveSelection(ItemCount() - 1, -1); return 0;
    case VK_LEFT: ScrollHorizontally(m_xScroll - m_cyItem); return 0;
    case VK_RIGHT: ScrollHorizontally(m_xScroll + m_cyItem); return 0;
    case VK_SPACE:
        if (m_nSel >= 0) Notify(LB2N_OPEN);
        return 0;
    }
    return Wnd::WindowProc(WM_KEYDOWN, params);
}

// A double click whose first click replaced the items (the parent opened
// the entry) belongs to the old items and is dropped.
void ListBox2::OnButtonDown(POINT pt, bool doubleClick)
{
    if (GetFocus() != m_hWnd) SetFocus(m_hWnd);
    if (doubleClick && m_nPressSet != m_nItemsSet) {
        m_nPressed = -1;
        return;
    }
    int set = m_nItemsSet;
    m_nPressSet = set;
    m_nPressed = -1;
    int hit = ItemFromPoint(pt);
    if (hit < 0 || !CanSelect(hit)) return;
    if (hit != m_nSel) {
        SetCurSel(hit);
        Notify(LB2N_SELCHANGE);
        if (m_nItemsSet != set) return;
    }
    if (doubleClick) {
        Notify(LB2N_OPEN);
        return;
    }
    m_nPressed = hit;
    SetCapture(m_hWnd);
}

void ListBox2::OnButtonUp(POINT pt)
{
    int pressed = m_nPressed;
    m_nPressed = -1;
    if (GetCapture() == m_hWnd) ReleaseCapture();
    if (pressed >= 0 && m_nPressSet == m_nItemsSet && ItemFromPoint(pt) == pressed) Notify(LB2N_RELEASED);
}

LRESULT ListBox2::OnScroll(int bar, WORD request)
{
    SCROLLINFO si = {sizeof(si), SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(m_hWnd, bar, &si);
    int pos = bar == SB_VERT ? m_nTop : m_xScroll;
    int line = bar == SB_VERT ? 1 : m_cyItem;
    int page = (int)si.nPage > 1 ? (int)si.nPage : 1;
    switch (request) {
    case SB_LINEUP: pos -= line; break;
    case SB_LINEDOWN: pos += line; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = si.nMax; break;
    default: return 0;
    }
    if (bar == SB_VERT)
        ScrollTo(pos);
    else
        ScrollHorizontally(pos);
    return 0;
}

LRESULT ListBox2::OnWheel(int delta)
{
    ScrollTo(m_nTop - delta * kWheelLines / WHEEL_DELTA);
    return 1;
}

// ---- painting ----------------------------------------------------------------------

void ListBox2::Paint()
{
    PAINTSTRUCT ps;
    PaintDC paint(m_hWnd, &ps, SafeBeginPaint(m_hWnd, &ps));
    HDC hdc = paint.Get();
    RECT client;
    GetClientRect(m_hWnd, &client);
    SelectedObject font(hdc, FontOrSystem(m_hfont));
    int oldMode = SetBkMode(hdc, TRANSPARENT);
    COLORREF oldColor = GetTextColor(hdc);
    bool focused = GetFocus() == m_hWnd;
    int y = 0;
    for (int i = m_nTop, n = ItemCount(); i < n && y < client.bottom; ++i, y += m_cyItem) {
        RECT row = {client.left, y, client.right, y + m_cyItem};
        bool selected = i == m_nSel;
        FillRect(hdc, &row, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        SetTextColor(hdc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        RECT item = {client.left - m_xScroll, y, client.right, y + m_cyItem};
        DrawItem(hdc, i, item, selected);
        if (selected && focused) DrawFocusRect(hdc, &row);
    }
    RECT rest = {client.left, y, client.right, client.bottom};
    if (rest.top < rest.bottom) FillRect(hdc, &rest, GetSysColorBrush(COLOR_WINDOW));
    SetTextColor(hdc, oldColor);
    SetBkMode(hdc, oldMode);
}

// ---- messages -----------------------------------------------------------------------

LRESULT ListBox2::WindowProc(UINT msg, MsgParams* params)
{
    POINT pt = {GET_X_LPARAM(params->lParam), GET_Y_LPARAM(params->lParam)};
    switch (msg) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the painting covers the whole client area
    case WM_SIZE:
        UpdateScrollBars();
        break;
    case WM_VSCROLL:
        return OnScroll(SB_VERT, LOWORD(params->wParam));
    case WM_HSCROLL:
        return OnScroll(SB_HORZ, LOWORD(params->wParam));
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(m_hWnd, nullptr, FALSE);
        return 0;
    case WM_SETFONT:
        SetFont(reinterpret_cast<HFONT>(params->wParam));
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(m_hfont);
    case WM_KEYDOWN:
        return OnKeyDown(params->wParam, params);
    case WM_LBUTTONDOWN:
        OnButtonDown(pt, false);
        return 0;
    case WM_LBUTTONDBLCLK:
        OnButtonDown(pt, true);
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp(pt);
        return 0;
    case WM_CAPTURECHANGED:
        m_nPressed = -1;
        return 0;
    }
    return Wnd::WindowProc(msg, params);
}
