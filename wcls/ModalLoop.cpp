// ModalLoop.cpp - the message loop of every modal phase, its key handling
// and its double-click decision.
#include "ModalLoop.h"

#include <windowsx.h>

#include "Dlg.h"
#include "Dpi.h"
#include "WndFunc.h"
#include "WndMessages.h"
#include "WorkWnd.h"

static const int kPeekIdleLimit = 100;  // timer or idle messages a peek loop handles
static const int kDoubleClickSlack = 3;  // pixels at 96 DPI

namespace {

bool s_bEnd;
int s_nEndCode;
HelpHookFn s_pfnHelp;

// The last press, for the double-click decision; message 0 means none.
struct LastPress {
    UINT message;
    POINT pt;
    DWORD time;
} s_last;

}  // namespace

void EndModalLoop(int code)
{
    if (s_bEnd) return;
    s_bEnd = true;
    s_nEndCode = code;
    // A loop blocked in GetMessage notices the request only with the next
    // posted message: the request may come from a sent message.
    PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
}

bool ModalLoopEnding()
{
    return s_bEnd;
}

void SetHelpHook(HelpHookFn hook)
{
    s_pfnHelp = hook;
}

LONG CallHelpHook(LONG_PTR arg)
{
    return s_pfnHelp ? s_pfnHelp(arg) : 0;
}

// ---- double clicks ----------------------------------------------------------------

namespace {

enum Button { kNoButton = -1, kLeft, kRight, kMiddle };

struct PressKind {
    Button button;
    bool client;
};

PressKind KindOf(UINT message)
{
    switch (message) {
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: return {kLeft, true};
    case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK: return {kRight, true};
    case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK: return {kMiddle, true};
    case WM_NCLBUTTONDOWN: case WM_NCLBUTTONDBLCLK: return {kLeft, false};
    case WM_NCRBUTTONDOWN: case WM_NCRBUTTONDBLCLK: return {kRight, false};
    case WM_NCMBUTTONDOWN: case WM_NCMBUTTONDBLCLK: return {kMiddle, false};
    }
    return {kNoButton, false};
}

const UINT kDoubleClick[] = {WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK};
const UINT kDown[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
const UINT kNcDown[] = {WM_NCLBUTTONDOWN, WM_NCRBUTTONDOWN, WM_NCMBUTTONDOWN};

}  // namespace

void SynthesizeDoubleClick(MSG* msg)
{
    PressKind kind = KindOf(msg->message);
    if (kind.button == kNoButton) return;

    POINT pt = {GET_X_LPARAM(msg->lParam), GET_Y_LPARAM(msg->lParam)};
    if (kind.client) ClientToScreen(msg->hwnd, &pt);
    Wnd* w = Wnd::FromHandle(msg->hwnd);
    bool decides = w && (w->WndFlags() & WND_DBLCLK);

    // A press of another button is never the second click of this one.
    const int slack = ScaleToDpi(kDoubleClickSlack);
    if (s_last.message && KindOf(s_last.message).button == kind.button &&
        s_last.pt.x >= pt.x - slack && s_last.pt.x < pt.x + slack &&
        s_last.pt.y >= pt.y - slack && s_last.pt.y < pt.y + slack &&
        (DWORD)(msg->time - s_last.time) < GetDoubleClickTime()) {
        if (decides) msg->message = kDoubleClick[kind.button];
        s_last.message = 0;
        return;
    }
    if (decides) msg->message = kind.client ? kDown[kind.button] : kNcDown[kind.button];
    s_last.message = msg->message;
    s_last.pt = pt;
    s_last.time = msg->time;
}

// ---- key handling -------------------------------------------------------------------

static bool IsKeyMessage(UINT message)
{
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN ||
           message == WM_SYSKEYUP;
}

// F1 to F24 go to the nearest enabled window that asked for them.
static BOOL RouteFunctionKey(MSG* msg)
{
    const LPARAM kAltContext = 1 << 29;
    if (!IsKeyMessage(msg->message) || msg->wParam < VK_F1 || msg->wParam > VK_F24 ||
        (msg->lParam & kAltContext))
        return FALSE;
    for (HWND h = msg->hwnd; h; h = ParentWindow(h)) {
        Wnd* w = Wnd::FromHandle(h);
        if (!w || !IsWindowEnabled(h) || !(w->WndFlags() & WND_FKEYTARGET)) continue;
        msg->hwnd = h;
        if (msg->message == WM_SYSKEYDOWN) msg->message = WM_KEYDOWN;
        if (msg->message == WM_SYSKEYUP) msg->message = WM_KEYUP;
        DispatchMessageA(msg);
        return TRUE;
    }
    return FALSE;
}

BOOL PreTranslateMessage(HWND hwnd, MSG* msg, DWORD options)
{
    if (RouteFunctionKey(msg)) return TRUE;

    if (hwnd && (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP)) {
        WPARAM vk = msg->wParam;
        if (((options & ML_PAGEKEYS) && (vk == VK_PRIOR || vk == VK_NEXT)) ||
            ((options & ML_ARROWLEFTRIGHT) && (vk == VK_LEFT || vk == VK_RIGHT)) ||
            ((options & ML_ARROWUPDOWN) && (vk == VK_UP || vk == VK_DOWN))) {
            SendMessageA(hwnd, msg->message, msg->wParam, msg->lParam);
            return TRUE;
        }
    }
    if (!(options & ML_NOHELPKEY) && msg->message == WM_KEYDOWN && msg->wParam == VK_F1) {
        CallHelpHook(0);
        return TRUE;
    }
    if ((options & ML_DIALOGKEYS) && hwnd && IsDialogMessageA(hwnd, msg)) return TRUE;
    return Dlg::ModelessPreTranslate(msg);
}

// ---- the loop ---------------------------------------------------------------------

int RunModalLoop(DWORD options, HWND hwnd, HACCEL accelerators)
{
    SafePtr<WorkWnd> work;
    if (hwnd) work = new WorkWnd(hwnd);

    HWND owner = nullptr;
    bool disabledOwner = false;
    if ((options & ML_DISABLEOWNER) && hwnd) {
        SetActiveWindow(hwnd);
        owner = GetWindow(hwnd, GW_OWNER);
        if (owner && IsWindowEnabled(owner)) {
            EnableWindow(owner, FALSE);
            disabledOwner = true;
        }
    }

    int result = 0;
    int idle = 0;
    while (!s_bEnd) {
        MSG msg;
        if (options & ML_PEEK) {
            if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) break;
        } else if (GetMessageA(&msg, nullptr, 0, 0) == -1) {
            break;
        }
        SynthesizeDoubleClick(&msg);
        if (msg.message == WM_QUIT || msg.message == WM_LIB_ENDLOOP) {
            result = (int)msg.wParam;
            break;
        }
        if (!PreTranslateMessage(hwnd, &msg, options) &&
            !(accelerators && TranslateAcceleratorA(hwnd, accelerators, &msg))) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if ((options & ML_PEEK) && (msg.message == WM_ENTERIDLE || msg.message == WM_TIMER) &&
            ++idle >= kPeekIdleLimit)
            break;
    }

    if (options & ML_DISABLEOWNER) {
        if (disabledOwner) EnableWindow(owner, TRUE);
        if (owner) SetActiveWindow(owner);
    }
    if (s_bEnd) result = s_nEndCode;
    s_bEnd = false;
    s_nEndCode = 0;
    return result;
}
