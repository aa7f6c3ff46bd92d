// WndTestKit.h - shared pieces of the window tests: the library set up once,
// a pump, a call log compared with expected tables, a recording window.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "wcls/Wnd.h"

void UseLibrary();  // LibraryStartup once per test process
int PumpPending();  // dispatches what is queued; returns how many
std::string MsgName(UINT msg);

// What the recording objects and procedures saw, in order.
class CallLog {
public:
    void Add(const std::string& entry) { m_entries.push_back(entry); }
    void Clear() { m_entries.clear(); }
    int Count(const std::string& entry) const;
    // Compares with the expected table at the caller's line, then clears.
    void Check(const std::vector<std::string>& expected, const char* file, int line);

private:
    std::vector<std::string> m_entries;
};
extern CallLog g_log;
#define EXPECT_CALLS(...) g_log.Check({__VA_ARGS__}, __FILE__, __LINE__)

// Messages the recorders log; others pass silently.
void WatchMessages(std::vector<UINT> msgs);

// A class whose procedure logs "prev <message>": what an object passes on.
extern const char kRecorderClass[];

// Logs "<name> <message>" for watched messages, its post-create, wheel and
// context-menu calls, and "~<name>" when deleted.
class TestWnd : public Wnd {
public:
    explicit TestWnd(const char* name, DWORD flags = 0, const char* className = nullptr);
    ~TestWnd() override;
    void OnPostCreate() override;
    LRESULT WindowProc(UINT msg, MsgParams* params) override;
    const char* ClassInfo(WNDCLASSA* wc) override;
    LRESULT OnContextMenu() override;
    LRESULT OnWheel(int delta) override;

    // A popup (or a child of parent) at 0,0, 200x100.
    HWND Create(HWND parent = nullptr, DWORD style = 0);

    std::string m_name;
    const char* m_className;
    LRESULT m_wheelAnswer = 0;
    UINT m_destroyOnMsg = 0;  // destroys its own window when this arrives
};

// Fixture of the window tests: the library running, the queue empty, the
// log clear; nothing watched afterwards.
class WindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        UseLibrary();
        PumpPending();
        g_log.Clear();
    }
    void TearDown() override { WatchMessages({}); }
};
