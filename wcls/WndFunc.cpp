// WndFunc.cpp - small window utilities.
#include "WndFunc.h"

#include "Dpi.h"

static const UINT kSendTimeout = 0x7FFFFFFF;
static const int kClampSlack = 4;  // pixels at 96 DPI a window may stick out

HWND ParentWindow(HWND hwnd)
{
    if (!hwnd || !(GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD)) return nullptr;
    return GetParent(hwnd);
}

HWND TopLevelWindow(HWND hwnd)
{
    while (HWND parent = ParentWindow(hwnd)) hwnd = parent;
    return hwnd;
}

BOOL(WINAPI* g_pfnSystemParametersInfo)(UINT, UINT, PVOID, UINT) = SystemParametersInfoA;

RECT WorkArea()
{
    RECT rc;
    if (!g_pfnSystemParametersInfo(SPI_GETWORKAREA, 0, &rc, 0))
        SetRect(&rc, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return rc;
}

void CenterWindow(HWND hwnd, HWND reference, UINT flags)
{
    RECT ref, rc;
    if (!reference || !GetWindowRect(reference, &ref)) ref = WorkArea();
    if (!GetWindowRect(hwnd, &rc)) return;
    const RECT before = rc;

    OffsetRect(&rc, (ref.left + ref.right) / 2 - (rc.left + rc.right) / 2,
               (ref.top + ref.bottom) / 2 - (rc.top + rc.bottom) / 2);
    if (!(flags & CW_NOCLAMP)) {
        RECT area = WorkArea();
        const int slack = ScaleToDpi(kClampSlack);
        if (rc.right > area.right + slack) OffsetRect(&rc, area.right - rc.right, 0);
        if (rc.left < area.left - slack) OffsetRect(&rc, area.left - rc.left, 0);
        if (rc.bottom > area.bottom + slack) OffsetRect(&rc, 0, area.bottom - rc.bottom);
        if (rc.top < area.top - slack) OffsetRect(&rc, 0, area.top - rc.top);
    }
    if ((flags & CW_NOTABOVEREF) && rc.top < ref.top) OffsetRect(&rc, 0, ref.top - rc.top);
    if (EqualRect(&rc, &before)) return;

    // A child window is placed in its parent's client coordinates.
    if (HWND parent = ParentWindow(hwnd))
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    MoveWindow(hwnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
}

void CenterWindowOnWorkArea(HWND hwnd)
{
    CenterWindow(hwnd, nullptr, CW_NOTABOVEREF);
}

LRESULT SendMessageSafe(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (hwnd != HWND_BROADCAST && GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId())
        return SendMessageA(hwnd, msg, wp, lp);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(hwnd, msg, wp, lp, SMTO_BLOCK, kSendTimeout, &result)) return 0;
    return (LRESULT)result;
}

COLORREF GetColor(int index)
{
    if (index >= 0 && index <= 24) return GetSysColor(index);
    switch (index) {
    case -1: return RGB(0, 0, 128);
    case -2: return RGB(64, 64, 64);
    case -3: return RGB(255, 255, 192);
    case -4: return RGB(255, 0, 0);
    case -8: return RGB(0, 0, 0);
    }
    return RGB(0, 0, 0);
}
