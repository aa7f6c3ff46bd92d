// Wnd.cpp - the window object, the handle table and the library's window
// procedure.
#include "Wnd.h"

#include <windowsx.h>

#include "Assert.h"
#include "ErrorReport.h"
#include "LibStartup.h"
#include "SafeCreate.h"
#include "WndFunc.h"
#include "WndMessages.h"
#include "WorkWnd.h"

const UINT g_msgWheelRoll = SafeRegisterWindowMessageA("MSWHEEL_ROLLMSG");
const UINT g_msgGetWndPtr = SafeRegisterWindowMessageA("TARVO_GETWNDPTR");

namespace {

const char kClassName[] = "Wnd";
const int kBuckets = 255;

// Attached objects, chained through m_pNextInBucket, newest first.
Wnd* s_table[kBuckets];
POINT s_ptContextMenu;

// One per running call of the library's window procedure, innermost first,
// so that a call whose object was deleted underneath it leaves it alone.
struct DispatchFrame {
    Wnd* wnd;
    bool deleted;
    DispatchFrame* outer;
};
DispatchFrame* s_pFrames;

int BucketOf(HWND hwnd)
{
    return (int)((UINT_PTR)hwnd % kBuckets);
}

}  // namespace

// ---- handle table ------------------------------------------------------------

Wnd* Wnd::FromHandle(HWND hwnd)
{
    if (!hwnd) return nullptr;
    for (Wnd* w = s_table[BucketOf(hwnd)]; w; w = w->m_pNextInBucket)
        if (w->m_hWnd == hwnd) return w;
    return nullptr;
}

int Wnd::AttachedWindows(HWND* out, int max)
{
    int n = 0;
    for (int b = 0; b < kBuckets; ++b)
        for (Wnd* w = s_table[b]; w; w = w->m_pNextInBucket) {
            if (n < max) out[n] = w->m_hWnd;
            ++n;
        }
    return n;
}

// ---- object ------------------------------------------------------------------------

Wnd::Wnd()
    : m_pNextInBucket(nullptr), m_pfnPrevProc(nullptr), m_hWnd(nullptr), m_dwWndFlag(0),
      m_dwHelpId(0), m_nBusy(0), m_bDeleteLater(false)
{
}

Wnd::~Wnd()
{
    if (m_dwWndFlag & WND_ATTACHED) Wnd::Detach();
}

void Wnd::BeforeDelete()
{
    if (m_dwWndFlag & WND_ATTACHED) Detach();
}

void Wnd::OnPostCreate()
{
    m_dwWndFlag &= ~WND_POSTCREATE;
}

LRESULT Wnd::DefWndProc(UINT msg, MsgParams* params)
{
    if (!m_pfnPrevProc) return DefWindowProcA(m_hWnd, msg, params->wParam, params->lParam);
    return CallWindowProcA(m_pfnPrevProc, m_hWnd, msg, params->wParam, params->lParam);
}

void Wnd::Subclass()
{
    m_dwWndFlag &= ~WND_NOATTACH;
    Attach();
}

const char* Wnd::ClassInfo(WNDCLASSA* wc)
{
    if (wc) {
        wc->hIcon = SafeLoadIconA(nullptr, IDI_APPLICATION);
        wc->hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc->hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc->lpszClassName = kClassName;
    }
    return kClassName;
}

void Wnd::Attach()
{
    if ((m_dwWndFlag & WND_ATTACHED) || !m_hWnd) return;
    m_dwWndFlag |= WND_ATTACHED;
    m_pfnPrevProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC));
    SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LibWndProc));
    int b = BucketOf(m_hWnd);
    m_pNextInBucket = s_table[b];
    s_table[b] = this;
    if (!(m_dwWndFlag & (WND_DEFALLMSG | WND_POSTCREATE))) RequestPostCreate();
}

void Wnd::Detach()
{
    if (!(m_dwWndFlag & WND_ATTACHED)) return;
    if (IsWindow(m_hWnd))
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnPrevProc));
    for (Wnd** pp = &s_table[BucketOf(m_hWnd)]; *pp; pp = &(*pp)->m_pNextInBucket) {
        if (*pp == this) {
            *pp = m_pNextInBucket;
            break;
        }
    }
    m_hWnd = nullptr;
    m_pNextInBucket = nullptr;
    m_pfnPrevProc = nullptr;
    m_dwWndFlag &= ~WND_ATTACHED;
}

void Wnd::RequestPostCreate()
{
    LIB_ASSERT_AT(!(m_dwWndFlag & WND_DEFALLMSG), "wcls/Wnd", 525);
    if (m_dwWndFlag & WND_POSTCREATE) return;
    m_dwWndFlag |= WND_POSTCREATE;
    PostMessageA(m_hWnd, WM_LIB_POSTCREATE, 0, 0);
}

LRESULT Wnd::OnContextMenu()
{
    HWND parent = ParentWindow(m_hWnd);
    Wnd* w = FromHandle(parent);
    return w ? w->OnContextMenu() : 0;
}

LRESULT Wnd::OnWheel(int)
{
    return 0;
}

void Wnd::TakeWindow(HWND hwnd)
{
    HWND old = m_hWnd;
    if (m_dwWndFlag & WND_ATTACHED) Detach();
    // Detached first, so destroying the old window leaves this object alone.
    if (old && old != hwnd && IsWindow(old)) DestroyWindow(old);
    m_hWnd = hwnd;
    if (!(m_dwWndFlag & WND_NOATTACH)) Subclass();
}

HWND Wnd::CreateWnd(DWORD exStyle, const char* title, DWORD style, int x, int y, int cx, int cy,
                    HWND parent, HMENU menu, HINSTANCE hinst, void* param)
{
    if (!hinst) hinst = g_hInstance ? g_hInstance : GetModuleHandleA(nullptr);
    const char* name = ClassInfo(nullptr);
    WNDCLASSA wc;
    if (!GetClassInfoA(hinst, name, &wc) && !GetClassInfoA(nullptr, name, &wc)) {
        ZeroMemory(&wc, sizeof(wc));
        wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = hinst;
        ClassInfo(&wc);
        if (!SafeRegisterClassA(&wc)) return nullptr;
    }
    HWND hwnd = SafeCreateWindowExA(exStyle, name, title, style, x, y, cx, cy, parent, menu, hinst, param);
    TakeWindow(hwnd);
    return m_hWnd;
}

// ---- messages ------------------------------------------------------------------

LRESULT CALLBACK Wnd::LibWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    Wnd* w = FromHandle(hwnd);
    if (!w) return DefWindowProcA(hwnd, msg, wp, lp);
    MsgParams params = {wp, lp};
    DispatchFrame frame = {w, false, s_pFrames};
    s_pFrames = &frame;
    ++w->m_nBusy;
    LRESULT result = w->WindowProc(msg, &params);
    s_pFrames = frame.outer;
    if (!frame.deleted && --w->m_nBusy == 0 && w->m_bDeleteLater) delete w;
    return result;
}

// The window's last message: the object leaves the table and is deleted;
// the previous procedure still sees the message.
LRESULT Wnd::FinalMessage(UINT msg, MsgParams* params)
{
    WNDPROC prev = m_pfnPrevProc;
    HWND hwnd = m_hWnd;
    BeforeDelete();
    // A handler of this object that destroyed the window is still running:
    // the object goes when it returns.
    if (m_nBusy > 1) {
        m_bDeleteLater = true;
    } else {
        for (DispatchFrame* f = s_pFrames; f; f = f->outer)
            if (f->wnd == this) f->deleted = true;
        delete this;
    }
    if (!prev) return DefWindowProcA(hwnd, msg, params->wParam, params->lParam);
    return CallWindowProcA(prev, hwnd, msg, params->wParam, params->lParam);
}

LRESULT Wnd::ContextMenuAt(POINT pt)
{
    POINT saved = s_ptContextMenu;
    s_ptContextMenu = pt;
    OnContextMenu();
    s_ptContextMenu = saved;
    return 0;
}

LRESULT Wnd::WheelRoll(WPARAM delta)
{
    for (HWND h = GetFocus(); h; h = ParentWindow(h)) {
        Wnd* w = FromHandle(h);
        if (w && IsWindowEnabled(h) && w->OnWheel((int)delta)) break;
    }
    return 0;
}

static void ShowDeferredBox(HWND hwnd, UINT msg, MsgParams* params)
{
    // A box would steal the capture of a drag in progress: try again later.
    if (GetCapture()) {
        PostMessageA(hwnd, msg, params->wParam, params->lParam);
        return;
    }
    const DeferredBox* box = reinterpret_cast<const DeferredBox*>(params->lParam);
    if (box) ShowMessage(CurrentWorkWnd(), box->text, box->title, box->style);
}

LRESULT Wnd::WindowProc(UINT msg, MsgParams* params)
{
    if (msg == WM_NCDESTROY) return FinalMessage(msg, params);
    if (msg == g_msgGetWndPtr) return reinterpret_cast<LRESULT>(this);
    if (m_dwWndFlag & WND_DEFALLMSG) return DefWndProc(msg, params);
    if (msg == g_msgWheelRoll) return WheelRoll(params->wParam);

    switch (msg) {
    case WM_KEYDOWN:
        if (params->wParam == VK_APPS) {
            RECT rc;
            GetWindowRect(m_hWnd, &rc);
            return ContextMenuAt(POINT{(rc.left + rc.right) / 2, rc.bottom});
        }
        return DefWndProc(msg, params);
    case WM_LBUTTONDBLCLK:
        return WindowProc(WM_LBUTTONDOWN, params);
    case WM_RBUTTONDBLCLK:
        return WindowProc(WM_RBUTTONDOWN, params);
    case WM_MBUTTONDBLCLK:
        return WindowProc(WM_MBUTTONDOWN, params);
    case WM_RBUTTONDOWN: {
        POINT pt;
        GetCursorPos(&pt);
        return ContextMenuAt(pt);
    }
    case WM_MOUSEWHEEL:
        if (OnWheel(GET_WHEEL_DELTA_WPARAM(params->wParam))) return 0;
        return DefWndProc(msg, params);
    case WM_LIB_DEFERREDBOX:
    case WM_LIB_DEFERREDBOX2:
        ShowDeferredBox(m_hWnd, msg, params);
        return 0;
    case WM_LIB_TOANCESTOR:
        for (HWND h = ParentWindow(m_hWnd); h; h = ParentWindow(h))
            if (FromHandle(h)) return SendMessageA(h, msg, params->wParam, params->lParam);
        return 0;
    case WM_LIB_SETCURSOR:
        SetCursor(reinterpret_cast<HCURSOR>(params->wParam));
        return 0;
    case WM_LIB_POSTCREATE:
        OnPostCreate();
        return 0;
    }
    return DefWndProc(msg, params);
}

POINT ContextMenuPoint()
{
    return s_ptContextMenu;
}

void DestroyWnd(Wnd* wnd)
{
    if (!wnd) return;
    HWND hwnd = wnd->HWnd();
    if (hwnd && (wnd->WndFlags() & WND_ATTACHED) && IsWindow(hwnd)) {
        DestroyWindow(hwnd);  // the final message deletes the object
        return;
    }
    // Not attached: destroying the window would not reach the object.
    if (hwnd && IsWindow(hwnd)) DestroyWindow(hwnd);
    delete wnd;
}
