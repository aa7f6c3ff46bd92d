// DisableWnd.cpp - disabling windows around a modal phase.
#include "DisableWnd.h"

#include "Memory.h"
#include "Wnd.h"

static HWND s_hwndActiveBefore;

DisableWnd::DisableWnd(HWND hwnd) : m_hwnd(nullptr)
{
    if (hwnd && IsWindowEnabled(hwnd)) {
        EnableWindow(hwnd, FALSE);
        m_hwnd = hwnd;
    }
}

DisableWnd::~DisableWnd()
{
    if (m_hwnd) {
        EnableWindow(m_hwnd, TRUE);
        SetActiveWindow(m_hwnd);
    }
}

// The attached windows now. Enabling and disabling send messages whose
// handlers may create or destroy windows, so the table is not walked while
// that happens.
static int SnapshotAttached(HWND** out)
{
    int n = Wnd::AttachedWindows(nullptr, 0);
    *out = static_cast<HWND*>(MemAlloc(sizeof(HWND) * (n ? n : 1)));
    int m = Wnd::AttachedWindows(*out, n);
    return m < n ? m : n;
}

void DisableAllWindows(HWND keep)
{
    HWND active = GetActiveWindow();
    HWND* all;
    int n = SnapshotAttached(&all);
    for (int i = 0; i < n; ++i) {
        HWND h = all[i];
        Wnd* w = Wnd::FromHandle(h);
        if (!w || h == keep || (GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD) || !IsWindowEnabled(h))
            continue;
        EnableWindow(h, FALSE);
        if ((w = Wnd::FromHandle(h)) != nullptr) w->AddWndFlags(WND_MODALOFF);
        if (h == active) s_hwndActiveBefore = h;
    }
    MemFree(all);
}

void EnableAllWindows()
{
    HWND* all;
    int n = SnapshotAttached(&all);
    for (int i = 0; i < n; ++i) {
        Wnd* w = Wnd::FromHandle(all[i]);
        if (!w || !(w->WndFlags() & WND_MODALOFF)) continue;
        w->RemoveWndFlags(WND_MODALOFF);
        EnableWindow(all[i], TRUE);
    }
    MemFree(all);
    HWND active = s_hwndActiveBefore;
    s_hwndActiveBefore = nullptr;
    if (active && IsWindow(active)) SetActiveWindow(active);
}
