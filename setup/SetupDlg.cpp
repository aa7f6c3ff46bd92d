// SetupDlg.cpp - the dialog of a fresh installation.
#include "SetupDlg.h"

#include <string.h>

#include "EarlierVersions.h"
#include "SetupDlgRes.h"
#include "SetupTexts.h"
#include "wcls/ErrorReport.h"
#include "wcls/FileOps.h"
#include "wcls/FolderDlg2.h"
#include "wcls/LibStartup.h"
#include "wcls/LibTexts.h"
#include "wcls/ModalLoop.h"
#include "wcls/PathText.h"
#include "wcls/SafeCreate.h"
#include "wcls/WndFunc.h"

SetupDlg::FreeSpaceFn SetupDlg::s_pfnFreeSpace = FreeSpace;

static const double kMinFreeBytes = 10000000.0;
static const UINT kQuestion = MB_YESNO | MB_ICONQUESTION;
static const UINT kRefusal = MB_OK | MB_ICONEXCLAMATION;

static String DialogText(HWND dlg, int id)
{
    HWND control = GetDlgItem(dlg, id);
    String text;
    int n = GetWindowTextLengthA(control);
    GetWindowTextA(control, text.GetBuffer(n + 1), n + 1);
    return String(text.CStr());
}

// Through the dialog manager, so the default button follows the focus.
static void FocusControl(HWND dlg, int id)
{
    SendMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dlg, id)), TRUE);
}

// ---- the confirmation sequence ------------------------------------------------------

// A drive letter, a colon and a backslash, or two backslashes, a server and
// a share: a relative folder would land wherever the current folder is.
static bool IsFullFolderPath(const char* s)
{
    if (HasDrive(s) && s[2] == '\\') return true;
    if (s[0] != '\\' || s[1] != '\\') return false;
    const char* server = s + 2;
    const char* p = server;
    while (*p && *p != '\\') p = NextChar(p);
    if (p == server || !*p) return false;
    const char* share = ++p;
    while (*p && *p != '\\') p = NextChar(p);
    return p != share;
}

static bool CheckName(HWND dlg, const String& folder)
{
    if (!strpbrk(folder.CStr(), "<>/") && IsFullFolderPath(folder.CStr())) return true;
    ShowMessage(dlg, SetupText::kBadFolderName, nullptr, kRefusal);
    if (dlg) FocusControl(dlg, IDC_SETUP_FOLDER);
    return false;
}

// A fixed limit; a failing query (an unreachable network root) asks nothing.
static bool CheckFreeSpace(HWND dlg, const String& folder)
{
    String root;
    if (VolumeRoot(folder.CStr(), &root) == -1) return true;
    double bytes = 0;
    if (SetupDlg::s_pfnFreeSpace(root, &bytes) != 1 || bytes >= kMinFreeBytes) return true;
    return ShowMessage(dlg, SetupText::kLowDiskSpace, nullptr, kQuestion | MB_DEFBUTTON2) == IDYES;
}

static bool CheckEarlierVersions(HWND dlg, const String& folder)
{
    static const struct {
        bool (*has)(const String& folder);
        const char* refusal;
    } kVersions[] = {
        {HasVersion4, SetupText::kSameFolderAsVersion4},
        {HasVersion5, SetupText::kSameFolderAsVersion5},
        {HasVersion6, SetupText::kSameFolderAsVersion6},
        {HasVersion7, SetupText::kSameFolderAsVersion7},
    };
    for (const auto& v : kVersions) {
        if (v.has(String(folder))) {
            ShowMessage(dlg, v.refusal, nullptr, kRefusal);
            return false;
        }
    }
    return true;
}

static bool CheckExistingFolder(HWND dlg, const String& folder)
{
    int state = PathState(folder);
    if (state & PS_UNREADABLE) return false;  // reported (a bad name too): the user stays
    if (!(state & PS_FOLDEROK)) return true;
    String text = Framed(SetupText::kFolderExistsHead, folder.CStr(), SetupText::kFolderExistsTail);
    return ShowMessage(dlg, text.CStr(), nullptr, kQuestion) == IDYES;
}

static bool AskToStart(HWND dlg, const String&)
{
    return ShowMessage(dlg, SetupText::kStartSetup, nullptr, kQuestion) == IDYES;
}

// In this order; each returns false when the user stays in the dialog.
typedef bool (*FolderCheck)(HWND dlg, const String& folder);
static const FolderCheck kConfirmation[] = {
    CheckName,             // a full path without < > /
    CheckFreeSpace,        // 10,000,000 bytes free, or the user goes on
    CheckEarlierVersions,  // not the folder of versions 4 to 7
    CheckExistingFolder,   // an existing folder only when the user agrees
    AskToStart,
};

bool ConfirmProgramFolder(HWND dlg, String* folder)
{
    *folder = FolderForm(*folder);
    for (FolderCheck check : kConfirmation)
        if (!check(dlg, *folder)) return false;
    return true;
}

// ---- the dialog ----------------------------------------------------------------------

SetupDlg::SetupDlg(HWND parent, SetupOptions* options) : Dlg(0), m_pOptions(options), m_bDesktopIcon(0)
{
    CreateDlg(g_hInstance, SetupText::kSetupDlgTemplate, parent);
    SetWindowTextA(m_hWnd, SetupText::kSetupWindowTitle);
    HICON icon = SafeLoadIconA(g_hInstance, MAKEINTRESOURCEA(IDI_SETUP));
    SendMessageSafe(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageSafe(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SendDlgItemMessageA(m_hWnd, IDC_SETUP_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    SetDlgItemTextA(m_hWnd, IDC_SETUP_FOLDER, options->folder.CStr());
    m_bDesktopIcon = options->desktopIcon ? 1 : 0;
    CheckDlgButton(m_hWnd, IDC_SETUP_DESKTOP, m_bDesktopIcon ? BST_CHECKED : BST_UNCHECKED);
    CenterWindow(m_hWnd, parent, CW_NOTABOVEREF);
    ShowWindow(m_hWnd, SW_SHOWNORMAL);
}

SetupDlg::~SetupDlg()
{
}

void SetupDlg::Confirm()
{
    String folder = DialogText(m_hWnd, IDC_SETUP_FOLDER);
    int32_t desktopIcon = m_bDesktopIcon;
    if (!ConfirmProgramFolder(m_hWnd, &folder)) return;
    m_pOptions->folder = folder;
    m_pOptions->desktopIcon = desktopIcon;
    EndModalLoop(IDOK);
}

void SetupDlg::Browse()
{
    String chosen = SelectFolder(m_hWnd, DialogText(m_hWnd, IDC_SETUP_FOLDER),
                                 SetupText::kSelectProgramFolder, 0, 0);
    if (IsBlankText(chosen.CStr())) return;
    SetDlgItemTextA(m_hWnd, IDC_SETUP_FOLDER, chosen.CStr());
    FocusControl(m_hWnd, IDOK);
}

void SetupDlg::ToggleDesktopIcon()
{
    if (!m_bDesktopIcon && IsBlankText(m_pOptions->desktopFolder.CStr())) {
        FocusControl(m_hWnd, IDOK);
        ReportError(ERR_GENERAL, SetupText::kNoDesktopFolder, nullptr, 0);
        return;
    }
    m_bDesktopIcon = m_bDesktopIcon ? 0 : 1;
    CheckDlgButton(m_hWnd, IDC_SETUP_DESKTOP, m_bDesktopIcon ? BST_CHECKED : BST_UNCHECKED);
}

void SetupDlg::AskCancel()
{
    if (ShowMessage(m_hWnd, SetupText::kConfirmAbort, nullptr, kQuestion) == IDYES) EndModalLoop(IDCANCEL);
}

LRESULT SetupDlg::WindowProc(UINT msg, MsgParams* params)
{
    if (msg == WM_COMMAND) {
        switch (LOWORD(params->wParam)) {
        case IDOK: Confirm(); return 0;
        case IDCANCEL: AskCancel(); return 0;
        case IDC_SETUP_BROWSE: Browse(); return 0;
        case IDC_SETUP_DESKTOP: ToggleDesktopIcon(); return 0;
        }
    }
    return Dlg::WindowProc(msg, params);
}
