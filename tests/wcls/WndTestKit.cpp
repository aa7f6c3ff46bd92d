// WndTestKit.cpp - shared pieces of the window tests.
#include "WndTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>

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
}

int PumpPending()
{
    int n = 0;
    MSG msg;
    for (; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return n;
}

std::string MsgName(UINT msg)
{
#define NAME(m) {m, #m}
    static const struct {
        UINT msg;
        const char* name;
    } kNames[] = {
        NAME(WM_NCCREATE), NAME(WM_CREATE), NAME(WM_DESTROY), NAME(WM_NCDESTROY), NAME(WM_ENABLE),
        NAME(WM_TIMER), NAME(WM_KEYDOWN), NAME(WM_KEYUP), NAME(WM_SYSKEYDOWN), NAME(WM_CLOSE),
        NAME(WM_COMMAND), NAME(WM_LBUTTONDOWN), NAME(WM_LBUTTONDBLCLK), NAME(WM_MBUTTONDOWN),
        NAME(WM_RBUTTONDOWN), NAME(WM_MOUSEWHEEL), NAME(WM_LIB_SETCURSOR), NAME(WM_LIB_POSTCREATE),
        NAME(WM_LIB_TOANCESTOR),
    };
#undef NAME
    for (const auto& n : kNames)
        if (n.msg == msg) return n.name;
    if (msg >= WM_USER && msg < WM_USER + 0x20) return "WM_USER+" + std::to_string(msg - WM_USER);
    return std::to_string(msg);
}

int CallLog::Count(const std::string& entry) const
{
    return (int)std::count(m_entries.begin(), m_entries.end(), entry);
}

void CallLog::Check(const std::vector<std::string>& expected, const char* file, int line)
{
    if (m_entries != expected) {
        std::string got, want;
        for (const auto& e : m_entries) got += "  " + e + "\n";
        for (const auto& e : expected) want += "  " + e + "\n";
        ADD_FAILURE_AT(file, line) << "calls differ\nexpected:\n" << want << "actual:\n" << got;
    }
    m_entries.clear();
}

void WatchMessages(std::vector<UINT> msgs)
{
    s_watched = std::move(msgs);
}

static bool Watched(UINT msg)
{
    return std::find(s_watched.begin(), s_watched.end(), msg) != s_watched.end();
}

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

TestWnd::~TestWnd()
{
    g_log.Add("~" + m_name);
}

void TestWnd::OnPostCreate()
{
    g_log.Add(m_name + " OnPostCreate");
    Wnd::OnPostCreate();
}

LRESULT TestWnd::WindowProc(UINT msg, MsgParams* params)
{
    if (Watched(msg)) g_log.Add(m_name + " " + MsgName(msg));
    if (m_destroyOnMsg && msg == m_destroyOnMsg) {
        DestroyWindow(m_hWnd);
        // The object must still be here after its window went.
        g_log.Add(m_name + " after DestroyWindow " + (m_hWnd ? "attached" : "detached"));
        return 0;
    }
    return Wnd::WindowProc(msg, params);
}

const char* TestWnd::ClassInfo(WNDCLASSA* wc)
{
    if (!m_className) return Wnd::ClassInfo(wc);
    if (wc) wc->lpszClassName = m_className;
    return m_className;
}

LRESULT TestWnd::OnContextMenu()
{
    POINT pt = ContextMenuPoint();
    g_log.Add(m_name + " OnContextMenu " + std::to_string(pt.x) + "," + std::to_string(pt.y));
    return Wnd::OnContextMenu();
}

LRESULT TestWnd::OnWheel(int delta)
{
    g_log.Add(m_name + " OnWheel " + std::to_string(delta));
    return m_wheelAnswer;
}

HWND TestWnd::Create(HWND parent, DWORD style)
{
    DWORD s = style ? style : (parent ? WS_CHILD : WS_POPUP);
    return CreateWnd(0, m_name.c_str(), s, 0, 0, 200, 100, parent, nullptr, nullptr, nullptr);
}
