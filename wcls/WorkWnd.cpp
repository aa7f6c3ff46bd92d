// WorkWnd.cpp - the stack of work windows.
#include "WorkWnd.h"

#include "Assert.h"

static WorkWnd* s_pTop;

WorkWnd::WorkWnd(HWND hwnd) : m_hwnd(hwnd), m_pNext(s_pTop)
{
    s_pTop = this;
}

WorkWnd::~WorkWnd()
{
    // Entries may go in any order, not only from the top.
    WorkWnd** pp = &s_pTop;
    while (*pp && *pp != this) pp = &(*pp)->m_pNext;
    LIB_ASSERT_AT(*pp, "wcls/Func", 5055);
    *pp = m_pNext;
}

HWND CurrentWorkWnd()
{
    for (WorkWnd* w = s_pTop; w; w = w->m_pNext)
        if (w->HWnd() && IsWindowVisible(w->HWnd())) return w->HWnd();
    return nullptr;
}
