// DlgTest.cpp - dialogs: initialisation attaches the object, commands end
// the modal loop, the modeless list takes dialog keys, work windows.
#include <gtest/gtest.h>

#include "WndTestKit.h"
#include "wcls/Dlg.h"
#include "wcls/ModalLoop.h"

namespace {

const char kTemplate[] = "TESTDLG";

class TestDlg : public Dlg {
public:
    TestDlg(const char* name, DWORD flags) : Dlg(flags), m_name(name) {}
    ~TestDlg() override { g_log.Add("~" + m_name); }
    INT_PTR DialogProc(UINT msg, MsgParams* params) override
    {
        if (msg == WM_INITDIALOG) g_log.Add(m_name + (FromHandle(m_hWnd) == this ? " attached" : " alone"));
        return Dlg::DialogProc(msg, params);
    }
    std::string m_name;
};

}  // namespace

TEST(Dlg, CommandsOneToTenEndTheModalLoopWithTheirId)
{
    UseLibrary();
    g_log.Clear();
    TestDlg* dlg = new TestDlg("D", DLG_WORKWND);
    HWND hwnd = dlg->CreateDlg(nullptr, kTemplate, nullptr);
    EXPECT_CALLS("D attached");  // already at its initialisation
    ShowWindow(hwnd, SW_SHOW);
    for (int id : {IDOK, IDCANCEL, 7, 10}) {
        PostMessageA(hwnd, WM_COMMAND, id, 0);
        EXPECT_EQ(id, RunModalLoop(0, hwnd, nullptr));
    }
    for (int id : {11, 1257, 3}) PostMessageA(hwnd, WM_COMMAND, id, 0);  // 1257: no help hook
    EXPECT_EQ(3, RunModalLoop(0, hwnd, nullptr));

    EXPECT_EQ(hwnd, CurrentWorkWnd());  // a work window while attached
    DestroyWnd(dlg);
    EXPECT_CALLS("~D");
    EXPECT_EQ(nullptr, CurrentWorkWnd());
}

TEST(Dlg, ModelessDialogsTakeTheirDialogKeysUntilTheyGo)
{
    UseLibrary();
    g_log.Clear();
    HWND h1 = (new TestDlg("1", DLG_MODELESS))->CreateDlg(nullptr, kTemplate, nullptr);
    HWND h2 = (new TestDlg("2", DLG_MODELESS))->CreateDlg(nullptr, kTemplate, nullptr);
    ShowWindow(h2, SW_SHOW);
    SetForegroundWindow(h2);
    HWND edit1 = GetDlgItem(h2, 100), edit2 = GetDlgItem(h2, 101);
    SetFocus(edit1);

    // Tab moves the focus instead of reaching the edit.
    PostMessageA(edit1, WM_KEYDOWN, VK_TAB, 1);
    RunModalLoop(ML_PEEK, nullptr, nullptr);
    EXPECT_EQ(edit2, GetFocus());

    DestroyWindow(h1);  // the list still reaches the other dialog
    PostMessageA(edit2, WM_KEYDOWN, VK_TAB, 1);
    RunModalLoop(ML_PEEK, nullptr, nullptr);
    EXPECT_NE(edit2, GetFocus());
    EXPECT_TRUE(IsChild(h2, GetFocus()));

    DestroyWindow(h2);
    EXPECT_CALLS("1 attached", "2 attached", "~1", "~2");
    MSG msg = {h2, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_FALSE(Dlg::ModelessPreTranslate(&msg));
}
