// zdrive.cpp - the window driver of the run command and the end-to-end
// tests. Starts the program under test, reports its top-level windows
// (message boxes, dialogs, other windows) with their texts and controls,
// and presses buttons or types into fields on command.
// It also plays the installed application's side: a main window, named
// mutexes and held lock files.
//
// Protocol: one command per line on stdin (UTF-8), one JSON object per line
// on stdout. Every wait has a time-out; a time-out answers with what the
// program under test had on screen.
#include <windows.h>

#include <psapi.h>
#include <sddl.h>
#include <tlhelp32.h>

#include <stdio.h>

#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// ---- text and JSON --------------------------------------------------------

std::string Utf8(const std::wstring& w)
{
    std::string s(w.size() * 3 + 1, '\0');
    s.resize(WideCharToMultiByte(CP_UTF8, 0, w.c_str(), (int)w.size(), &s[0], (int)s.size(), nullptr, nullptr));
    return s;
}

std::wstring Wide(const std::string& s)
{
    std::wstring w(s.size() + 1, L'\0');
    w.resize(MultiByteToWideChar(CP_UTF8, 0, s.c_str(), (int)s.size(), &w[0], (int)w.size()));
    return w;
}

std::string Quote(const std::string& s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        char buf[8];
        snprintf(buf, sizeof(buf), c == '"' || c == '\\' ? "\\%c" : c < 0x20 ? "\\u%04x" : "%c", c);
        out += buf;
    }
    return out + "\"";
}

std::string Hex(const void* p)
{
    char buf[32];
    snprintf(buf, sizeof(buf), "\"0x%llx\"", (unsigned long long)(ULONG_PTR)p);
    return buf;
}

void Answer(const std::string& json)
{
    fputs((json + "\n").c_str(), stdout);
    fflush(stdout);
}

void Fail(const std::string& error, const std::string& extra = std::string())
{
    Answer("{\"ok\":false,\"error\":" + Quote(error) + extra + "}");
}

// ---- windows of the program under test -----------------------------------

HANDLE g_process;
DWORD g_pid;
std::set<HWND> g_reported;
HWND g_current;

std::wstring ClassOf(HWND h)
{
    wchar_t cls[256] = {};
    GetClassNameW(h, cls, 256);
    return cls;
}

std::wstring TextOf(HWND h)
{
    int n = (int)SendMessageW(h, WM_GETTEXTLENGTH, 0, 0);
    std::wstring w(n + 1, L'\0');
    n = (int)SendMessageW(h, WM_GETTEXT, n + 1, (LPARAM)&w[0]);
    w.resize(n > 0 ? n : 0);
    return w;
}

const int kBoxTextId = 0xFFFF;

BOOL CALLBACK CollectChild(HWND child, LPARAM lp)
{
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(child);
    return TRUE;
}

// A message box holds its text (a static of id 0xFFFF), its icon and its
// answer buttons, nothing else; a dialog may label its fields with
// statics of that id too.
std::string KindOf(HWND h)
{
    if (ClassOf(h) != L"#32770") return "window";
    if (!GetDlgItem(h, kBoxTextId)) return "dialog";
    std::vector<HWND> children;
    EnumChildWindows(h, CollectChild, (LPARAM)&children);
    for (HWND c : children) {
        std::wstring cls = ClassOf(c);
        bool answer = _wcsicmp(cls.c_str(), L"Button") == 0 && GetDlgCtrlID(c) >= IDOK && GetDlgCtrlID(c) <= 11;
        if (!answer && _wcsicmp(cls.c_str(), L"Static") != 0) return "dialog";
    }
    return "box";
}

std::string ControlsJson(HWND h)
{
    std::vector<HWND> children;
    EnumChildWindows(h, CollectChild, (LPARAM)&children);
    std::string out = "[";
    for (size_t i = 0; i < children.size(); ++i) {
        HWND c = children[i];
        std::wstring cls = ClassOf(c);
        LONG style = (LONG)GetWindowLongPtrW(c, GWL_STYLE);
        std::ostringstream o;
        o << (i ? "," : "") << "{\"id\":" << GetDlgCtrlID(c) << ",\"class\":" << Quote(Utf8(cls))
          << ",\"text\":" << Quote(Utf8(TextOf(c))) << ",\"style\":" << (unsigned long)style
          << ",\"visible\":" << (IsWindowVisible(c) ? "true" : "false")
          << ",\"enabled\":" << (IsWindowEnabled(c) ? "true" : "false");
        if (_wcsicmp(cls.c_str(), L"Button") == 0)
            o << ",\"checked\":" << SendMessageW(c, BM_GETCHECK, 0, 0);
        RECT r;
        GetWindowRect(c, &r);
        o << ",\"rect\":[" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "]";
        o << "}";
        out += o.str();
    }
    return out + "]";
}

std::string WindowJson(HWND h)
{
    std::string kind = KindOf(h);
    std::ostringstream o;
    o << "\"hwnd\":" << Hex(h) << ",\"kind\":" << Quote(kind) << ",\"class\":" << Quote(Utf8(ClassOf(h)))
      << ",\"title\":" << Quote(Utf8(TextOf(h)))
      << ",\"style\":" << (unsigned long)GetWindowLongPtrW(h, GWL_STYLE)
      << ",\"exstyle\":" << (unsigned long)GetWindowLongPtrW(h, GWL_EXSTYLE)
      << ",\"owner\":" << Hex(GetWindow(h, GW_OWNER))
      << ",\"enabled\":" << (IsWindowEnabled(h) ? "true" : "false");
    if (kind == "box") o << ",\"text\":" << Quote(Utf8(TextOf(GetDlgItem(h, kBoxTextId))));
    o << ",\"controls\":" << ControlsJson(h);
    RECT r;
    GetWindowRect(h, &r);
    o << ",\"rect\":[" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "]";
    return o.str();
}

struct Enumerated {
    DWORD pid;  // 0: every process
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectTop(HWND h, LPARAM lp)
{
    Enumerated* e = reinterpret_cast<Enumerated*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if ((e->pid == 0 || pid == e->pid) && IsWindowVisible(h)) e->windows.push_back(h);
    return TRUE;
}

// Visible top-level windows, top of the Z order first.
std::vector<HWND> TopWindows(DWORD pid)
{
    Enumerated e{pid, {}};
    EnumWindows(CollectTop, (LPARAM)&e);
    return e.windows;
}

std::string ScreenJson()
{
    std::string out = ",\"screen\":[";
    if (g_pid) {
        std::vector<HWND> all = TopWindows(g_pid);
        for (size_t i = 0; i < all.size(); ++i) out += (i ? ",{" : "{") + WindowJson(all[i]) + "}";
    }
    return out + "]";
}

bool Exited(DWORD* code)
{
    if (!g_process || WaitForSingleObject(g_process, 0) != WAIT_OBJECT_0) return false;
    GetExitCodeProcess(g_process, code);
    return true;
}

// ---- the application's side: windows, mutexes, lock files ------------------

struct HelperWindow {
    HANDLE thread;
    DWORD threadId;
    HWND hwnd;
};
std::map<std::wstring, HelperWindow> g_helperWindows;
std::map<std::wstring, HANDLE> g_mutexes;
std::map<std::wstring, HANDLE> g_heldFiles;

struct HelperStart {
    std::wstring cls;
    std::wstring title;
    HANDLE ready;
    HWND hwnd;
};

LRESULT CALLBACK HelperProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(h, msg, wp, lp);
}

// Each helper window has a thread of its own that keeps its messages moving,
// so another process may move it or send to it.
DWORD WINAPI HelperThread(void* p)
{
    HelperStart* start = static_cast<HelperStart*>(p);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = HelperProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = start->cls.c_str();
    RegisterClassW(&wc);
    start->hwnd = CreateWindowExW(0, start->cls.c_str(), start->title.c_str(), WS_OVERLAPPEDWINDOW,
                                  40, 40, 300, 200, nullptr, nullptr, wc.hInstance, nullptr);
    if (start->hwnd) ShowWindow(start->hwnd, SW_SHOWNOACTIVATE);
    SetEvent(start->ready);
    if (!start->hwnd) return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

// ---- commands -----------------------------------------------------------

void TakeOver(HANDLE process, DWORD pid)
{
    if (g_process) CloseHandle(g_process);
    g_process = process;
    g_pid = pid;
    g_reported.clear();
    g_current = nullptr;
    Answer("{\"ok\":true,\"pid\":" + std::to_string(g_pid) + "}");
}

void CmdStart(const std::wstring& cmdline)
{
    DWORD code;
    if (g_process && !Exited(&code)) return Fail("already started");
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    // A console program's children land on a desktop of their own unless
    // told otherwise; the program under test belongs on the shared one.
    wchar_t desktop[] = L"Default";
    si.lpDesktop = desktop;
    PROCESS_INFORMATION pi = {};
    std::wstring buf = cmdline;
    if (!CreateProcessW(nullptr, &buf[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return Fail("CreateProcess failed", ",\"code\":" + std::to_string(GetLastError()));
    CloseHandle(pi.hThread);
    TakeOver(pi.hProcess, pi.dwProcessId);
}

// Takes over a program started by someone else (a path this driver cannot
// start), found by its executable's name.
void CmdAttach(const std::wstring& exeName, DWORD timeout)
{
    DWORD start = GetTickCount();
    for (;;) {
        HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W pe = {};
        pe.dwSize = sizeof(pe);
        for (BOOL more = Process32FirstW(snap, &pe); more; more = Process32NextW(snap, &pe)) {
            if (_wcsicmp(pe.szExeFile, exeName.c_str()) != 0) continue;
            HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                                   pe.th32ProcessID);
            if (!h) continue;
            CloseHandle(snap);
            return TakeOver(h, pe.th32ProcessID);
        }
        CloseHandle(snap);
        if (GetTickCount() - start > timeout) return Fail("no such process");
        Sleep(50);
    }
}

// Waits for a top-level window of the program that `pick` takes; it
// becomes the current one.
template <class Pick>
void WaitForWindow(DWORD timeout, const std::string& what, DWORD pause, Pick pick)
{
    if (!g_pid) return Fail("not started");
    DWORD start = GetTickCount();
    for (;;) {
        for (HWND h : TopWindows(g_pid)) {
            if (!pick(h)) continue;
            g_reported.insert(h);
            g_current = h;
            return Answer("{\"ok\":true," + WindowJson(h) + "}");
        }
        DWORD code;
        if (Exited(&code)) return Fail("exited", ",\"code\":" + std::to_string((long)code));
        if (GetTickCount() - start > timeout) return Fail("timeout waiting for " + what, ScreenJson());
        Sleep(pause);
    }
}

// Waits for a window not reported yet, of the kind (or "any").
void CmdWait(const std::string& kind, DWORD timeout)
{
    WaitForWindow(timeout, kind, 20, [&](HWND h) {
        if (g_reported.count(h) || (kind != "any" && KindOf(h) != kind)) return false;
        Sleep(50);  // let the window finish setting itself up
        return IsWindow(h) != FALSE;
    });
}

// Waits for a visible window of the class, reported before or not.
void CmdWaitClass(const std::wstring& cls, DWORD timeout)
{
    WaitForWindow(timeout, "class", 10, [&](HWND h) { return _wcsicmp(ClassOf(h).c_str(), cls.c_str()) == 0; });
}

int SuspendProgram(bool suspend)
{
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 te = {};
    te.dwSize = sizeof(te);
    int count = 0;
    for (BOOL more = Thread32First(snap, &te); more; more = Thread32Next(snap, &te)) {
        if (te.th32OwnerProcessID != g_pid) continue;
        HANDLE t = OpenThread(THREAD_SUSPEND_RESUME, FALSE, te.th32ThreadID);
        if (!t) continue;
        if (suspend)
            SuspendThread(t);
        else
            ResumeThread(t);
        CloseHandle(t);
        ++count;
    }
    CloseHandle(snap);
    return count;
}

// Stops or restarts every thread of the program, so that a passing state
// (a progress window) can be photographed.
void CmdSuspend(bool suspend)
{
    if (!g_pid) return Fail("not started");
    Answer("{\"ok\":true,\"threads\":" + std::to_string(SuspendProgram(suspend)) + "}");
}

long long FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &d)) return -1;
    return ((long long)d.nFileSizeHigh << 32) | d.nFileSizeLow;
}

// Whether the current window takes a message while the program writes a
// long file: waits until the file has begun, sends WM_NULL (2 s at most),
// then suspends the program so that the moment can be photographed.
// "ping-while FILE TIMEOUT [CLASS]"; the sizes show whether the copy was
// still on. With CLASS the window pinged is the one of that class once the
// file has begun (a short copy may be over before another command could
// find the window).
void CmdPingWhile(const std::wstring& file, DWORD timeout, const std::wstring& cls)
{
    if (cls.empty() && (!g_current || !IsWindow(g_current))) return Fail("no current window");
    DWORD start = GetTickCount();
    long long before;
    while ((before = FileSize(file)) <= 0) {
        if (GetTickCount() - start > timeout) return Fail("the file did not begin");
        Sleep(1);
    }
    if (!cls.empty()) g_current = FindWindowW(cls.c_str(), nullptr);
    if (!g_current) return Fail("no window of the class");
    DWORD_PTR result;
    DWORD sent = GetTickCount();
    bool replied = SendMessageTimeoutW(g_current, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result) != 0;
    DWORD ms = GetTickCount() - sent;
    SuspendProgram(true);
    std::ostringstream o;
    o << "{\"ok\":true,\"replied\":" << (replied ? "true" : "false") << ",\"ms\":" << ms
      << ",\"before\":" << before << ",\"after\":" << FileSize(file) << "}";
    Answer(o.str());
}

HWND Control(int id)
{
    return g_current ? GetDlgItem(g_current, id) : nullptr;
}

void CmdPress(int id)
{
    if (!g_current || !IsWindow(g_current)) return Fail("no current window");
    HWND c = Control(id);
    if (c && !IsWindowEnabled(c)) return Fail("button disabled");
    PostMessageW(g_current, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)c);
    Answer("{\"ok\":true}");
}

// Asks the current window to close, as its close box does.
void CmdClose()
{
    if (!g_current || !IsWindow(g_current)) return Fail("no current window");
    PostMessageW(g_current, WM_CLOSE, 0, 0);
    Answer("{\"ok\":true}");
}

// How DrawText lays out a control's text, or 0 for a control whose text
// is not measured here (icons, frames, check boxes, fields).
UINT TextFormat(HWND c)
{
    std::wstring cls = ClassOf(c);
    LONG style = (LONG)GetWindowLongPtrW(c, GWL_STYLE);
    if (_wcsicmp(cls.c_str(), L"Static") == 0) {
        LONG type = style & SS_TYPEMASK;
        UINT prefix = (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
        if (type <= SS_RIGHT) return DT_WORDBREAK | DT_EXPANDTABS | prefix;
        if (type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP) return DT_SINGLELINE | DT_EXPANDTABS | prefix;
        return 0;
    }
    LONG button = style & BS_TYPEMASK;
    if (_wcsicmp(cls.c_str(), L"Button") == 0 && (button == BS_PUSHBUTTON || button == BS_DEFPUSHBUTTON))
        return DT_SINGLELINE;
    return 0;
}

// The room each visible text of the current window needs and has, measured
// with the font a dialog makes of its template's FONT line at the screen's
// DPI: "fit POINTS FACE". Static texts wrap at their control's width; a push
// button's text stays on one line inside the button's edges.
void CmdFit(int points, const std::wstring& face)
{
    if (!g_current || !IsWindow(g_current)) return Fail("no current window");
    HDC dc = GetDC(nullptr);
    LOGFONTW lf = {};
    lf.lfHeight = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    std::vector<HWND> children;
    EnumChildWindows(g_current, CollectChild, (LPARAM)&children);
    std::string out = "{\"ok\":true,\"texts\":[";
    int n = 0;
    for (HWND c : children) {
        UINT format = TextFormat(c);
        std::wstring text = TextOf(c);
        if (!format || text.empty() || !IsWindowVisible(c)) continue;
        RECT has;
        GetClientRect(c, &has);
        if (_wcsicmp(ClassOf(c).c_str(), L"Button") == 0) has.right -= 2 * GetSystemMetrics(SM_CXEDGE);
        RECT need = {0, 0, has.right, 0};
        DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | format);
        std::ostringstream o;
        o << (n++ ? "," : "") << "{\"id\":" << GetDlgCtrlID(c) << ",\"text\":" << Quote(Utf8(text))
          << ",\"need\":[" << need.right << "," << need.bottom << "],\"has\":[" << has.right << "," << has.bottom
          << "]}";
        out += o.str();
    }
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    Answer(out + "]}");
}

void CmdSetText(int id, const std::wstring& text)
{
    HWND c = Control(id);
    if (!c) return Fail("no such control");
    SendMessageW(c, WM_SETTEXT, 0, (LPARAM)text.c_str());
    Answer("{\"ok\":true}");
}

void CmdCheck(int id, int state)
{
    HWND c = Control(id);
    if (!c) return Fail("no such control");
    SendMessageW(c, BM_SETCHECK, state, 0);
    Answer("{\"ok\":true}");
}

void CmdGone(DWORD timeout)
{
    DWORD start = GetTickCount();
    while (g_current && IsWindow(g_current) && IsWindowVisible(g_current)) {
        if (GetTickCount() - start > timeout) return Fail("window still there", ScreenJson());
        Sleep(20);
    }
    Answer("{\"ok\":true}");
}

void CmdExit(DWORD timeout)
{
    if (!g_process) return Fail("not started");
    if (WaitForSingleObject(g_process, timeout) != WAIT_OBJECT_0) {
        std::string screen = ScreenJson();
        TerminateProcess(g_process, 999);
        WaitForSingleObject(g_process, 5000);
        return Fail("timeout waiting for exit", screen);
    }
    DWORD code = 0;
    GetExitCodeProcess(g_process, &code);
    Answer("{\"ok\":true,\"code\":" + std::to_string((long)code) + "}");
}

void CmdKill()
{
    if (g_process) {
        TerminateProcess(g_process, 999);
        WaitForSingleObject(g_process, 5000);
    }
    Answer("{\"ok\":true}");
}

// Ends the program the moment a file appears, after a delay of ms: a
// crash at a chosen point of its work ("kill-on MS PATH").
void CmdKillOn(DWORD ms, const std::wstring& path)
{
    if (!g_process) return Fail("not started");
    DWORD start = GetTickCount(), code;
    while (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (Exited(&code)) return Fail("exited", ",\"code\":" + std::to_string((long)code));
        if (GetTickCount() - start > 60000) return Fail("timeout waiting for the file", ScreenJson());
    }
    Sleep(ms);
    TerminateProcess(g_process, 999);
    WaitForSingleObject(g_process, 5000);
    Answer("{\"ok\":true}");
}

// The visible windows of every process of the executable, each with its
// process id: many copies of a program started at once.
void CmdAll(const std::wstring& exeName)
{
    std::string out = "{\"ok\":true,\"windows\":[";
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W pe = {};
    pe.dwSize = sizeof(pe);
    int n = 0;
    for (BOOL more = Process32FirstW(snap, &pe); more; more = Process32NextW(snap, &pe)) {
        if (_wcsicmp(pe.szExeFile, exeName.c_str()) != 0) continue;
        for (HWND h : TopWindows(pe.th32ProcessID))
            out += (n++ ? ",{" : "{") + std::string("\"pid\":") + std::to_string(pe.th32ProcessID) + "," +
                   WindowJson(h) + "}";
    }
    CloseHandle(snap);
    Answer(out + "]}");
}

// Makes a window listed by "all" the current one, for "press".
void CmdSelect(const std::string& hwnd)
{
    HWND h = (HWND)(ULONG_PTR)strtoull(hwnd.c_str(), nullptr, 16);
    if (!IsWindow(h)) return Fail("no such window");
    g_current = h;
    Answer("{\"ok\":true}");
}

// The program's working set, now and at its peak, in bytes.
void CmdMemory()
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    if (!g_process || !GetProcessMemoryInfo(g_process, &pmc, sizeof(pmc))) return Fail("no memory counters");
    Answer("{\"ok\":true,\"working\":" + std::to_string((unsigned long long)pmc.WorkingSetSize) +
           ",\"peak\":" + std::to_string((unsigned long long)pmc.PeakWorkingSetSize) + "}");
}

void CmdWindows()
{
    Answer("{\"ok\":true" + ScreenJson() + "}");
}

void CmdZOrder()
{
    std::string out = "{\"ok\":true,\"zorder\":[";
    std::vector<HWND> all = TopWindows(0);
    for (size_t i = 0; i < all.size(); ++i) {
        DWORD pid = 0;
        GetWindowThreadProcessId(all[i], &pid);
        out += (i ? "," : "") + std::string("{\"hwnd\":") + Hex(all[i]) + ",\"class\":" +
               Quote(Utf8(ClassOf(all[i]))) + ",\"pid\":" + std::to_string(pid) + "}";
    }
    Answer(out + "]}");
}

void CmdWindowCreate(const std::wstring& cls, const std::wstring& title)
{
    if (g_helperWindows.count(cls)) return Fail("window exists");
    HelperStart start{cls, title, CreateEventW(nullptr, TRUE, FALSE, nullptr), nullptr};
    DWORD tid = 0;
    HANDLE thread = CreateThread(nullptr, 0, HelperThread, &start, 0, &tid);
    // The thread uses `start` until it signals: wait for that however long.
    WaitForSingleObject(start.ready, INFINITE);
    CloseHandle(start.ready);
    if (!start.hwnd) {
        WaitForSingleObject(thread, 5000);
        CloseHandle(thread);
        return Fail("CreateWindow failed");
    }
    g_helperWindows[cls] = HelperWindow{thread, tid, start.hwnd};
    // Answer once the window is listed among the visible top-level windows.
    for (int i = 0; i < 250 && !IsWindowVisible(start.hwnd); ++i) Sleep(20);
    Answer("{\"ok\":true,\"hwnd\":" + Hex(start.hwnd) + "}");
}

void CmdWindowDestroy(const std::wstring& cls)
{
    auto it = g_helperWindows.find(cls);
    if (it == g_helperWindows.end()) return Fail("no such window");
    PostMessageW(it->second.hwnd, WM_CLOSE, 0, 0);
    WaitForSingleObject(it->second.thread, 10000);
    CloseHandle(it->second.thread);
    g_helperWindows.erase(it);
    Answer("{\"ok\":true}");
}

void CmdMutexCreate(const std::wstring& name, bool owned)
{
    SetLastError(0);
    HANDLE h = CreateMutexW(nullptr, owned, name.c_str());
    if (!h) return Fail("CreateMutex failed", ",\"code\":" + std::to_string(GetLastError()));
    bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    g_mutexes.insert({name, h});
    Answer(std::string("{\"ok\":true,\"existed\":") + (existed ? "true" : "false") + "}");
}

void CmdMutexClose(const std::wstring& name)
{
    auto it = g_mutexes.find(name);
    if (it == g_mutexes.end()) return Fail("no such mutex");
    ReleaseMutex(it->second);  // when held
    CloseHandle(it->second);
    g_mutexes.erase(it);
    Answer("{\"ok\":true}");
}

void CmdMutexExists(const std::wstring& name)
{
    HANDLE h = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
    if (h) CloseHandle(h);
    Answer(std::string("{\"ok\":true,\"exists\":") + (h ? "true" : "false") + "}");
}

// Holds a file open the way a running application holds its lock file.
void CmdHold(const std::wstring& path, bool shared)
{
    DWORD access = shared ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    DWORD share = shared ? FILE_SHARE_READ : 0;
    HANDLE h = CreateFileW(path.c_str(), access, share, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail("CreateFile failed", ",\"code\":" + std::to_string(GetLastError()));
    g_heldFiles[path] = h;
    Answer("{\"ok\":true}");
}

void CmdRelease(const std::wstring& path)
{
    auto it = g_heldFiles.find(path);
    if (it == g_heldFiles.end()) return Fail("not held");
    CloseHandle(it->second);
    g_heldFiles.erase(it);
    Answer("{\"ok\":true}");
}

void CmdFileExists(const std::wstring& path)
{
    DWORD attr = GetFileAttributesW(path.c_str());
    std::ostringstream o;
    o << "{\"ok\":true,\"exists\":" << (attr != INVALID_FILE_ATTRIBUTES ? "true" : "false")
      << ",\"attributes\":" << (attr == INVALID_FILE_ATTRIBUTES ? 0 : attr) << "}";
    Answer(o.str());
}

// "HKLM\\path" into the root and the path below it; null for another root.
// A root ending in "64" ("HKLM64") names the 64-bit view, where the system's
// own 64-bit programs read; the others name the program's (32-bit) view,
// but for the document classes, which both views share.
HKEY SplitKey(const std::wstring& keyPath, std::wstring* sub, REGSAM* view)
{
    size_t slash = keyPath.find(L'\\');
    std::wstring rootName = keyPath.substr(0, slash);
    *sub = slash == std::wstring::npos ? L"" : keyPath.substr(slash + 1);
    *view = rootName == L"HKCR" ? 0 : KEY_WOW64_32KEY;
    if (rootName.size() > 2 && rootName.compare(rootName.size() - 2, 2, L"64") == 0) {
        rootName.resize(rootName.size() - 2);
        *view = KEY_WOW64_64KEY;
    }
    return rootName == L"HKLM" ? HKEY_LOCAL_MACHINE : rootName == L"HKCR" ? HKEY_CLASSES_ROOT
         : rootName == L"HKCU" ? HKEY_CURRENT_USER : nullptr;
}

// Reads a registry value through the program's own (32-bit) view:
// "reg-get HKLM\\path|name" (an empty name is the default value).
void CmdRegGet(const std::wstring& keyValue)
{
    size_t bar = keyValue.find(L'|');
    std::wstring sub, name = bar == std::wstring::npos ? L"" : keyValue.substr(bar + 1);
    REGSAM view = 0;
    HKEY root = SplitKey(keyValue.substr(0, bar), &sub, &view);
    if (!root) return Fail("unknown root");
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, sub.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
        return Answer("{\"ok\":true,\"key\":false,\"exists\":false}");
    // The bytes as the program stored them, in the ANSI code page.
    std::string nameA(name.size() * 2 + 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, &nameA[0], (int)nameA.size(), nullptr, nullptr);
    DWORD type = 0, size = 0;
    LONG r = RegQueryValueExA(key, nameA.c_str(), nullptr, &type, nullptr, &size);
    std::vector<BYTE> data(size + 2, 0);
    if (r == ERROR_SUCCESS) r = RegQueryValueExA(key, nameA.c_str(), nullptr, &type, data.data(), &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS) return Answer("{\"ok\":true,\"key\":true,\"exists\":false}");
    std::ostringstream o;
    o << "{\"ok\":true,\"key\":true,\"exists\":true,\"type\":" << type << ",\"size\":" << size;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        std::string bytes((const char*)data.data(), size);
        if (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
        int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), (int)bytes.size(), nullptr, 0);
        std::wstring w(n, L'\0');
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), (int)bytes.size(), &w[0], n);
        o << ",\"text\":" << Quote(Utf8(w));
    } else if (type == REG_DWORD) {
        o << ",\"dword\":" << *(const DWORD*)data.data();
    }
    Answer(o.str() + "}");
}

// Writes a REG_SZ value in the program's view: "reg-set HKLM\\path|name|text".
void CmdRegSet(const std::wstring& keyValue)
{
    size_t bar1 = keyValue.find(L'|'), bar2 = keyValue.find(L'|', bar1 + 1);
    if (bar1 == std::wstring::npos || bar2 == std::wstring::npos) return Fail("reg-set KEY|NAME|TEXT");
    std::wstring sub, name = keyValue.substr(bar1 + 1, bar2 - bar1 - 1), text = keyValue.substr(bar2 + 1);
    REGSAM view = 0;
    HKEY root = SplitKey(keyValue.substr(0, bar1), &sub, &view);
    if (!root) return Fail("unknown root");
    HKEY key = nullptr;
    LONG r = RegCreateKeyExW(root, sub.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &key, nullptr);
    if (r != ERROR_SUCCESS) return Fail("RegCreateKeyEx failed", ",\"code\":" + std::to_string(r));
    r = RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ, (const BYTE*)text.c_str(),
                       (DWORD)((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    if (r != ERROR_SUCCESS) return Fail("RegSetValueEx failed", ",\"code\":" + std::to_string(r));
    Answer("{\"ok\":true}");
}

// Gives a key a DACL written in SDDL, so that the program under test meets
// a registry it may not change: "reg-sddl HKLM\\path D:(A;;KR;;;WD)".
void CmdRegSddl(const std::wstring& keyPath, const std::wstring& sddl)
{
    std::wstring sub;
    REGSAM view = 0;
    HKEY root = SplitKey(keyPath, &sub, &view), key = nullptr;
    if (!root) return Fail("unknown root");
    LONG r = RegCreateKeyExW(root, sub.c_str(), 0, nullptr, 0, WRITE_DAC | view, nullptr, &key, nullptr);
    if (r != ERROR_SUCCESS) return Fail("RegCreateKeyEx failed", ",\"code\":" + std::to_string(r));
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr)) {
        RegCloseKey(key);
        return Fail("bad SDDL");
    }
    r = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
    LocalFree(sd);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS) return Fail("RegSetKeySecurity failed", ",\"code\":" + std::to_string(r));
    Answer("{\"ok\":true}");
}

// Splits "verb rest": the verb, then the rest of the line unchanged.
void SplitVerb(const std::string& line, std::string* verb, std::string* rest)
{
    size_t sp = line.find(' ');
    *verb = line.substr(0, sp);
    *rest = sp == std::string::npos ? std::string() : line.substr(sp + 1);
}

void Dispatch(const std::string& line)
{
    std::string verb, rest;
    SplitVerb(line, &verb, &rest);
    std::string a, b;
    SplitVerb(rest, &a, &b);
    if (verb == "start") return CmdStart(Wide(rest));
    if (verb == "attach") return CmdAttach(Wide(a), (DWORD)atol(b.c_str()));
    if (verb == "wait") return CmdWait(a, (DWORD)atol(b.c_str()));
    if (verb == "press") return CmdPress(atoi(a.c_str()));
    if (verb == "wait-class") return CmdWaitClass(Wide(a), (DWORD)atol(b.c_str()));
    if (verb == "suspend") return CmdSuspend(true);
    if (verb == "resume") return CmdSuspend(false);
    if (verb == "ping-while") {
        std::string timeout, cls;
        SplitVerb(b, &timeout, &cls);
        return CmdPingWhile(Wide(a), (DWORD)atol(timeout.c_str()), Wide(cls));
    }
    if (verb == "close") return CmdClose();
    if (verb == "settext") return CmdSetText(atoi(a.c_str()), Wide(b));
    if (verb == "fit") return CmdFit(atoi(a.c_str()), Wide(b));
    if (verb == "check") return CmdCheck(atoi(a.c_str()), atoi(b.c_str()));
    if (verb == "current") {
        if (!g_current || !IsWindow(g_current)) return Fail("no current window");
        return Answer("{\"ok\":true," + WindowJson(g_current) + "}");
    }
    if (verb == "gone") return CmdGone((DWORD)atol(a.c_str()));
    if (verb == "exit") return CmdExit((DWORD)atol(a.c_str()));
    if (verb == "kill") return CmdKill();
    if (verb == "kill-on") return CmdKillOn((DWORD)atol(a.c_str()), Wide(b));
    if (verb == "all") return CmdAll(Wide(rest));
    if (verb == "memory") return CmdMemory();
    if (verb == "select") return CmdSelect(a);
    if (verb == "windows") return CmdWindows();
    if (verb == "zorder") return CmdZOrder();
    if (verb == "window-create") return CmdWindowCreate(Wide(a), Wide(b));
    if (verb == "window-destroy") return CmdWindowDestroy(Wide(a));
    if (verb == "mutex-create") return CmdMutexCreate(Wide(rest), false);
    if (verb == "mutex-hold") return CmdMutexCreate(Wide(rest), true);
    if (verb == "mutex-close") return CmdMutexClose(Wide(rest));
    if (verb == "mutex-exists") return CmdMutexExists(Wide(rest));
    if (verb == "hold") return CmdHold(Wide(rest), false);
    if (verb == "hold-shared") return CmdHold(Wide(rest), true);
    if (verb == "release") return CmdRelease(Wide(rest));
    if (verb == "file-exists") return CmdFileExists(Wide(rest));
    if (verb == "reg-get") return CmdRegGet(Wide(rest));
    if (verb == "reg-set") return CmdRegSet(Wide(rest));
    if (verb == "reg-sddl") return CmdRegSddl(Wide(a), Wide(b));
    if (verb == "sleep") {
        Sleep((DWORD)atol(a.c_str()));
        return Answer("{\"ok\":true}");
    }
    Fail("unknown command: " + verb);
}

}  // namespace

int wmain()
{
    std::string line;
    // The prefix's desktop comes up first, before any window of ours: on a
    // loaded machine a window made while it was still starting could be left
    // out of the desktop's list.
    GetDesktopWindow();
    Answer("{\"ok\":true,\"ready\":true}");
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line == "quit") break;
        Dispatch(line);
    }
    if (g_process) {
        DWORD code;
        if (!Exited(&code)) TerminateProcess(g_process, 999);
        CloseHandle(g_process);
    }
    for (auto& w : g_helperWindows) PostMessageW(w.second.hwnd, WM_CLOSE, 0, 0);
    Answer("{\"ok\":true,\"bye\":true}");
    return 0;
}
