// DoingWnd.h - the progress window of a long operation on the user-interface
// thread: a message line, an optional percentage bar and an optional drawn
// cancel button. The operation calls in between its steps; Pump lets queued
// messages through and tells whether the user asked to cancel.
#pragma once

#include <windows.h>

#include "Data.h"
#include "FObject.h"
#include "Wnd.h"
#include "WorkWnd.h"

enum : DWORD {
    DW_CANCELBTN = 0x01,     // the drawn cancel button and a close box
    DW_NOBAR = 0x02,         // no percentage bar
    DW_SHOW = 0x04,          // shown at creation (or after the delay)
    DW_DISABLEOWNER = 0x08,  // the owner's top-level window is disabled meanwhile
    DW_CENTERTEXT = 0x10,    // the message centred on one line
    DW_TOPMOST = 0x20,
    DW_MULTILINE = 0x40,     // the message wrapped over the lines of its area
    DW_DELAYSHOW = 0x80,     // with DW_SHOW: shown only once the job takes 2 s
    DW_PROGRESSCTL = 0x100,  // the bar is the system's progress control (screen readers read it), with a
                             // status line under it: the percentage and, after 2 s, the time left
};

enum { IW_MAXSEC = 10 };

class DoingWnd : public Wnd {
public:
    // x, y: position, or -1 to centre on the owner (the work area without
    // one); cx, cy: size of the message area in pixels.
    DoingWnd(const char* title, int x, int y, int cx, int cy, HWND owner, DWORD flags);
    ~DoingWnd() override;
    LRESULT WindowProc(UINT msg, MsgParams* params) override;
    const char* ClassInfo(WNDCLASSA* wc) override;
    void Attach() override;
    void Detach() override;

    void SetMessage(const String& text);
    void SetRange(int min, int max);
    void SetPos(int pos);
    void StepIt();
    // Paints what changed, then dispatches up to 10 queued messages of the
    // thread; a window that is never shown (no DW_SHOW) lets them through at
    // most every 50 ms, as no one can click it. Returns 1 to go on, 0 when
    // cancel was requested.
    int Pump();

    // Nested sections: each divides one step of its enclosing range.
    void PushSection(int start, int end);
    void SetSectionPos(int pos);
    void StepSection();
    void PopSection(bool step);
    // At most every 100 ms: SetSectionPos, then Pump when asked. A null
    // window does nothing.
    static void UpdateSectionPos(DoingWnd* wnd, int pos, bool pump);

    // Enables the owner again and destroys the window; the object goes with it.
    void Close();

    // Bytes of text from the start that fit one line of the given width
    // (tabs expanded, double-byte characters whole, stopping at CR or LF);
    // at least one character unless the text starts with CR or LF.
    static int FitLine(HDC hdc, const char* text, int width);

    int Pos() const { return m_nPos; }
    int Min() const { return m_nMin; }
    int Max() const { return m_nMax; }
    int Percent() const { return m_nPercent; }
    int FillWidth() const { return m_cxFill; }
    DWORD Flags() const { return m_dwFlags; }
    bool Pressed() const { return m_bPressed != 0; }
    int SectionCount() const { return m_cSec; }
    const String& Message() const { return m_strText; }
    const RECT& BarRect() const { return m_rcBar; }
    const RECT& TextRect() const { return m_rcText; }
    const RECT& ButtonRect() const { return m_rcButton; }
    HWND BarControl() const { return m_hwndBar; }
    const String& Status() const { return m_strStatus; }

    // Cancel requested; the caller may clear it and go on.
    int m_bCancel;

protected:
    struct Section {
        int start, end, current;
    };

    void Layout();
    void CreateBarControls();
    void UpdateBarControls();
    void RecomputeBar(bool invalidate);
    void CheckDelayedShow();
    void ApplySections();
    void SetPressed(bool pressed);
    void Invalidate(const RECT& rc);
    void ReenableOwner();
    void Paint();
    void PaintButton(HDC hdc);
    void PaintMessage(HDC hdc);
    void PaintBar(HDC hdc);

    RECT m_rcBar;
    RECT m_rcText;
    RECT m_rcButton;
    int m_nMax;
    int m_nMin;
    int m_nPos;
    String m_strText;
    int m_bPressed;
    DWORD m_dwFlags;
    int m_cxFill;
    int m_nPercent;
    HWND m_hwndDisabled;
    SafePtr<WorkWnd> m_pWork;
    DWORD m_dwStartTick;
    Section m_aSec[IW_MAXSEC];
    int m_cSec;
    DWORD m_dwLastTick;
    HWND m_hwndBar;     // DW_PROGRESSCTL: the progress control and the status line
    HWND m_hwndStatus;
    RECT m_rcStatus;
    String m_strStatus;
    int m_nPermille;
    DWORD m_dwRangeTick;  // when the range was set: the time left counts from there
    bool m_bDirty;        // something changed since the last paint
    DWORD m_dwPumpTick;   // a hidden window's last pump
};
