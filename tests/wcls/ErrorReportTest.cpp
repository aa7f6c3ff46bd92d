// ErrorReportTest.cpp - boxes, report texts, error contexts, the resource-failure box, fatal ends.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/BoxWatcher.h"
#include "common/ChildProcess.h"
#include "wcls/Data.h"
#include "wcls/ErrorReport.h"
#include "wcls/Memory.h"

namespace {

const char kTitle[] = "Zuntoria Ver.８ セットアップ";

class ErrorReportTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SetDefaultTitle(kTitle);
        ASSERT_TRUE(StartErrorThread());
    }
    static void TearDownTestSuite() { StopErrorThread(); }
};

}  // namespace

TEST_F(ErrorReportTest, ReportsComposeTheirTextsOnTheErrorThread)
{
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof(cwd), cwd);
    const struct {
        std::function<void()> report;
        std::string shown;
    } cases[] = {
        {[] { ReportError(ERR_WRITE, "書き込みに失敗", "C:\\表\\A.ENV", 0); }, "書き込みに失敗\n\nC:\\表\\A.ENV"},
        {[] { ReportError(ERR_WRITE, "text only", "   ", 0); }, "text only"},  // blanks count as empty
        {[] { ReportError(ERR_WRITE, nullptr, "detail only", 0); }, "detail only"},
        {[] { ReportKind(ERR_OPENFILE, "A.ENV"); }, "オープンできません\n\nA.ENV"},
        {[] { g_lLastFileError = 2; ReportKind(ERR_OPEN, "A.ENV"); g_lLastFileError = 0; },
         "ファイルまたはディレクトリが見つかりません\n\nA.ENV"},
        {[] { ReportMessage("メッセージ", nullptr); }, "メッセージ"},
        {[] { ReportSystemError(21, ERR_READ, String("Q:\\d\\A.ENV"), String("読めません")); },
         "ドライブ Q: の準備ができていません.\n\n読めません"},
        {[] { ReportSystemError(ERR_READ, String("\\\\server\\share\\x"), String("x"), 21); },
         "ドライブ \\\\server\\share の準備ができていません.\n\nx"},
        {[] { ReportSystemError(21, ERR_READ, String("relative.txt"), String("r")); },
         "ドライブ " + std::string(cwd, 2) + " の準備ができていません.\n\nr"},
        {[] { ReportSystemError(112, ERR_WRITE, String("C:\\a"), String("書けません")); },
         "ディスク上に十分な容量がありません。\n\n書けません"},
        {[] { ReportSystemCode(ERR_SYSTEM, 987654, "レジストリ", 0); }, "不明なエラー(番号：987654)\n\nレジストリ"},
    };
    const struct {  // COM results: own texts, the facility's, or the Windows code's
        DWORD hr;
        const char* text;
    } com[] = {{0x80004005, "不明なＣＯＭエラー E_FAIL"}, {0x80040154, "COMｴﾗｰ HRESULT:80040154 FACILITY_ITF"},
               {0x80070020, "ほかのプロセスがファイルを使用しているため､ プロセスはそのファイルにアクセスできません。"},
               {0x80030002, "パスまたはファイルが見つかりません。"}, {0x80030102, "COMｴﾗｰ HRESULT:80030102 FACILITY_STORAGE"},
               {0x800A0001, "COMｴﾗｰ HRESULT:800A0001"}, {0x80001234, "COMｴﾗｰ FACILITY_NULL HRESULT:80001234"}};
    BoxWatcher boxes;
    for (const auto& c : cases) c.report();
    for (const auto& c : com) ReportComError((HRESULT)c.hr, "ショートカット");
    const size_t n = sizeof(cases) / sizeof(cases[0]), total = n + sizeof(com) / sizeof(com[0]);
    ASSERT_TRUE(boxes.WaitFor(total));
    std::vector<SeenBox> seen = boxes.Boxes();
    for (size_t i = 0; i < total; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(i < n ? cases[i].shown : std::string(com[i - n].text) + "\n\nショートカット", seen[i].text);
        EXPECT_EQ(kTitle, seen[i].title);
        EXPECT_NE(GetCurrentThreadId(), seen[i].threadId);  // the error thread's
    }
}

TEST_F(ErrorReportTest, ContextsHoldDropAndPassReportsDown)
{
    BoxWatcher boxes;
    {
        QuietSection quiet;  // swallows its first report and drops the rest
        ReportMessage("first", "held");
        ReportMessage("second", "dropped");
    }
    ErrorContext outer, inner;
    PushErrorContext(&outer);
    PushErrorContext(&inner);
    ReportMessage("inner", "passed down");
    PopErrorContext();  // moves into outer, which holds it
    ReportMessage("outer", "dropped: one is held");
    PopErrorContext();  // the bottom context shows what it receives
    ASSERT_TRUE(boxes.WaitFor(1));
    Sleep(200);
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ("inner\n\npassed down", boxes.Boxes()[0].text);

    ErrorContext held;  // a text is cut at a character boundary: 表 would leave its lead byte at 339
    PushErrorContext(&held);
    ReportMessage((std::string(338, 'a') + "表").c_str(), "");
    EXPECT_EQ(338u, strlen(held.text));
    DiscardPendingError();
    PopErrorContext();
}

TEST_F(ErrorReportTest, ShowMessageOwnerRules)
{
    BoxWatcher boxes({IDOK, IDYES, IDNO, IDOK, IDOK});
    auto make = [](DWORD style, HWND parent) {
        return CreateWindowExA(0, "Static", "owner", style, 10, 10, 200, 100, parent, nullptr, nullptr, nullptr);
    };
    HWND visible = make(WS_POPUP | WS_VISIBLE, nullptr), hidden = make(WS_POPUP, nullptr);
    HWND child = make(WS_CHILD | WS_VISIBLE, visible);
    EXPECT_EQ(IDOK, ShowMessage(visible, "owned", "タイトル", MB_OK));
    EXPECT_EQ(IDYES, ShowMessage(child, "by the top-level window", nullptr, MB_YESNO));
    EXPECT_EQ(IDNO, ShowMessage(hidden, "hidden owner dropped", nullptr, MB_YESNO));
    EXPECT_EQ(IDOK, ShowMessage(visible, "system modal", nullptr, MB_OK | MB_SYSTEMMODAL));
    EXPECT_EQ(IDOK, ShowMessage(visible, "task modal", nullptr, MB_OK | MB_TASKMODAL));
    std::vector<SeenBox> seen = boxes.Boxes();
    ASSERT_EQ(5u, seen.size());
    EXPECT_EQ("タイトル", seen[0].title);
    EXPECT_EQ(kTitle, seen[1].title);
    const HWND owners[] = {visible, visible, nullptr, nullptr, nullptr};
    for (int i : {0, 1, 2, 4}) EXPECT_EQ(owners[i], seen[i].owner) << i;
    // (Wine makes no task-modal box top-most, so only the dropped owner shows.)
    EXPECT_EQ(GetCurrentThreadId(), seen[2].threadId);
    EXPECT_NE(GetCurrentThreadId(), seen[3].threadId);  // system-modal: on the error thread
    EXPECT_EQ(0u, g_dwMsgBoxState & MBS_OPEN);
    DestroyWindow(visible);
    DestroyWindow(hidden);
}

TEST(SystemErrorText, FormatsCutsAndNumbers)
{
    char buf[256];
    const struct {
        long code;
        int size;
        const char *text, *whole;  // as written, and in full (the size returned)
    } cases[] = {{5, 256, "アクセスは拒否されました。(番号：5)", nullptr},
                 {-3, 256, "圧縮後のファイル形式が壊れています。(番号：-3)", nullptr},
                 {-9, 256, "不明なエラー(番号：-9)", nullptr},
                 {5, 4, "ア", "アクセスは拒否されました。(番号：5)"},  // never half a double-byte character
                 {77777, 1, "", "不明なエラー(番号：77777)"}};           // only the NUL
    for (const auto& c : cases) {
        EXPECT_EQ((int)strlen(c.whole ? c.whole : c.text) + 1, FormatSystemError(c.code, buf, c.size, true));
        EXPECT_STREQ(c.text, buf);
    }
    EXPECT_STREQ("ディスクがいっぱいです。", SystemErrorText(39).CStr());
}

CHILD_SCENARIO(OutOfMemoryReport)
{
    SetDefaultTitle(kTitle);
    StartErrorThread();
    MemFailFrom(3);  // its report must not allocate again
    String a("a"), b("b"), c("c");
    ExitProcess(3);  // not reached
}

CHILD_SCENARIO(FailedAssertion)
{
    MemFailFrom(1);  // composed without allocating
    AssertFailed("wcls/fenv2", 123, "p<=m_buff+m_sizeData");
}

CHILD_SCENARIO(ResourceFailure)
{
    SetDefaultTitle(kTitle);
    StartErrorThread();
    ExitProcess(ResourceFailureBox(8, "ウィンドウを作成できません") == IDRETRY ? 40 : 41);
}

TEST(FatalPaths, FatalKindsEndWithCode255AfterTheirBoxAndResourceFailuresMayRetry)
{
    // (A fatal report ends the same way: the DocPath test of the file list.)
    ChildResult r = RunChildScenario("OutOfMemoryReport");
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(255u, r.exitCode);
    ASSERT_EQ(1u, r.boxes.size());
    EXPECT_EQ("メモリが足りません", r.boxes[0].text);
    EXPECT_EQ(kTitle, r.boxes[0].title);
    ChildResult assertion = RunChildScenario("FailedAssertion");
    EXPECT_EQ(255u, assertion.exitCode);
    ASSERT_EQ(1u, assertion.boxes.size());
    EXPECT_EQ("内部エラーが発生しました。ソフトウェアの製造元にお問い合わせになってください。\r\n"
              "wcls/fenv2 123\r\np<=m_buff+m_sizeData",
              assertion.boxes[0].text);
    // The resource-failure box: Ignore only asks again; Abort ends.
    ChildResult retry = RunChildScenario("ResourceFailure", {IDIGNORE, IDRETRY});
    EXPECT_EQ(40u, retry.exitCode);
    ASSERT_EQ(2u, retry.boxes.size());
    EXPECT_EQ(retry.boxes[0].text, retry.boxes[1].text);
    EXPECT_EQ(0u, retry.boxes[0].text.find("重大なエラー：十分なメモリがありません。(番号：8)\n\nウィンドウを作成できません\n\n"
                                           "他のアプリケーションを終了して「再試行」を選択"))
        << retry.boxes[0].text;
    EXPECT_TRUE(retry.boxes[0].exStyle & WS_EX_TOPMOST);
    ChildResult abort = RunChildScenario("ResourceFailure", {IDABORT});
    EXPECT_EQ(255u, abort.exitCode);
    EXPECT_EQ(1u, abort.boxes.size());
}
