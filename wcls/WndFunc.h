// WndFunc.h - small window utilities: parents, centring, safe sends, the
// library's colour table.
#pragma once

#include <windows.h>

// The parent of a child window; none for a top-level window (its owner is
// not its parent).
HWND ParentWindow(HWND hwnd);
// The first ancestor (or the window itself) that is not a child window.
HWND TopLevelWindow(HWND hwnd);

// The work area, or the whole screen when it cannot be read.
RECT WorkArea();
// The query behind it, replaceable so that tests can choose its answer.
extern BOOL(WINAPI* g_pfnSystemParametersInfo)(UINT, UINT, PVOID, UINT);

enum : UINT {
    CW_NOTABOVEREF = 0x1,  // never higher than the reference window's top
    CW_NOCLAMP = 0x2,      // may leave the work area
};
// Centres the window on the reference window (none: the work area), pulls
// it back into the work area unless CW_NOCLAMP, and moves it when needed.
void CenterWindow(HWND hwnd, HWND reference, UINT flags);
void CenterWindowOnWorkArea(HWND hwnd);

// A direct send for a window of this thread; otherwise a blocking send with
// a time-out that answers 0 when it fails.
LRESULT SendMessageSafe(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// 0 to 24: the system colour; -1, -2, -3, -4, -8: the library's own; any
// other index: black.
COLORREF GetColor(int index);
