// Dlg.cpp - the dialog object and the modeless dialog list.
#include "Dlg.h"

#include "ErrorReport.h"
#include "LibStartup.h"
#include "ModalLoop.h"
#include "SafeCreate.h"

static const char kNoDialog[] = "ダイアログボックスを作成できません";
static const int kHelpCommand = 1257;
static const int kLastEndingCommand = 10;

static Dlg* s_pModeless;  // newest first

Dlg::Dlg(DWORD extraFlags) : m_pNextModeless(nullptr)
{
    m_dwWndFlag |= extraFlags;
}

Dlg::~Dlg()
{
    if (m_dwWndFlag & WND_ATTACHED) Dlg::Detach();
    Unlink();
}

void Dlg::Attach()
{
    if ((m_dwWndFlag & WND_ATTACHED) || !m_hWnd) return;
    Wnd::Attach();
    if (m_dwWndFlag & DLG_WORKWND) {
        m_pWorkWnd.Release();
        m_pWorkWnd = new WorkWnd(m_hWnd);
    }
    if (m_dwWndFlag & DLG_MODELESS) {
        Unlink();
        m_pNextModeless = s_pModeless;
        s_pModeless = this;
    }
}

void Dlg::Detach()
{
    if (!(m_dwWndFlag & WND_ATTACHED)) return;
    Unlink();
    m_pWorkWnd.Release();
    Wnd::Detach();
}

void Dlg::Unlink()
{
    for (Dlg** pp = &s_pModeless; *pp; pp = &(*pp)->m_pNextModeless) {
        if (*pp == this) {
            *pp = m_pNextModeless;
            break;
        }
    }
    m_pNextModeless = nullptr;
}

INT_PTR Dlg::DialogProc(UINT msg, MsgParams* params)
{
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg != WM_COMMAND) return FALSE;
    int id = LOWORD(params->wParam);
    if (id == kHelpCommand) {
        CallHelpHook(0);
        return TRUE;
    }
    if (id >= 1 && id <= kLastEndingCommand) {
        EndModalLoop(id);
        return TRUE;
    }
    return FALSE;
}

BOOL Dlg::PreTranslate(MSG* msg)
{
    if (!m_hWnd || (msg->hwnd != m_hWnd && !IsChild(m_hWnd, msg->hwnd))) return FALSE;
    return IsDialogMessageA(m_hWnd, msg);
}

INT_PTR CALLBACK Dlg::LibDlgProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_INITDIALOG && lp) reinterpret_cast<Dlg*>(lp)->TakeWindow(hwnd);
    Dlg* d = dynamic_cast<Dlg*>(FromHandle(hwnd));
    if (!d) return msg == WM_INITDIALOG;
    MsgParams params = {wp, lp};
    return d->DialogProc(msg, &params);
}

HWND Dlg::CreateDlg(HINSTANCE hinst, const char* templateName, HWND owner)
{
    if (!hinst) hinst = g_hInstance ? g_hInstance : GetModuleHandleA(nullptr);
    SafeCreateDialogParamA(hinst, templateName, owner, LibDlgProc, reinterpret_cast<LPARAM>(this));
    if (!m_hWnd) ReportKind(ERR_NOMEMORY, kNoDialog);
    return m_hWnd;
}

BOOL Dlg::ModelessPreTranslate(MSG* msg)
{
    for (Dlg* d = s_pModeless; d;) {
        // The dialog may go while it handles the message.
        Dlg* next = d->m_pNextModeless;
        if (d->PreTranslate(msg)) return TRUE;
        d = next;
    }
    return FALSE;
}
