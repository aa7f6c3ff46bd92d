// BoxWatcher.cpp - answers the message boxes of this process.
#include "BoxWatcher.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

const int kMessageTextId = 0xFFFF;

struct FindBoxes {
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
    FindBoxes* f = reinterpret_cast<FindBoxes*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != f->pid || !IsWindowVisible(hwnd)) return TRUE;
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (strcmp(cls, "#32770") != 0 || !GetDlgItem(hwnd, kMessageTextId)) return TRUE;
    bool box = true;
    EnumChildWindows(hwnd, CheckBoxChild, reinterpret_cast<LPARAM>(&box));
    if (box) f->boxes.push_back(hwnd);
    return TRUE;
}

std::string WindowText(HWND hwnd)
{
    int n = GetWindowTextLengthA(hwnd);
    std::string s(n + 1, '\0');
    n = GetWindowTextA(hwnd, &s[0], n + 1);
    s.resize(n > 0 ? n : 0);
    return s;
}

BOOL CALLBACK CollectButton(HWND child, LPARAM lp)
{
    char cls[32] = {};
    GetClassNameA(child, cls, sizeof(cls));
    if (_stricmp(cls, "Button") == 0)
        reinterpret_cast<std::vector<int>*>(lp)->push_back(GetDlgCtrlID(child));
    return TRUE;
}

}  // namespace

BoxWatcher::BoxWatcher(std::vector<int> answers, int defaultAnswer, const char* logPath)
    : m_answers(std::move(answers)), m_default(defaultAnswer), m_logPath(logPath ? logPath : "")
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
    DWORD start = GetTickCount();
    for (;;) {
        {
            std::lock_guard<std::mutex> g(m_lock);
            if (m_boxes.size() >= n) return true;
        }
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(10);
    }
}

void BoxWatcher::Run()
{
    while (!m_stop) {
        FindBoxes f{GetCurrentProcessId(), {}};
        EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&f));
        for (HWND box : f.boxes)
            if (std::find(m_handled.begin(), m_handled.end(), box) == m_handled.end()) Answer(box);
        Sleep(10);
    }
}

void BoxWatcher::Answer(HWND box)
{
    SeenBox seen;
    seen.title = WindowText(box);
    seen.text = WindowText(GetDlgItem(box, kMessageTextId));
    seen.style = (DWORD)GetWindowLongPtrA(box, GWL_STYLE);
    seen.exStyle = (DWORD)GetWindowLongPtrA(box, GWL_EXSTYLE);
    seen.threadId = GetWindowThreadProcessId(box, nullptr);
    seen.owner = GetWindow(box, GW_OWNER);
    EnumChildWindows(box, CollectButton, reinterpret_cast<LPARAM>(&seen.buttons));

    int answer;
    {
        std::lock_guard<std::mutex> g(m_lock);
        size_t i = m_boxes.size();
        answer = i < m_answers.size() ? m_answers[i] : m_default;
        m_boxes.push_back(seen);
        m_handled.push_back(box);
    }
    // A box without a Cancel button takes Cancel as its only other answer.
    if (std::find(seen.buttons.begin(), seen.buttons.end(), answer) == seen.buttons.end() &&
        !seen.buttons.empty())
        answer = seen.buttons.front();

    if (!m_logPath.empty()) {
        std::ofstream log(m_logPath, std::ios::binary | std::ios::app);
        log << seen.title << '\x1f' << seen.text << '\x1f' << seen.exStyle << '\x1e';
    }
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
}

std::vector<SeenBox> ReadBoxLog(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    std::vector<SeenBox> boxes;
    std::string record;
    std::istringstream records(all.str());
    while (std::getline(records, record, '\x1e')) {
        SeenBox b;
        size_t a = record.find('\x1f'), c = record.rfind('\x1f');
        if (a == std::string::npos || c == a) continue;
        b.title = record.substr(0, a);
        b.text = record.substr(a + 1, c - a - 1);
        b.exStyle = (DWORD)strtoul(record.c_str() + c + 1, nullptr, 10);
        boxes.push_back(b);
    }
    return boxes;
}
