// SetupUiTest.cpp - background window and setup dialog driven by messages; the screenshot scenes.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/BoxWatcher.h"
#include "common/ChildProcess.h"
#include "common/TempDir.h"
#include "setup/BackgroundWindow.h"
#include "setup/SetupDlg.h"
#include "setup/SetupTexts.h"
#include "setup/StartupTable.h"
#include "wcls/DoingWnd.h"
#include "wcls/FileOps.h"
#include "wcls/FolderDlg2.h"
#include "wcls/FolderDlg2Res.h"
#include "wcls/LibStartup.h"
#include "wcls/ModalLoop.h"
#include "wcls/SafeCreate.h"
#include "wcls/ServiceWnd.h"

namespace {

const int kEdit = 121, kBrowse = 122, kDesktop = 151;

// The library core, and the service window with its report hooks while a
// test runs (reports wait for the next turn of the loop, as in the program).
class SetupUi : public testing::Test {
protected:
    void SetUp() override
    {
        if (!g_hInstance) {
            ASSERT_TRUE(LibraryStartup(GetModuleHandleA(nullptr), SetupText::kAppTitle));
        }
        ReportHooksStartup(g_hInstance);
    }
    void TearDown() override { ReportHooksShutdown(); }
};

// Runs what is queued (boxes included) through the dialog's loop; the
// loop's result, 0 when the dialog stays.
int Turn(HWND dlg) { return RunModalLoop(ML_PEEK | ML_DIALOGKEYS, dlg, nullptr); }

std::string Replace(std::string s, const std::string& from, const std::string& to)
{
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

// ---- background window ------------------------------------------------------------------

// Each row of a client area 300 pixels wide is one band's colour, column 0
// being clear of the texts: 1,024 rows give four rows per band; 255 rows
// lose band 0 (pure blue) and paint each other band once; one row shows
// only the last band. One brush per band painted and two fonts, all deleted.
TEST_F(SetupUi, BackgroundGradientPaintsEachRowOnceWithItsBand)
{
    const struct {
        int height;
        int rowsPerBand;  // band of row y: y / rowsPerBand + firstBand
        int firstBand;
        int bandsPainted;
    } rows[] = {{1024, 4, 0, 256}, {255, 1, 1, 255}, {1, 1, 255, 1}};
    for (const auto& r : rows) {
        for (int uninstall = 0; uninstall <= 1; ++uninstall) {
            SCOPED_TRACE(testing::Message() << "height " << r.height << " uninstall " << uninstall);
            BITMAPINFO bi = {};
            bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 300, -r.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
            void* bits = nullptr;
            HBITMAP dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(dc, dib);
            GdiCounts before = GetGdiCounts();
            RECT client = {0, 0, 300, r.height};
            PaintBackground(dc, client, uninstall);
            GdiCounts after = GetGdiCounts();
            EXPECT_EQ(r.bandsPainted + 2, after.created - before.created);
            EXPECT_EQ(after.created - before.created, after.deleted - before.deleted);
            GdiFlush();
            const DWORD* px = static_cast<const DWORD*>(bits);
            for (int y = 0; y < r.height; ++y) {
                int i = y / r.rowsPerBand + r.firstBand, j = 255 - i;
                DWORD want = uninstall ? (DWORD)((j / 2 + j / 4) << 16 | (i / 2)) : (DWORD)(i << 16 | i << 8 | 255);
                if ((px[y * 300] & 0xFFFFFF) != want) {
                    ADD_FAILURE() << "row " << y << std::hex << ": " << px[y * 300] << " instead of " << want;
                    break;
                }
            }
            SelectObject(dc, old);
            DeleteDC(dc);
            DeleteObject(dib);
        }
    }
}

TEST_F(SetupUi, BackgroundRefusesTheEndOfTheWindowsSessionEveryTime)
{
    BackgroundWindow* bg = new BackgroundWindow(0);
    HWND hwnd = bg->Create();
    ASSERT_TRUE(hwnd);
    EXPECT_EQ(std::string("Zuntoria Ver.８ のセットアップ"), WindowText(hwnd));
    EXPECT_TRUE(SendMessageA(hwnd, WM_GETICON, ICON_SMALL, 0));
    BoxWatcher boxes;
    for (LPARAM why : {(LPARAM)ENDSESSION_LOGOFF, (LPARAM)0}) EXPECT_EQ(0, SendMessageA(hwnd, WM_QUERYENDSESSION, 0, why));
    ASSERT_EQ(2u, boxes.Boxes().size());
    for (const SeenBox& b : boxes.Boxes()) {
        EXPECT_EQ("セットアップを終了してからウィンドウズを終了してください", b.text);
        EXPECT_EQ(nullptr, b.owner);
    }
    DestroyWnd(bg);
}

// ---- setup dialog ------------------------------------------------------------------------

double s_freeBytes = 1e12;  // below 0: the query fails
std::vector<std::string> s_freeRoots;

int FakeFreeSpace(const String& root, double* freeBytes)
{
    s_freeRoots.push_back(root.CStr());
    if (s_freeBytes < 0) return 0;
    *freeBytes = s_freeBytes;
    return 1;
}

// The dialog over no parent, with the free-space query faked.
struct OpenSetupDlg {
    explicit OpenSetupDlg(const char* desktopFolder = "C:\\users\\Public\\Desktop\\")
    {
        SetupDlg::s_pfnFreeSpace = FakeFreeSpace;
        s_freeRoots.clear();
        options.desktopFolder = String(desktopFolder);
        dlg = new SetupDlg(nullptr, &options);
        hwnd = dlg->HWnd();
    }
    ~OpenSetupDlg()
    {
        DestroyWnd(dlg);
        SetupDlg::s_pfnFreeSpace = FreeSpace;
    }
    SetupOptions options;
    SetupDlg* dlg;
    HWND hwnd;
};

const char kExists[] = "指定のプログラムフォルダ\n\n  %F\n\nは既に存在します.\n\n同名のファイルは上書きされます。よろしいですか？";

std::string BoxText(const std::string& token)
{
    static const std::pair<const char*, const char*> kTexts[] = {
        {"name", "正しいフォルダ名を入力して下さい"},
        {"space", "指定のフォルダは空きが足りなさそうです。セットアップを行いますか？"},
        {"v4", "バージョン４と同じフォルダにはインストールできません"}, {"v5", "バージョン５と同じフォルダにはインストールできません"},
        {"v6", "バージョン６と同じフォルダにはインストールできません"}, {"v7", "バージョン７と同じフォルダにはインストールできません"},
        {"exists", kExists},
        {"final", "セットアップを行います。よろしいですか？"},
        {"cancel", "セットアップを中止しますか？"},
    };
    for (const auto& t : kTexts)
        if (token == t.first) return t.second;
    return token;
}

// Every path through the confirmation: the questions in their order, the
// answers, and what the loop ends with. %T is an existing folder; %F the
// folder text in folder form, as stored on confirmation.
TEST_F(SetupUi, ConfirmationAsksItsQuestionsInOrderAndEndsOnlyWhenAllAreYes)
{
    const double kPlenty = 1e12;
    static const std::string kLong = "%T\\" + std::string(290, 'L');
    const struct {
        const char* text;
        double freeBytes;           // below 0: the query fails
        std::vector<const char*> files;  // made in %T first
        const char* action;         // ok, enter, esc, close
        std::vector<int> answers;
        std::vector<const char*> boxes;
        int end;                    // 0: the dialog stays
        const char* folder;         // %F
        const char* root;           // asked for free space; "" not asked
    } rows[] = {
        // The name: no < > /, and a full path (drive or server and share).
        {"", kPlenty, {}, "ok", {IDOK}, {"name"}, 0, "", ""},
        {"   ", kPlenty, {}, "ok", {IDOK}, {"name"}, 0, "   ", ""},
        {"Apps\\Zunto", kPlenty, {}, "ok", {IDOK}, {"name"}, 0, "", ""},
        {"Zunto", kPlenty, {}, "enter", {IDOK}, {"name"}, 0, "", ""},
        {"C:Zunto", kPlenty, {}, "ok", {IDOK}, {"name"}, 0, "", ""},
        {"C:/Apps/Zunto", kPlenty, {}, "ok", {IDOK}, {"name"}, 0, "", ""},
        {"%T\\<Zunto>", kPlenty, {}, "ok", {IDOK}, {"name"}, 0, "", ""},
        {"\\\\server", kPlenty, {}, "ok", {IDOK}, {"name"}, 0, "", ""},
        {"\\\\server\\", kPlenty, {}, "ok", {IDOK}, {"name"}, 0, "", ""},
        // Free space: the fixed limit, a failing query asks nothing.
        {"%T\\new", 10000000, {}, "ok", {IDYES}, {"final"}, 1, "%T\\new\\", "C:"},
        {"%T\\new", 9999999, {}, "ok", {IDNO}, {"space"}, 0, "", "C:"},
        {"%T\\new", 9999999, {}, "ok", {IDYES, IDYES}, {"space", "final"}, 1, "%T\\new\\", "C:"},
        {"%T\\new", -1, {}, "ok", {IDYES}, {"final"}, 1, "%T\\new\\", "C:"},
        // Earlier versions, after the free space, the first one found.
        {"%T", kPlenty, {"ZUNTO4.EXE", "ZUNTO7.EXE"}, "ok", {IDOK}, {"v4"}, 0, "", "C:"},
        {"%T", kPlenty, {"ZUNTO5.EXE", "MAIN\\ZUNTO6.EXE"}, "ok", {IDOK}, {"v5"}, 0, "", "C:"},
        {"%T", kPlenty, {"MAIN\\ZUNTO6.EXE"}, "ok", {IDOK}, {"v6"}, 0, "", "C:"},
        {"%T\\", 9999999, {"ZUNTO7.EXE"}, "ok", {IDYES, IDOK}, {"space", "v7"}, 0, "", "C:"},
        // An existing folder, shown in folder form.
        {"%T", kPlenty, {}, "ok", {IDNO}, {"exists"}, 0, "%T\\", "C:"},
        {"%T", kPlenty, {}, "ok", {IDYES, IDNO}, {"exists", "final"}, 0, "%T\\", "C:"},
        {"%T\\表", kPlenty, {"表\\A.TXT"}, "ok", {IDYES, IDYES}, {"exists", "final"}, 1, "%T\\表\\", "C:"},
        // A wildcard, or a name longer than a path may be: the folder query
        // reports it and the user stays in the dialog.
        {"%T\\a*b", kPlenty, {}, "ok", {IDOK}, {"%T\\a*b\n\nファイル名に*や?の文字は使用できません"}, 0, "", "C:"},
        {kLong.c_str(), kPlenty, {}, "ok", {IDOK}, {"フォルダ %T\\LLLL..."}, 0, "", "C:"},
        // A share whose free space cannot be asked.
        {"\\\\nohost\\share\\Zunto", -1, {}, "ok", {IDYES}, {"final"}, 1, "\\\\nohost\\share\\Zunto\\",
         "\\\\nohost\\share\\"},
        // Enter confirms; Esc and the close box ask to cancel.
        {"%T\\new", kPlenty, {}, "enter", {IDYES}, {"final"}, 1, "%T\\new\\", "C:"},
        {"%T\\new", kPlenty, {}, "ok", {IDNO}, {"final"}, 0, "", "C:"},
        {"%T\\new", kPlenty, {}, "esc", {IDNO}, {"cancel"}, 0, "", ""},
        {"%T\\new", kPlenty, {}, "close", {IDYES}, {"cancel"}, 2, "", ""},
    };
    for (const auto& r : rows) {
        TempDir dir;
        std::string text = Replace(r.text, "%T", dir.Path());
        std::string folder = Replace(r.folder, "%T", dir.Path());
        SCOPED_TRACE(testing::Message() << "text \"" << text << "\" " << r.action);
        for (std::string name : r.files) {
            CreateDirectoryA(dir.File(name.substr(0, name.rfind('\\') + 1)).c_str(), nullptr);
            ASSERT_TRUE(WriteFileBytes(dir.File(name), "x"));
        }
        s_freeBytes = r.freeBytes;
        OpenSetupDlg open;
        HWND edit = GetDlgItem(open.hwnd, kEdit);
        SetWindowTextA(edit, text.c_str());
        BoxWatcher boxes(r.answers, IDOK);

        std::string action = r.action;
        if (action == "ok") PostMessageA(open.hwnd, WM_COMMAND, IDOK, 0);
        if (action == "close") PostMessageA(open.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (action == "enter" || action == "esc") {
            SetFocus(edit);
            PostMessageA(edit, WM_KEYDOWN, action == "enter" ? VK_RETURN : VK_ESCAPE, 1);
        }
        EXPECT_EQ(r.end, Turn(open.hwnd));

        std::vector<SeenBox> seen = boxes.Boxes();
        ASSERT_EQ(r.boxes.size(), seen.size());
        for (size_t i = 0; i < seen.size(); ++i) {
            std::string want = Replace(Replace(BoxText(r.boxes[i]), "%F", folder), "%T", dir.Path());
            if (want.size() > 3 && want.compare(want.size() - 3, 3, "...") == 0) {
                want.resize(want.size() - 3);  // the start of a long text
                seen[i].text.resize(std::min(want.size(), seen[i].text.size()));
            }
            EXPECT_EQ(want, seen[i].text) << "box " << i;
            EXPECT_EQ(open.hwnd, seen[i].owner) << "box " << i;
            EXPECT_EQ(SetupText::kAppTitle, seen[i].title) << "box " << i;
        }
        EXPECT_EQ(std::vector<std::string>(*r.root ? 1 : 0, r.root), s_freeRoots);
        if (r.end == 1) {
            EXPECT_EQ(folder, open.options.folder.CStr());
        } else {
            EXPECT_EQ(text, WindowText(edit));  // the text stays as typed
        }
        if (std::string(r.boxes[0]) == "name") {
            EXPECT_EQ(edit, GetFocus());
        }
        EXPECT_FALSE(Exists(dir.File("new")));  // nothing is made on disk
    }
}

TEST_F(SetupUi, DesktopIconGoesOffAlwaysAndOnOnlyWithADesktopFolder)
{
    TempDir dir;
    s_freeBytes = 1e12;
    OpenSetupDlg open("");
    HWND box = GetDlgItem(open.hwnd, kDesktop);
    EXPECT_FALSE(IsWindowVisible(box));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(open.hwnd, kDesktop));

    BoxWatcher boxes({IDOK, IDYES});
    PostMessageA(open.hwnd, WM_COMMAND, kDesktop, 0);
    PostMessageA(open.hwnd, WM_COMMAND, kDesktop, 0);
    EXPECT_EQ(0, Turn(open.hwnd));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(open.hwnd, kDesktop));
    EXPECT_EQ(GetDlgItem(open.hwnd, IDOK), GetFocus());
    SetDlgItemTextA(open.hwnd, kEdit, dir.File("new").c_str());
    PostMessageA(open.hwnd, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(1, Turn(open.hwnd));
    ASSERT_EQ(2u, boxes.Boxes().size());
    EXPECT_EQ("デスクトップフォルダを検出できません", boxes.Boxes()[0].text);
    EXPECT_EQ(0, open.options.desktopIcon);

    open.options.desktopFolder = String("C:\\users\\Public\\Desktop\\");
    PostMessageA(open.hwnd, WM_COMMAND, kDesktop, 0);
    Turn(open.hwnd);
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(open.hwnd, kDesktop));
}

int s_browseAnswer;         // the button the folder dialog is to get
std::string s_browseShown;  // its path field when it came up

void CALLBACK AnswerFolderDlg(HWND, UINT, UINT_PTR, DWORD)
{
    HWND fd = FindWindowA("#32770", "プログラムフォルダを選択してください");
    if (!fd || !s_browseAnswer) return;
    s_browseShown = WindowText(GetDlgItem(fd, IDC_FOLDER_PATH));
    if (s_browseAnswer == IDCANCEL) {  // Esc in the path field cancels
        PostMessageA(GetDlgItem(fd, IDC_FOLDER_PATH), WM_KEYDOWN, VK_ESCAPE, 1);
    } else {
        SetFocus(GetDlgItem(fd, IDOK));  // OK with the focus off the path field accepts
        PostMessageA(fd, WM_COMMAND, s_browseAnswer, 0);
    }
    s_browseAnswer = 0;
}

TEST_F(SetupUi, BrowseStartsAtTheNearestFolderAndTakesTheChoiceUnlessCancelled)
{
    TempDir dir;
    OpenSetupDlg open;
    HWND edit = GetDlgItem(open.hwnd, kEdit);
    std::string typed = dir.File("new\\deeper");
    SetWindowTextA(edit, typed.c_str());
    UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerFolderDlg);
    for (int answer : {IDCANCEL, IDOK}) {
        s_browseAnswer = answer;
        PostMessageA(open.hwnd, WM_COMMAND, kBrowse, 0);
        EXPECT_EQ(0, Turn(open.hwnd));
        EXPECT_EQ(dir.Path(), s_browseShown);
        EXPECT_EQ(answer == IDOK ? dir.Path() : typed, WindowText(edit));
        EXPECT_TRUE(IsWindowEnabled(open.hwnd));  // the owner given back
    }
    KillTimer(nullptr, timer);
    EXPECT_EQ(GetDlgItem(open.hwnd, IDOK), GetFocus());
}

// Resources of a library are not linked by themselves: the program must
// carry the folder dialog's template, with its texts, and its own icon (the
// end-to-end runs read the setup dialog's).
TEST(SetupExe, CarriesTheFolderDialogTemplateAndTheIcon)
{
    HMODULE exe = LoadLibraryExA(SETUP_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(exe);
    HRSRC r = FindResourceA(exe, "SelectFolderDlg", RT_DIALOG);
    ASSERT_TRUE(r);
    std::string bytes(static_cast<const char*>(LockResource(LoadResource(exe, r))), SizeofResource(exe, r));
    EXPECT_NE(std::string::npos, bytes.find(std::string(reinterpret_cast<const char*>(L"ﾍﾙﾌﾟ"), 8)));
    EXPECT_TRUE(FindResourceA(exe, MAKEINTRESOURCEA(101), RT_GROUP_ICON));
    FreeLibrary(exe);
}

// ---- screenshots ---------------------------------------------------------------------

// The scene SHOT_SCENE (install, uninstall, setupdlg, folderdlg, doingwnd) on the
// screen until the file SHOT_STOP appears; SHOT_READY is made once it is up.
CHILD_SCENARIO(SetupUiScreenshot)
{
    RunStartupSteps(GetModuleHandleA(nullptr));
    std::string scene = ChildParam("SHOT_SCENE");
    BackgroundWindow* bg = new BackgroundWindow(scene == "uninstall");
    HWND hbg = bg->Create();
    ShowWindow(hbg, SW_SHOWMAXIMIZED);
    UpdateWindow(hbg);
    SetupOptions options;
    options.folder = String("C:\\Program Files\\TarvoNomiraZunto8");
    if (scene == "setupdlg" || scene == "folderdlg") {
        EnableWindow(hbg, FALSE);
        SetupDlg* dlg = new SetupDlg(hbg, &options);
        if (scene == "folderdlg") {
            FolderDlg2* fd = new FolderDlg2(0);
            fd->Create(dlg->HWnd(), options.folder, SetupText::kSelectProgramFolder, 0);
            EnableWindow(dlg->HWnd(), FALSE);
        }
    }
    if (scene == "doingwnd") {  // the copy phase's progress window over the background
        DoingWnd* w = new DoingWnd(SetupText::kProgressTitle, -1, -1, 40 * g_cxChar, g_cyChar, hbg, DW_CANCELBTN | DW_NOBAR | DW_SHOW);
        w->SetMessage(String("コピー中：ZUNTO8.EXE"));
    }
    std::string ready = ChildParam("SHOT_READY"), stop = ChildParam("SHOT_STOP");
    for (DWORD start = GetTickCount(); GetTickCount() - start < 60000 && !Exists(stop); Sleep(50)) {
        RunModalLoop(ML_PEEK, nullptr, nullptr);
        if (GetTickCount() - start > 1000 && !Exists(ready)) WriteFileBytes(ready, "");
    }
    DestroyWnd(bg);
}

}  // namespace
