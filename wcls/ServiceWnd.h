// ServiceWnd.h - the hidden service window: turns system broadcasts into
// library events, queues error reports and shows them from the message loop,
// sets deferred cursors and runs posted calls.
#pragma once

#include <windows.h>

#include "Event2.h"
#include "Wnd.h"

// The system's service-control StartService macro would rename ours; this
// program controls no services.
#ifdef StartService
#undef StartService
#endif

class ServiceWnd : public Wnd {
public:
    ServiceWnd();
    ~ServiceWnd() override;
    void OnPostCreate() override;
    LRESULT WindowProc(UINT msg, MsgParams* params) override;
    void Attach() override;
    void Detach() override;

    // The hidden popup window of class "Wnd" with the program's title.
    HWND Create();
    // Joins the clipboard viewer chain (once).
    void JoinClipboardChain();
    // Remembers a cursor to set at the next turn of the message loop, unless
    // one is already waiting.
    void SetPendingCursor(HCURSOR cursor);

    // Each is fired with (this service window, argument).
    Event2 m_evSysColor;   // system colours changed; argument 0
    Event2 m_evIniChange;  // settings changed; the broadcast's lParam
    Event2 m_evDevMode;    // device mode changed; the broadcast's lParam
    Event2 m_evClipboard;  // clipboard contents changed; argument 0

private:
    HCURSOR m_hcurPending;
    HWND m_hwndNextViewer;
    BYTE m_bViewer;  // bit 0: in the clipboard viewer chain
};

extern ServiceWnd* g_pServiceWnd;
extern HWND g_hwndService;

// Counted: the first start creates the service window, the stop that brings
// the count to 0 destroys it.
bool StartService();
void StopService();
int ServiceUsers();

// Makes the service window call fn(arg) when it handles the posted message.
typedef void (*ServiceCallFn)(LPARAM arg);
void PostServiceCall(ServiceCallFn fn, LPARAM arg);

// Sets the cursor at the next turn of the message loop.
void SetCursorDeferred(HCURSOR cursor);

// ---- report queue ----------------------------------------------------------------

// The report hook: queues the report (detail, an empty line, text), dropping
// one identical to a report already waiting.
void QueueReport(int kind, const char* detail, const char* text);
// The flush hook: shows the waiting reports, oldest first.
void ShowQueuedReports(int systemModal);
int QueuedReportCount();

// Start-up step: a further service user and the two report hooks; at
// process exit the hooks' owner lets the service go.
bool ReportHooksStartup(HINSTANCE hinst);
void ReportHooksShutdown();
