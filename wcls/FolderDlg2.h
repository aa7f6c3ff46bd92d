// FolderDlg2.h - the library's folder selection dialog: on the left where
// the current folder lies (its ancestors, subfolders, the drives and the
// special folders), on the right its files, below a path field. The user
// walks the tree by opening entries or typing a path and confirms with OK.
#pragma once

#include "Data.h"
#include "Dlg.h"
#include "FileListBox2.h"

// Options of SelectFolder.
enum : DWORD {
    FD_MUSTEXIST = 0x01,  // OK accepts only an existing folder
    FD_CENTER = 0x02,     // centred over the owner
};

// Runs the dialog modally over owner, starting at the nearest existing
// folder at or above initial (blank: the current folder). Returns the path
// field's text as confirmed, or an empty String when cancelled. A help id
// shows the help button.
String SelectFolder(HWND owner, const String& initial, const char* title, DWORD options, DWORD helpId);

class FolderDlg2 : public Dlg {
public:
    explicit FolderDlg2(DWORD options);
    ~FolderDlg2() override;
    LRESULT WindowProc(UINT msg, MsgParams* params) override;

    // Creates the dialog, puts the lists and the path field in place of the
    // placeholders, scans the starting folder, shows the dialog and focuses
    // the path field. The caller runs the modal loop.
    HWND Create(HWND owner, const String& initial, const char* title, DWORD helpId);

    // The folder the dialog opens at for an initial text.
    static String StartFolder(const String& initial);

    const String& Result() const { return m_strResult; }
    FileListBox2* Folders() const { return m_pLeft; }
    FileListBox2* Files() const { return m_pRight; }
    HWND PathField() const { return m_hwndPath; }

private:
    void ReplacePlaceholders();
    void ShowFolder(FileList* list);
    void RefreshFiles();
    void SetPathText(const String& text);
    String PathText() const;
    void OnSelectionChanged();
    void OnOpen();
    void OnOk();

    DWORD m_dwOptions;
    FileListBox2* m_pLeft;   // owned by its window
    FileListBox2* m_pRight;  // owned by its window
    HWND m_hwndPath;
    String m_strResult;
};
