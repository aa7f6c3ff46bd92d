// FolderDlgTest.cpp - the folder selection dialog driven by messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "WndTestKit.h"
#include "common/BoxWatcher.h"
#include "common/TempDir.h"
#include "wcls/FolderDlg2.h"
#include "wcls/FolderDlg2Res.h"
#include "wcls/ModalLoop.h"
#include "wcls/ServiceWnd.h"

namespace {

class FolderDlgTest : public WindowTest {  // with the service window: the deferred wait cursor needs it
protected:
    void SetUp() override { WindowTest::SetUp(); StartService(); }
    void TearDown() override { StopService(); WindowTest::TearDown(); }
};

// The names of one kind of entries, sorted (the search gives no order).
std::string Names(FileListBox2* list, int kind)
{
    std::vector<std::string> names;
    for (int i = 0; i < list->ItemCount(); ++i)
        if (list->List()->At(i)->m_nKind == kind) names.push_back(list->List()->At(i)->m_strName.CStr());
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const auto& n : names) joined += (joined.empty() ? "" : "|") + n;
    return joined;
}

// Clicks the entry of that name or path.
void ClickEntry(FileListBox2* list, const char* name)
{
    for (int i = 0; i < list->ItemCount(); ++i) {
        FileData* d = list->List()->At(i);
        if (strcmp(d->m_strName.CStr(), name) != 0 && strcmp(d->m_strPath.CStr(), name) != 0) continue;
        list->SetCurSel(i);  // scrolled into view
        LPARAM at = MAKELPARAM(4, (i - list->TopIndex()) * list->ItemHeight() + 2);
        SendMessageA(list->HWnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(list->HWnd(), WM_LBUTTONUP, 0, at);
        return;
    }
    ADD_FAILURE() << "no entry " << name;
}

// Focuses a control; another test program running at the same time may
// hold the foreground for a moment, which makes SetFocus fail.
void Focus(HWND dlg, HWND control)
{
    for (int i = 0; i < 100 && GetFocus() != control; ++i) {
        SetForegroundWindow(dlg);
        SetFocus(control);
        if (GetFocus() != control) Sleep(20);
    }
    ASSERT_EQ(control, GetFocus());
}

}  // namespace

TEST_F(FolderDlgTest, WalksByKeysClicksAndTypedPathsAndAcceptsWithOkElsewhere)
{
    TempDir dir;
    for (const char* f : {"a", "a\\b", "表"}) CreateDirectoryA(dir.File(f).c_str(), nullptr);
    for (const char* f : {"f.txt", "sys.txt", "a\\in-a.txt"}) WriteFileBytes(dir.File(f), "x");
    SetFileAttributesA(dir.File("sys.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
    // A drive that leads nowhere, like one without a medium.
    struct DeadDrive {
        DeadDrive() { DefineDosDeviceA(0, "Q:", "C:\\no-medium-here"); }
        ~DeadDrive() { DefineDosDeviceA(DDD_REMOVE_DEFINITION, "Q:", nullptr); }
    } dead;
    BoxWatcher boxes;

    FolderDlg2* dlg = new FolderDlg2(0);
    HWND hwnd = dlg->Create(nullptr, String(dir.File("a\\missing\\deeper").c_str()), nullptr, 0);
    FileListBox2* left = dlg->Folders();
    FileListBox2* right = dlg->Files();
    HWND path = dlg->PathField();
    // Opened at the nearest existing folder, the path field focused.
    EXPECT_EQ(dir.File("a"), WindowText(path));
    EXPECT_EQ(path, GetFocus());
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(hwnd, IDC_FOLDER_HELP)));
    std::string shape;  // the kinds in order, each run once: chain, folders, separator, drives, special
    for (int i = 0, last = -1; i < left->ItemCount(); last = left->List()->At(i++)->m_nKind)
        if (left->List()->At(i)->m_nKind != last) shape += " " + std::to_string(left->List()->At(i)->m_nKind);
    EXPECT_EQ(" 3 17 32 5 9", shape);
    EXPECT_EQ("b", Names(left, FDK_FOLDER));
    EXPECT_EQ("in-a.txt", Names(right, FDK_FILE));
    EXPECT_EQ(left->List()->CurrentIndex(), left->CurSel());

    // Up selects the parent (shown in the path field), the space bar opens it.
    SendMessageA(left->HWnd(), WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(dir.Path(), WindowText(path));
    SendMessageA(left->HWnd(), WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ("a|表", Names(left, FDK_FOLDER));
    EXPECT_EQ("f.txt", Names(right, FDK_FILE));  // no system file

    // A single click opens; clicks in the file list do nothing.
    ClickEntry(left, "a");
    EXPECT_EQ(dir.File("a"), WindowText(path));
    ClickEntry(right, "in-a.txt");
    EXPECT_EQ(dir.File("a"), WindowText(path));

    // Enter in the path field goes to the typed folder and stays.
    SetWindowTextA(path, dir.File("表").c_str());
    Focus(hwnd, path);
    PostMessageA(path, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(0, RunModalLoop(ML_PEEK | ML_DIALOGKEYS, hwnd, nullptr));
    EXPECT_EQ(dir.File("表"), left->List()->Path().CStr());
    EXPECT_EQ(left->HWnd(), GetFocus());

    // A folder that cannot be read is reported; the dialog stays as it was.
    SetWindowTextA(path, dir.File("nothing").c_str());
    Focus(hwnd, path);
    SendMessageA(hwnd, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(ModalLoopEnding());
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_NE(std::string::npos, boxes.Boxes()[0].text.find("フォルダ " + dir.File("nothing") + "を読み取りできません"));
    EXPECT_EQ(dir.File("表"), left->List()->Path().CStr());

    // Opening the dead drive reports; the dialog stays.
    ClickEntry(left, "Q:\\");
    EXPECT_FALSE(ModalLoopEnding());
    ASSERT_EQ(2u, boxes.Boxes().size());
    EXPECT_NE(std::string::npos, boxes.Boxes()[1].text.find("フォルダ Q:\\を読み取りできません"));

    // OK elsewhere takes the text as it is, existing or not.
    SetWindowTextA(path, dir.File("nothing").c_str());
    Focus(hwnd, left->HWnd());
    SendMessageA(hwnd, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(1, RunModalLoop(ML_PEEK, hwnd, nullptr));
    EXPECT_EQ(dir.File("nothing"), dlg->Result().CStr());
    DestroyWnd(dlg);
}

TEST_F(FolderDlgTest, MustExistRefusesAMissingFolderAndBlankTextDoesNothing)
{
    TempDir dir;
    BoxWatcher boxes;
    FolderDlg2* dlg = new FolderDlg2(FD_MUSTEXIST);
    HWND hwnd = dlg->Create(nullptr, String(dir.Path().c_str()), "題", 7);
    EXPECT_EQ("題", WindowText(hwnd));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(hwnd, IDC_FOLDER_HELP)));
    Focus(hwnd, GetDlgItem(hwnd, IDOK));
    for (std::string text : {std::string("  "), dir.File("nothing"), dir.Path()}) {
        SetWindowTextA(dlg->PathField(), text.c_str());
        SendMessageA(hwnd, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(text == dir.Path(), ModalLoopEnding()) << text;
    }
    EXPECT_EQ(1, RunModalLoop(ML_PEEK, hwnd, nullptr));
    EXPECT_EQ(dir.Path(), dlg->Result().CStr());
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_NE(std::string::npos, boxes.Boxes()[0].text.find("フォルダが見つかりません"));
    DestroyWnd(dlg);
}
