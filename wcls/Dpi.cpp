// Dpi.cpp - the display's DPI and pixel sizes scaled to it.
#include "Dpi.h"

#include <windows.h>

#include "Handles.h"

static const int kDefaultDpi = 96;

static int ReadScreenDpi()
{
    WindowDC screen(nullptr, GetDC(nullptr));
    int dpi = screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : kDefaultDpi;
}

int ScreenDpi()
{
    static const int s_dpi = ReadScreenDpi();  // the system DPI stays until the user logs on again
    return s_dpi;
}

int ScaleToDpi(int pixels)
{
    return MulDiv(pixels, ScreenDpi(), kDefaultDpi);
}
