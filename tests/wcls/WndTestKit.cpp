// WndTestKit.cpp - shared pieces of the window tests.
#include "WndTestKit.h"

#include <algorithm>

#include "wcls/ErrorReport.h"
#include "wcls/LibStartup.h"
#include "wcls/WndMessages.h"

CallLog g_log;
const char kRecorderClass[] = "WndTestRecorder";
static std::vector<UINT> s_watched;

void UseLibrary()
{
    if (!g_hInstance) {
        ASSERT_TRUE(LibraryStartup(GetModuleHandleA(nullptr), "WndTest"));
    }
    StartErrorThread();  // again, and the title, when other tests took them away
    SetDefaultTitle("WndTest");
}

int PumpPending()
{
    int n = 0;
    for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return n;
}

static std::string MsgName(UINT msg)
{
    static const struct {
        UINT msg;
        const char* name;
    } kNames[] = {{WM_NCCREATE, "WM_NCCREATE"}, {WM_CREATE, "WM_CREATE"},     {WM_DESTROY, "WM_DESTROY"},
                  {WM_NCDESTROY, "WM_NCDESTROY"}, {WM_ENABLE, "WM_ENABLE"},   {WM_TIMER, "WM_TIMER"},
                  {WM_KEYDOWN, "WM_KEYDOWN"},   {WM_KEYUP, "WM_KEYUP"},       {WM_LIB_POSTCREATE, "WM_LIB_POSTCREATE"}};
    for (const auto& n : kNames)
        if (n.msg == msg) return n.name;
    return msg >= WM_USER && msg < WM_USER + 0x20 ? "WM_USER+" + std::to_string(msg - WM_USER) : std::to_string(msg);
}


void WatchMessages(std::vector<UINT> msgs) { s_watched = std::move(msgs); }

static bool Watched(UINT msg) { return std::find(s_watched.begin(), s_watched.end(), msg) != s_watched.end(); }

static LRESULT CALLBACK RecorderProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (Watched(msg)) g_log.Add("prev " + MsgName(msg));
    return DefWindowProcA(hwnd, msg, wp, lp);
}

TestWnd::TestWnd(const char* name, DWORD flags, const char* className) : m_name(name), m_className(className)
{
    m_dwWndFlag |= flags;
    WNDCLASSA wc = {};
    if (m_className == kRecorderClass && !GetClassInfoA(GetModuleHandleA(nullptr), kRecorderClass, &wc)) {
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = RecorderProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kRecorderClass;
        RegisterClassA(&wc);
    }
}

void TestWnd::OnPostCreate()
{
    g_log.Add(m_name + " OnPostCreate");
    Wnd::OnPostCreate();
}

LRESULT TestWnd::WindowProc(UINT msg, MsgParams* params)
{
    if (Watched(msg)) g_log.Add(m_name + " " + MsgName(msg));
    if (!m_destroyOnMsg || msg != m_destroyOnMsg) return Wnd::WindowProc(msg, params);
    DestroyWindow(m_hWnd);
    // The object must still be here after its window went.
    g_log.Add(m_name + " after DestroyWindow " + (m_hWnd ? "attached" : "detached"));
    return 0;
}

const char* TestWnd::ClassInfo(WNDCLASSA* wc)
{
    if (!m_className) return Wnd::ClassInfo(wc);
    if (wc) wc->lpszClassName = m_className;
    return m_className;
}

HWND TestWnd::Create(HWND parent, DWORD style)
{
    DWORD s = style ? style : (parent ? WS_CHILD : WS_POPUP);
    return CreateWnd(0, m_name.c_str(), s, 0, 0, 200, 100, parent, nullptr, nullptr, nullptr);
}
