// BoxWatcher.h - answers and records the message boxes of a process: no test hangs on a box.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct SeenBox {
    std::string title;  // ANSI code page bytes, as the program wrote them
    std::string text;
    DWORD exStyle = 0;   // WS_EX_TOPMOST tells a top-most box
    DWORD threadId = 0;  // the thread that showed the box
    HWND owner = nullptr;
};

std::string WindowText(HWND hwnd);  // ANSI code page bytes

class BoxWatcher {
public:
    // Each box is answered with the next of `answers`, then with
    // defaultAnswer; a box without that button takes its first one.
    explicit BoxWatcher(std::vector<int> answers = {}, int defaultAnswer = IDCANCEL, DWORD pid = GetCurrentProcessId());
    ~BoxWatcher();

    std::vector<SeenBox> Boxes();
    // Waits until at least n boxes were answered; false on time-out.
    bool WaitFor(size_t n, DWORD timeoutMs = 10000);

private:
    void Run();
    void Answer(HWND box);

    std::vector<int> m_answers;
    int m_default;
    DWORD m_pid;
    std::mutex m_lock;
    std::vector<SeenBox> m_boxes;
    struct Handled {
        HWND box;
        WPARAM command;  // the click posted to it
        DWORD at;        // when
    };
    std::vector<Handled> m_handled;
    volatile bool m_stop = false;
    std::thread m_thread;
};
