// WndTestKit.h - shared pieces of the window tests: library, pump, call log, recording window.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "wcls/Wnd.h"

void UseLibrary();  // LibraryStartup once per test process; the error thread running
int PumpPending();  // dispatches what is queued; returns how many

// What the recording objects and procedures saw, in order.
class CallLog {
public:
    void Add(const std::string& entry) { m_entries.push_back(entry); }
    void Clear() { m_entries.clear(); }
    int Count(const std::string& entry) const { return (int)std::count(m_entries.begin(), m_entries.end(), entry); }
    std::vector<std::string> Take() { return std::move(m_entries); }  // and clear

private:
    std::vector<std::string> m_entries;
};
extern CallLog g_log;
#define EXPECT_CALLS(...) EXPECT_EQ(std::vector<std::string>({__VA_ARGS__}), g_log.Take())

// Messages the recorders log, by name ("WM_USER+1"); others pass silently.
void WatchMessages(std::vector<UINT> msgs);

// A class whose procedure logs "prev <message>": what an object passes on.
extern const char kRecorderClass[];

// Logs "<name> <message>" for watched messages, its post-create, and
// "~<name>" when deleted.
class TestWnd : public Wnd {
public:
    explicit TestWnd(const char* name, DWORD flags = 0, const char* className = nullptr);
    ~TestWnd() override { g_log.Add("~" + m_name); }
    void OnPostCreate() override;
    LRESULT WindowProc(UINT msg, MsgParams* params) override;
    const char* ClassInfo(WNDCLASSA* wc) override;
    // A popup (or a child of parent) at 0,0, 200x100.
    HWND Create(HWND parent = nullptr, DWORD style = 0);

    std::string m_name;
    const char* m_className;
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
