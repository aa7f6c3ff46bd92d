// Wnd.h - the window object: every library window has one, found through a
// handle table, and receives the window's messages through its virtual
// WindowProc. The object is owned by its window: destroying the window
// deletes the object.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "Event2.h"

// m_dwWndFlag
enum : DWORD {
    WND_FKEYTARGET = 0x0002,  // function keys of descendants are delivered here
    WND_NOATTACH = 0x0008,    // create or initialise without attaching
    WND_ATTACHED = 0x0010,    // procedure replaced and in the handle table
    WND_DBLCLK = 0x0020,      // the message loop decides double clicks
    WND_POSTCREATE = 0x0040,  // post-create notification pending
    DLG_MODELESS = 0x0080,    // takes part in the modeless dialog key handling
    WND_DEFALLMSG = 0x0100,   // every message goes to the previous procedure
    WND_MODALOFF = 0x0200,    // disabled by DisableAllWindows
    DLG_WORKWND = 0x0400,     // the dialog is a work window while attached
};

// The two parameters of a window message, passed by address.
struct MsgParams {
    WPARAM wParam;
    LPARAM lParam;
};

class Wnd : public Event2 {
public:
    Wnd();
    ~Wnd() override;
    void BeforeDelete() override;

    virtual void OnPostCreate();
    virtual LRESULT DefWndProc(UINT msg, MsgParams* params);
    virtual void Subclass();
    virtual LRESULT WindowProc(UINT msg, MsgParams* params);
    // Without a record: the class name. With one: fills icon, cursor,
    // background and name, and returns the name.
    virtual const char* ClassInfo(WNDCLASSA* wc);
    virtual void Attach();
    virtual void Detach();
    virtual LRESULT OnContextMenu();
    virtual LRESULT OnWheel(int delta);
    virtual int QueryClose() { return 1; }

    // Registers the class when needed, creates the window and, unless
    // WND_NOATTACH, attaches it. Returns the window.
    HWND CreateWnd(DWORD exStyle, const char* title, DWORD style, int x, int y, int cx, int cy,
                   HWND parent, HMENU menu, HINSTANCE hinst, void* param);
    // Posts the post-create notification unless one is pending.
    void RequestPostCreate();

    HWND HWnd() const { return m_hWnd; }
    DWORD WndFlags() const { return m_dwWndFlag; }
    void AddWndFlags(DWORD flags) { m_dwWndFlag |= flags; }
    void RemoveWndFlags(DWORD flags) { m_dwWndFlag &= ~flags; }
    DWORD HelpId() const { return m_dwHelpId; }
    void SetHelpId(DWORD id) { m_dwHelpId = id; }

    // The object of an attached window, or null.
    static Wnd* FromHandle(HWND hwnd);
    // Copies the handles of the attached windows into out (at most max);
    // returns how many there are.
    static int AttachedWindows(HWND* out, int max);

protected:
    // Takes a window that was created or initialised for this object.
    void TakeWindow(HWND hwnd);

    Wnd* m_pNextInBucket;
    WNDPROC m_pfnPrevProc;
    HWND m_hWnd;
    DWORD m_dwWndFlag;
    DWORD m_dwHelpId;

private:
    static LRESULT CALLBACK LibWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT FinalMessage(UINT msg, MsgParams* params);
    LRESULT ContextMenuAt(POINT pt);
    LRESULT WheelRoll(WPARAM delta);

    int m_nBusy;          // WindowProc frames running for this object
    bool m_bDeleteLater;  // the window went while a frame was running
};

// Destroys the object's window (the object goes with it), or deletes an
// object that has no window. Null does nothing.
void DestroyWnd(Wnd* wnd);

// Where the context menu of the current OnContextMenu call should open
// (screen coordinates).
POINT ContextMenuPoint();
