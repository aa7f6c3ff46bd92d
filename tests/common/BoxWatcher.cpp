// BoxWatcher.cpp - answers the message boxes of this process.
#include "BoxWatcher.h"

#include <algorithm>

namespace {

const int kMessageTextId = 0xFFFF;

struct Found {
    DWORD pid;
    std::vector<HWND> boxes;
};

// A message box holds only statics and buttons with the ids of answers; a
// dialog of the program may have a static of the same id as the box text.
BOOL CALLBACK CheckBoxChild(HWND child, LPARAM lp)
{
    char cls[32] = {};
    GetClassNameA(child, cls, sizeof(cls));
    bool button = _stricmp(cls, "Button") == 0;
    if ((!button && _stricmp(cls, "Static") != 0) || (button && GetDlgCtrlID(child) > IDCONTINUE)) {
        *reinterpret_cast<bool*>(lp) = false;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectBox(HWND hwnd, LPARAM lp)
{
    Found* found = reinterpret_cast<Found*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (pid != found->pid || !IsWindowVisible(hwnd) || strcmp(cls, "#32770") != 0 || !GetDlgItem(hwnd, kMessageTextId))
        return TRUE;
    bool box = true;
    EnumChildWindows(hwnd, CheckBoxChild, reinterpret_cast<LPARAM>(&box));
    if (box) found->boxes.push_back(hwnd);
    return TRUE;
}

}  // namespace

std::string WindowText(HWND hwnd)
{
    char buf[4096];
    int n = GetWindowTextA(hwnd, buf, sizeof(buf));
    return std::string(buf, n > 0 ? n : 0);
}

BoxWatcher::BoxWatcher(std::vector<int> answers, int defaultAnswer, DWORD pid)
    : m_answers(std::move(answers)), m_default(defaultAnswer), m_pid(pid)
{
    m_thread = std::thread([this] { Run(); });
}

BoxWatcher::~BoxWatcher()
{
    m_stop = true;
    m_thread.join();
}

std::vector<SeenBox> BoxWatcher::Boxes()
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_boxes;
}

bool BoxWatcher::WaitFor(size_t n, DWORD timeoutMs)
{
    for (DWORD start = GetTickCount(); Boxes().size() < n; Sleep(10))
        if (GetTickCount() - start > timeoutMs) return false;
    return true;
}

void BoxWatcher::Run()
{
    for (; !m_stop; Sleep(10)) {
        Found found{m_pid, {}};
        EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&found));
        for (HWND box : found.boxes) {
            auto it = std::find_if(m_handled.begin(), m_handled.end(), [box](const Handled& h) { return h.box == box; });
            if (it == m_handled.end()) {
                Answer(box);
            } else if (GetTickCount() - it->at > 2000) {
                // A click posted while the box was still setting itself up
                // can be lost on a loaded machine: click again.
                PostMessageA(box, WM_COMMAND, it->command, 0);
                it->at = GetTickCount();
            }
        }
    }
}

void BoxWatcher::Answer(HWND box)
{
    SeenBox seen;
    seen.title = WindowText(box);
    seen.text = WindowText(GetDlgItem(box, kMessageTextId));
    seen.exStyle = (DWORD)GetWindowLongPtrA(box, GWL_EXSTYLE);
    seen.threadId = GetWindowThreadProcessId(box, nullptr);
    seen.owner = GetWindow(box, GW_OWNER);
    int answer;
    {
        std::lock_guard<std::mutex> g(m_lock);
        answer = m_boxes.size() < m_answers.size() ? m_answers[m_boxes.size()] : m_default;
        m_boxes.push_back(seen);
    }
    HWND button = GetDlgItem(box, answer);
    if (!button) {  // no such button: the first one (OK of an OK box)
        button = FindWindowExA(box, nullptr, "Button", nullptr);
        answer = GetDlgCtrlID(button);
    }
    WPARAM command = MAKEWPARAM(answer, BN_CLICKED);
    {
        std::lock_guard<std::mutex> g(m_lock);
        m_handled.push_back(Handled{box, command, GetTickCount()});
    }
    PostMessageA(box, WM_COMMAND, command, reinterpret_cast<LPARAM>(button));
}
