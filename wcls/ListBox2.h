// ListBox2.h - a list window that the library draws and scrolls itself
// (window class "ListBox2"). A derived class supplies the items; the list
// keeps the selection and the scrolling and tells its parent what the user
// did.
#pragma once

#include <windows.h>

#include "Wnd.h"

// Notifications: WM_COMMAND to the parent with the list's id and one of
// these codes in the high word.
enum : WORD {
    LB2N_SELCHANGE = 0x4CA,  // the selection moved
    LB2N_OPEN = 0x4CB,       // an entry double-clicked, or the space bar
    LB2N_RELEASED = 0x4D9,   // the left button released over the entry it pressed
};

class ListBox2 : public Wnd {
public:
    ListBox2();
    ~ListBox2() override;
    LRESULT WindowProc(UINT msg, MsgParams* params) override;
    const char* ClassInfo(WNDCLASSA* wc) override;
    LRESULT OnWheel(int delta) override;

    // The items, supplied by the derived class.
    virtual int ItemCount() const { return 0; }
    virtual bool CanSelect(int) const { return true; }
    // Width in pixels of an item drawn with the list's font.
    virtual int ItemWidth(HDC, int) { return 0; }
    // Draws an item into rc; the background, text colour and font are set.
    virtual void DrawItem(HDC, int, const RECT&, bool) {}

    // Creates the list as a child of parent at rc (parent client coordinates).
    HWND Create(HWND parent, int id, const RECT& rc, DWORD exStyle, DWORD style);
    // The font of the items (not owned; none: the library's display font).
    void SetFont(HFONT font);
    HFONT GetFont() const { return m_hfont; }
    // The items were replaced: no selection, scrolled back to the start.
    void ItemsChanged();
    int CurSel() const { return m_nSel; }
    // Selects an item (-1: none) and scrolls it into view; no notification.
    void SetCurSel(int index);
    int TopIndex() const { return m_nTop; }
    int ItemHeight() const { return m_cyItem; }
    // The item under a point of the client area, or -1.
    int ItemFromPoint(POINT pt) const;

private:
    void Measure();
    void Relayout();
    void UpdateScrollBars();
    int VisibleCount() const;
    void ScrollTo(int top);
    void ScrollHorizontally(int x);
    void MoveSelection(int target, int step);
    void Notify(WORD code);
    void Paint();
    LRESULT OnScroll(int bar, WORD request);
    LRESULT OnKeyDown(WPARAM key, MsgParams* params);
    void OnButtonDown(POINT pt, bool doubleClick);
    void OnButtonUp(POINT pt);

    HFONT m_hfont;
    int m_nSel;
    int m_nTop;       // first item shown
    int m_xScroll;    // pixels scrolled to the left
    int m_cyItem;
    int m_cxWidest;
    int m_nPressed;   // item under the left button, or -1
    int m_nItemsSet;  // counts ItemsChanged, so a press knows its items are gone
    int m_nPressSet;
    int m_bUpdating;
};
