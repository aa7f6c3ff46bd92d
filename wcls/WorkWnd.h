// WorkWnd.h - the stack of work windows: the top visible one owns the
// message boxes that are given no owner of their own.
#pragma once

#include <windows.h>

#include "FObject.h"

// Pushed on the stack while it lives; held through counted pointers.
class WorkWnd : public SafeObject {
public:
    explicit WorkWnd(HWND hwnd);
    ~WorkWnd() override;

    HWND HWnd() const { return m_hwnd; }

private:
    friend HWND CurrentWorkWnd();
    HWND m_hwnd;
    WorkWnd* m_pNext;
};

// The window of the topmost work window that is visible, or none.
HWND CurrentWorkWnd();
