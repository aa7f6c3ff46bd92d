// Dpi.h - the display's DPI, and pixel sizes laid out at 96 DPI scaled to it.
#pragma once

// The screen's LOGPIXELSY, read once (96 when it cannot be read). SETUP.EXE
// is system DPI aware: its windows are laid out in device pixels at this DPI.
int ScreenDpi();

// A size in pixels at 96 DPI, at the screen's DPI; unchanged at 96 DPI.
int ScaleToDpi(int pixels);
