// DisableWnd.h - disabling windows around a modal phase.
#pragma once

#include <windows.h>

#include "FObject.h"

// Disables an enabled window while it lives; on its end enables it again
// and activates it.
class DisableWnd : public SafeObject {
public:
    explicit DisableWnd(HWND hwnd);
    ~DisableWnd() override;

    HWND Disabled() const { return m_hwnd; }

private:
    HWND m_hwnd;
};

// Disables every enabled top-level library window except keep, marking it
// WND_MODALOFF, and remembers the active one.
void DisableAllWindows(HWND keep);
// Enables the windows marked WND_MODALOFF and activates the remembered one.
void EnableAllWindows();
