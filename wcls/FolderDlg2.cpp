// FolderDlg2.cpp - the folder selection dialog.
#include "FolderDlg2.h"

#include "ErrorReport.h"
#include "FileOps.h"
#include "FolderDlg2Res.h"
#include "LibStartup.h"
#include "LibTexts.h"
#include "ModalLoop.h"
#include "PathText.h"
#include "SafeCreate.h"
#include "ServiceWnd.h"
#include "SysFolders.h"
#include "WndFunc.h"

static const DWORD kFolderScan = FL_DRIVES | FL_SPECIAL | FL_FOLDERS | FL_PATHCHAIN | FL_SEPARATOR | FL_HOOK;
static const char kAllFiles[] = "*.*";
static const int kPathLimit = 260;

// The wait cursor until the message loop turns again.
static void WaitCursor()
{
    SetCursorDeferred(SetCursor(LoadCursorA(nullptr, IDC_WAIT)));
}

String SelectFolder(HWND owner, const String& initial, const char* title, DWORD options, DWORD helpId)
{
    String result;
    WaitCursor();
    FolderDlg2* dlg = new FolderDlg2(options);
    HWND hwnd = dlg->Create(owner, initial, title, helpId);
    if (RunModalLoop(ML_DISABLEOWNER | ML_DIALOGKEYS, hwnd, nullptr) == 1) result = dlg->Result();
    DestroyWnd(dlg);
    return result;
}

FolderDlg2::FolderDlg2(DWORD options)
    : m_dwOptions(options), m_pLeft(nullptr), m_pRight(nullptr), m_hwndPath(nullptr)
{
}

FolderDlg2::~FolderDlg2()
{
}

String FolderDlg2::StartFolder(const String& initial)
{
    if (IsBlankText(initial.CStr())) return CurrentFolder(1);
    String path = StripBackslash(FullPath(initial));
    while (!(PathStateQuiet(path) & PS_FOLDEROK)) {
        String name;
        String parent = SplitPath(path, &name);
        if (IsBlankText(name.CStr()) || parent.IsEmpty()) break;
        path = StripBackslash(parent);
    }
    return path;
}

HWND FolderDlg2::Create(HWND owner, const String& initial, const char* title, DWORD helpId)
{
    CreateDlg(g_hInstance, LibText::kSelectFolderTemplate, owner);
    if (helpId)
        SetHelpId(helpId);
    else
        ShowWindow(GetDlgItem(m_hWnd, IDC_FOLDER_HELP), SW_HIDE);
    String start = StartFolder(initial);
    ReplacePlaceholders();
    FileList* list = new FileList;
    list->Scan(start, kAllFiles, kFolderScan);
    ShowFolder(list);
    if (title) SetWindowTextA(m_hWnd, title);
    if (m_dwOptions & FD_CENTER) CenterWindow(m_hWnd, owner, CW_NOTABOVEREF);
    ShowWindow(m_hWnd, SW_SHOW);
    UpdateWindow(m_hWnd);
    SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_hwndPath), TRUE);
    return m_hWnd;
}

// Each placeholder goes; its control takes the same rectangle and the same
// place in the tab order.
void FolderDlg2::ReplacePlaceholders()
{
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
    if (!font) font = DisplayFont();
    const int ids[] = {IDC_FOLDER_TREE, IDC_FOLDER_FILES, IDC_FOLDER_PATH};
    for (int id : ids) {
        HWND placeholder = GetDlgItem(m_hWnd, id);
        RECT rc;
        GetWindowRect(placeholder, &rc);
        MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
        HWND before = GetWindow(placeholder, GW_HWNDPREV);
        DestroyWindow(placeholder);
        HWND control;
        if (id == IDC_FOLDER_PATH) {
            control = SafeCreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,
                                          rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, m_hWnd,
                                          reinterpret_cast<HMENU>((INT_PTR)id), g_hInstance, nullptr);
            SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            SendMessageA(control, EM_LIMITTEXT, kPathLimit, 0);
            m_hwndPath = control;
        } else {
            FileListBox2* list = new FileListBox2;
            control = list->Create(m_hWnd, id, rc, WS_EX_CLIENTEDGE, WS_VSCROLL | WS_HSCROLL | WS_TABSTOP);
            list->SetFont(font);
            (id == IDC_FOLDER_TREE ? m_pLeft : m_pRight) = list;
        }
        SetWindowPos(control, before ? before : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

// ---- showing a folder -----------------------------------------------------------

void FolderDlg2::SetPathText(const String& text)
{
    SetWindowTextA(m_hwndPath, text.CStr());
    SendMessageA(m_hwndPath, EM_SETSEL, 0, -1);
}

String FolderDlg2::PathText() const
{
    String text;
    int n = GetWindowTextLengthA(m_hwndPath);
    GetWindowTextA(m_hwndPath, text.GetBuffer(n + 1), n + 1);
    return String(text.CStr());
}

void FolderDlg2::ShowFolder(FileList* list)
{
    m_pLeft->SetList(list);
    RefreshFiles();
    SetPathText(list->Path());
}

void FolderDlg2::RefreshFiles()
{
    FileList* files = new FileList;
    FileList* folder = m_pLeft->List();
    if (folder && folder->IsValid()) files->Scan(folder->Path(), kAllFiles, FL_FILES);
    m_pRight->SetList(files);
}

// ---- commands -------------------------------------------------------------------------

void FolderDlg2::OnSelectionChanged()
{
    if (FileData* d = m_pLeft->Selected()) SetPathText(d->m_strPath);
}

// An entry opened by a click, a double click or the space bar.
void FolderDlg2::OnOpen()
{
    WaitCursor();
    FileData* d = m_pLeft->Selected();
    if (!d || IsBlankText(d->m_strPath.CStr())) return;
    String path = d->m_strPath;
    int state = PathState(path);
    if (state & PS_UNREADABLE) return;  // reported
    if (!(state & PS_FOLDEROK)) {
        ReportMessage(LibText::kPathNotFound, path.CStr());
        return;
    }
    FileList* list = new FileList;
    list->Scan(path, kAllFiles, kFolderScan);
    ShowFolder(list);
}

// In the path field OK goes to the typed folder; elsewhere it accepts the
// path field's text.
void FolderDlg2::OnOk()
{
    if (GetFocus() == m_hwndPath) {
        SafePtr<FileList> list = new FileList;
        if (!list->Scan(PathText(), kAllFiles, kFolderScan)) return;
        ShowFolder(list.Get());
        SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_pLeft->HWnd()), TRUE);
        return;
    }
    String text = PathText();
    if (IsBlankText(text.CStr())) return;
    if (m_dwOptions & FD_MUSTEXIST) {
        int state = PathState(text);
        if (state & PS_UNREADABLE) return;  // reported
        if (!(state & PS_FOLDEROK)) {
            ReportMessage(LibText::kFolderNotFound, text.CStr());
            return;
        }
    }
    m_strResult = text;
    WaitCursor();
    EndModalLoop(IDOK);
}

LRESULT FolderDlg2::WindowProc(UINT msg, MsgParams* params)
{
    if (msg != WM_COMMAND) return Dlg::WindowProc(msg, params);
    WORD code = HIWORD(params->wParam);
    switch (LOWORD(params->wParam)) {
    case IDC_FOLDER_TREE:
        if (code == LB2N_SELCHANGE) OnSelectionChanged();
        if (code == LB2N_OPEN || code == LB2N_RELEASED) OnOpen();
        return 0;
    case IDC_FOLDER_FILES:
        return 0;
    case IDOK:
        OnOk();
        return 0;
    case IDCANCEL:
        WaitCursor();
        EndModalLoop(IDCANCEL);
        return 0;
    }
    return Dlg::WindowProc(msg, params);
}
