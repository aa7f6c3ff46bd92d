// ServiceWnd.cpp - the hidden service window and the report queue.
#include "ServiceWnd.h"

#include <stdlib.h>
#include <string.h>

#include "Assert.h"
#include "Data.h"
#include "DisableWnd.h"
#include "ErrorReport.h"
#include "LibTexts.h"
#include "LibStartup.h"
#include "PathText.h"
#include "WndFunc.h"
#include "WndMessages.h"
#include "WorkWnd.h"

ServiceWnd* g_pServiceWnd;
HWND g_hwndService;

namespace {

const char kNoMemory[] = "メモリが足りません";

int s_nUsers;

struct QueuedReport {
    QueuedReport* next;
    char text[1];
};
QueuedReport* s_pQueue;

const BYTE kInViewerChain = 0x01;

}  // namespace

// ---- window --------------------------------------------------------------------------

ServiceWnd::ServiceWnd() : m_hcurPending(nullptr), m_hwndNextViewer(nullptr), m_bViewer(0)
{
}

ServiceWnd::~ServiceWnd()
{
    if (m_dwWndFlag & WND_ATTACHED) ServiceWnd::Detach();
    if (g_pServiceWnd == this) g_pServiceWnd = nullptr;
}

HWND ServiceWnd::Create()
{
    return CreateWnd(0, DefaultTitle(), WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, g_hInstance, nullptr);
}

void ServiceWnd::Attach()
{
    if ((m_dwWndFlag & WND_ATTACHED) || !m_hWnd) return;
    Wnd::Attach();
    g_hwndService = m_hWnd;
}

void ServiceWnd::Detach()
{
    if (!(m_dwWndFlag & WND_ATTACHED)) return;
    if (g_hwndService == m_hWnd) g_hwndService = nullptr;
    if (m_bViewer & kInViewerChain) {
        ChangeClipboardChain(m_hWnd, m_hwndNextViewer);
        m_bViewer &= ~kInViewerChain;
        m_hwndNextViewer = nullptr;
    }
    Wnd::Detach();
}

void ServiceWnd::JoinClipboardChain()
{
    if ((m_bViewer & kInViewerChain) || !m_hWnd) return;
    m_hwndNextViewer = SetClipboardViewer(m_hWnd);
    m_bViewer |= kInViewerChain;
}

void ServiceWnd::SetPendingCursor(HCURSOR cursor)
{
    if (m_hcurPending || !cursor) return;
    m_hcurPending = cursor;
    RequestPostCreate();
}

void ServiceWnd::OnPostCreate()
{
    Wnd::OnPostCreate();
    if (s_pQueue) ShowQueuedReports(0);
    if (m_hcurPending) {
        SetCursor(m_hcurPending);
        m_hcurPending = nullptr;
    }
}

LRESULT ServiceWnd::WindowProc(UINT msg, MsgParams* params)
{
    switch (msg) {
    case WM_DESTROY:
        // Nothing queues after this; what waits is shown on the error thread.
        if (GetReportHook() == QueueReport) SetReportHooks(nullptr, nullptr);
        ShowQueuedReports(1);
        break;
    case WM_SYSCOLORCHANGE:
        m_evSysColor.Fire(this, 0);
        return 0;
    case WM_SETTINGCHANGE:
        m_evIniChange.Fire(this, params->lParam);
        return 0;
    case WM_DEVMODECHANGE:
        m_evDevMode.Fire(this, params->lParam);
        return 0;
    case WM_DRAWCLIPBOARD:
        m_evClipboard.Fire(this, 0);
        if (m_hwndNextViewer) SendMessageA(m_hwndNextViewer, msg, params->wParam, params->lParam);
        return 0;
    case WM_CHANGECBCHAIN:
        if (reinterpret_cast<HWND>(params->wParam) == m_hwndNextViewer)
            m_hwndNextViewer = reinterpret_cast<HWND>(params->lParam);
        else if (m_hwndNextViewer)
            SendMessageA(m_hwndNextViewer, msg, params->wParam, params->lParam);
        return 0;
    case WM_LIB_CALL:
        if (params->wParam) reinterpret_cast<ServiceCallFn>(params->wParam)(params->lParam);
        return 0;
    }
    return Wnd::WindowProc(msg, params);
}

// ---- service users ----------------------------------------------------------------

bool StartService()
{
    ++s_nUsers;
    // Also after the window went some other way than the last stop.
    if (!g_pServiceWnd) {
        ServiceWnd* w = new ServiceWnd;
        g_pServiceWnd = w;
        w->Create();
    }
    return true;
}

void StopService()
{
    if (s_nUsers == 0) return;
    if (--s_nUsers == 0) DestroyWnd(g_pServiceWnd);
}

int ServiceUsers()
{
    return s_nUsers;
}

void PostServiceCall(ServiceCallFn fn, LPARAM arg)
{
    LIB_ASSERT_AT(g_pServiceWnd, "wcls/servwnd", 197);
    LIB_ASSERT_AT(g_pServiceWnd->HWnd(), "wcls/servwnd", 198);
    PostMessageA(g_pServiceWnd->HWnd(), WM_LIB_CALL, reinterpret_cast<WPARAM>(fn), arg);
}

void SetCursorDeferred(HCURSOR cursor)
{
    LIB_ASSERT_AT(g_hwndService, "wcls/Func", 4148);
    if (g_pServiceWnd) {
        g_pServiceWnd->SetPendingCursor(cursor);
        return;
    }
    MSG queued;
    if (!PeekMessageA(&queued, g_hwndService, WM_LIB_SETCURSOR, WM_LIB_SETCURSOR, PM_NOREMOVE))
        PostMessageA(g_hwndService, WM_LIB_SETCURSOR, reinterpret_cast<WPARAM>(cursor), 0);
}

// ---- report queue ---------------------------------------------------------------

void QueueReport(int, const char* detail, const char* text)
{
    String joined;
    bool hasDetail = !IsBlankText(detail ? detail : "");
    bool hasText = !IsBlankText(text ? text : "");
    if (hasDetail) joined.Append(detail);
    if (hasDetail && hasText) joined.Append("\n\n");
    if (hasText || !hasDetail) joined.Append(text ? text : "");

    QueuedReport** tail = &s_pQueue;
    for (; *tail; tail = &(*tail)->next)
        if (strcmp((*tail)->text, joined.CStr()) == 0) return;

    size_t len = (size_t)joined.Length();
    QueuedReport* r = static_cast<QueuedReport*>(malloc(sizeof(QueuedReport) + len));
    if (!r) {
        ShowMessage(nullptr, kNoMemory, nullptr, MB_ICONSTOP | MB_SYSTEMMODAL);
        FatalExit(nullptr);
    }
    r->next = nullptr;
    memcpy(r->text, joined.CStr(), len + 1);
    bool wasEmpty = !s_pQueue;
    *tail = r;
    if (wasEmpty && g_pServiceWnd && g_pServiceWnd->HWnd()) g_pServiceWnd->RequestPostCreate();
}

int QueuedReportCount()
{
    int n = 0;
    for (QueuedReport* r = s_pQueue; r; r = r->next) ++n;
    return n;
}

static void ShowReportBox(const char* text, bool systemModal)
{
    UINT style = MB_ICONEXCLAMATION;
    if (systemModal || (g_dwMsgBoxState & MBS_OPEN)) style |= MB_SYSTEMMODAL;
    int answer;
    if (style & MB_SYSTEMMODAL) {
        answer = ThreadMessageBox(text, DefaultTitle(), style);
    } else {
        HWND owner = TopLevelWindow(CurrentWorkWnd());
        if (owner && !IsWindowVisible(owner)) owner = nullptr;
        if (!owner) style |= MB_TOPMOST;
        g_dwMsgBoxState |= MBS_OPEN;
        DisableAllWindows(owner);
        if (owner && IsIconic(owner)) ShowWindow(owner, SW_RESTORE);
        answer = AnsweredBox(owner, text, DefaultTitle(), style);
        EnableAllWindows();
        g_dwMsgBoxState &= ~(DWORD)MBS_OPEN;
    }
    if (answer == 0) FatalExit(LibText::kNoMessageBox);
}

void ShowQueuedReports(int systemModal)
{
    // Reports queued while a box is up join the showing in progress.
    if (g_dwLibOption & LIBOPT_SHOWINGREPORTS) return;
    g_dwLibOption |= LIBOPT_SHOWINGREPORTS;
    while (QueuedReport* r = s_pQueue) {
        s_pQueue = r->next;
        ShowReportBox(r->text, systemModal != 0);
        free(r);
    }
    g_dwLibOption &= ~(DWORD)LIBOPT_SHOWINGREPORTS;
}

bool ReportHooksStartup(HINSTANCE)
{
    StartService();
    SetReportHooks(QueueReport, ShowQueuedReports);
    return true;
}

void ReportHooksShutdown()
{
    StopService();
}
