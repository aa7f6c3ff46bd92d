// BackgroundWindow.h - the full-screen window behind every flow: a colour
// gradient with the product name; it refuses a Windows shutdown while setup
// runs.
#pragma once

#include "wcls/Wnd.h"

class BackgroundWindow : public Wnd {
public:
    // uninstall 0: the install variant; 1: the uninstall variant.
    explicit BackgroundWindow(int uninstall);
    ~BackgroundWindow() override;
    LRESULT WindowProc(UINT msg, MsgParams* params) override;
    const char* ClassInfo(WNDCLASSA* wc) override;

    // Creates the (hidden) top-level window and sets its icons; the caller
    // shows it. Returns the window.
    HWND Create();

    int m_bUninstall;
};

// Paints the gradient and the texts of a variant into a client rectangle.
void PaintBackground(HDC hdc, const RECT& client, int uninstall);
