// ErrorThread.cpp - the thread that shows system-modal message boxes, so a
// box can appear while the calling thread already shows one and the caller
// waits without running a message loop of its own.
#include <windows.h>

#include "ErrorReport.h"
#include "LibTexts.h"
#include "Handles.h"

static const char kClassName[] = "ThreadMsgBox";
static const DWORD kStartWait = 60000;

namespace {

struct Request {
    const char* text;
    const char* title;
    UINT style;
};

HANDLE s_hThread;
DWORD s_idThread;
HANDLE s_hEvent;  // auto-reset: ready signal, then one signal per answered box
HWND s_hwnd;
Request s_request;
int s_result;
CRITICAL_SECTION s_lock;
bool s_lockReady;

void AnswerRequest()
{
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    SetWindowPos(s_hwnd, HWND_TOPMOST, cx / 2, cy / 2, 0, 0, SWP_NOACTIVATE);
    SetWindowTextA(s_hwnd, s_request.title);
    ShowWindow(s_hwnd, SW_SHOW);
    s_result = MessageBoxA(s_hwnd, s_request.text, s_request.title, s_request.style);
    ShowWindow(s_hwnd, SW_HIDE);
    SetEvent(s_hEvent);
}

DWORD WINAPI ErrorThreadProc(void*)
{
    HINSTANCE hinst = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.cbWndExtra = sizeof(DWORD);
    wc.hInstance = hinst;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);  // an existing class is fine
    s_hwnd = CreateWindowExA(WS_EX_TOPMOST, kClassName, kClassName,
                             WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 0,
                             nullptr, nullptr, hinst, nullptr);
    SetEvent(s_hEvent);
    if (!s_hwnd) return 1;

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == WM_USER) {
            AnswerRequest();
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DestroyWindow(s_hwnd);
    s_hwnd = nullptr;
    return 0;
}

}  // namespace

bool StartErrorThread()
{
    if (!s_lockReady) {
        InitializeCriticalSection(&s_lock);
        s_lockReady = true;
    }
    if (s_hThread) return true;
    s_hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!s_hEvent) return false;
    s_hThread = CreateThread(nullptr, 0, ErrorThreadProc, nullptr, 0, &s_idThread);
    if (s_hThread) WaitForSingleObject(s_hEvent, kStartWait);
    if (!s_hwnd) {
        StopErrorThread();
        return false;
    }
    return true;
}

void StopErrorThread()
{
    if (s_hThread) {
        PostThreadMessageA(s_idThread, WM_QUIT, 0, 0);
        WaitForSingleObject(s_hThread, kStartWait);
        CloseHandle(s_hThread);
        s_hThread = nullptr;
        s_idThread = 0;
    }
    if (s_hEvent) {
        CloseHandle(s_hEvent);
        s_hEvent = nullptr;
    }
    s_hwnd = nullptr;
}

int ThreadMessageBox(const char* text, const char* title, UINT style)
{
    if (GetAnswerHook() || !s_hThread || !s_hwnd || GetCurrentThreadId() == s_idThread)
        return AnsweredBox(nullptr, text, title, style);
    EnterCriticalSection(&s_lock);
    s_request.text = text;
    s_request.title = title;
    s_request.style = style;
    s_result = IDCANCEL;
    if (!PostThreadMessageA(s_idThread, WM_USER, 0, 0))
        FatalExit(LibText::kPostFailed);
    WaitForSingleObject(s_hEvent, INFINITE);
    int result = s_result;
    LeaveCriticalSection(&s_lock);
    LogBoxAnswer(text, title, result);
    return result;
}
