// Dlg.h - the dialog object: a Wnd made from a dialog template, optionally
// a work window and a member of the modeless dialog list.
#pragma once

#include "FObject.h"
#include "Wnd.h"
#include "WorkWnd.h"

class Dlg : public Wnd {
public:
    // extraFlags are ORed into the window flags (DLG_MODELESS, DLG_WORKWND...).
    explicit Dlg(DWORD extraFlags = 0);
    ~Dlg() override;
    void Attach() override;
    void Detach() override;

    // Initialisation: true (the system sets the focus). Commands 1 to 10
    // end the running modal loop with their id; 1257 asks for help.
    virtual INT_PTR DialogProc(UINT msg, MsgParams* params);
    // Lets the system's dialog key handling take a message for this dialog
    // or one of its descendants; true when it did.
    virtual BOOL PreTranslate(MSG* msg);

    // Creates the dialog as a modeless window from the named template.
    HWND CreateDlg(HINSTANCE hinst, const char* templateName, HWND owner);

    // Offers a queued message to the modeless dialogs, newest first; true
    // when one of them took it.
    static BOOL ModelessPreTranslate(MSG* msg);

protected:
    Dlg* m_pNextModeless;
    SafePtr<WorkWnd> m_pWorkWnd;

private:
    static INT_PTR CALLBACK LibDlgProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Unlink();
};
