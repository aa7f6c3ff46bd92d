// SafeCreate.h - creation of window-system resources that never hands a
// null handle to the caller: a failure shows the retry-or-abort box and the
// call is repeated after Retry (Abort ends the process).
#pragma once

#include <windows.h>

HRGN SafeCreateRectRgnIndirect(const RECT* rect);
int SafeCombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode);
HBITMAP SafeCreateBitmap(int cx, int cy, UINT planes, UINT bitCount, const void* bits);
HBRUSH SafeCreateSolidBrush(COLORREF color);
HPEN SafeCreatePen(int style, int width, COLORREF color);
HDC SafeCreateDCA(const char* driver, const char* device, const DEVMODEA* mode);
HDC SafeCreateICA(const char* driver, const char* device, const DEVMODEA* mode);
HDC SafeCreateCompatibleDC(HDC hdc);
HBITMAP SafeCreateCompatibleBitmap(HDC hdc, int cx, int cy);
HDC SafeGetDC(HWND hwnd);
HDC SafeBeginPaint(HWND hwnd, PAINTSTRUCT* ps);
HFONT SafeCreateFontA(int height, int width, int escapement, int orientation, int weight,
                      DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                      DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                      DWORD pitchAndFamily, const char* face);
HFONT SafeCreateFontIndirectA(const LOGFONTA* font);
ATOM SafeRegisterClassA(const WNDCLASSA* wc);
ATOM SafeRegisterClassExA(const WNDCLASSEXA* wc);
HWND SafeCreateDialogParamA(HINSTANCE hinst, const char* templ, HWND owner, DLGPROC proc, LPARAM param);
HWND SafeCreateDialogIndirectParamA(HINSTANCE hinst, const DLGTEMPLATE* templ, HWND owner,
                                    DLGPROC proc, LPARAM param);
HWND SafeCreateWindowExA(DWORD exStyle, const char* cls, const char* title, DWORD style, int x, int y,
                         int cx, int cy, HWND parent, HMENU menu, HINSTANCE hinst, void* param);
HBRUSH SafeCreateHatchBrush(int hatch, COLORREF color);
HBRUSH SafeCreatePatternBrush(HBITMAP bitmap);
UINT_PTR SafeSetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
HBITMAP SafeLoadBitmapA(HINSTANCE hinst, const char* name);
HICON SafeLoadIconA(HINSTANCE hinst, const char* name);
HACCEL SafeLoadAcceleratorsA(HINSTANCE hinst, const char* name);
UINT SafeRegisterWindowMessageA(const char* name);
HMENU SafeLoadMenuA(HINSTANCE hinst, const char* name);
ATOM SafeGlobalAddAtomA(const char* name);

// Deletes a GDI object made by the wrappers above (counted like them).
BOOL LibDeleteObject(HGDIOBJ obj);

// GDI objects (pens, brushes, fonts, bitmaps, regions) created through the
// wrappers and deleted through LibDeleteObject, since start. A painting
// routine that leaks shows as created running ahead of deleted.
struct GdiCounts {
    long created;
    long deleted;
};
GdiCounts GetGdiCounts();
