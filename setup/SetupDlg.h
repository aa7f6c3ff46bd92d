// SetupDlg.h - the dialog of a fresh installation: the program folder, a
// Browse button and the desktop-icon option, with every confirmation asked
// before the modal loop ends with 1.
#pragma once

#include "SetupOptions.h"
#include "wcls/Dlg.h"

// The checks of OK on a folder text, brought to folder form first: a full
// path without < > /, enough free space, no earlier version there, an
// existing folder and the start agreed to. False when a check refuses or
// the user declines; the boxes are owned by dlg (none in an unattended run).
bool ConfirmProgramFolder(HWND dlg, String* folder);

class SetupDlg : public Dlg {
public:
    // Creates and shows the dialog over `parent`. The caller runs the modal
    // loop (ML_DIALOGKEYS) on its window: 1 means confirmed, with
    // options->folder in folder form; anything else means cancelled.
    SetupDlg(HWND parent, SetupOptions* options);
    ~SetupDlg() override;
    LRESULT WindowProc(UINT msg, MsgParams* params) override;

    // The free-space query of the confirmation (FreeSpace; a test puts a
    // stand-in here): 1 with the bytes free to the caller on the root.
    typedef int (*FreeSpaceFn)(const String& root, double* freeBytes);
    static FreeSpaceFn s_pfnFreeSpace;

private:
    void Confirm();
    void Browse();
    void ToggleDesktopIcon();
    void AskCancel();

    SetupOptions* m_pOptions;  // not owned
    int32_t m_bDesktopIcon;
};
