// ErrorReportTest.cpp - message boxes, report compositions, error contexts,
// COM texts, the resource-failure box and the fatal ends.
#include <gtest/gtest.h>

#include <string>

#include "common/BoxWatcher.h"
#include "common/ChildProcess.h"
#include "common/TempDir.h"
#include "wcls/Data.h"
#include "wcls/ErrorReport.h"
#include "wcls/LogFile.h"
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

std::string ClassOf(HWND h)
{
    char cls[64] = {};
    if (h) GetClassNameA(h, cls, sizeof(cls));
    return cls;
}

HWND MakeWindow(DWORD style, HWND parent = nullptr)
{
    return CreateWindowExA(0, "Static", "owner", style, 10, 10, 200, 100, parent, nullptr, nullptr, nullptr);
}

}  // namespace

TEST_F(ErrorReportTest, ReportsComposeTextAndDetail)
{
    BoxWatcher boxes;
    struct Case {
        const char* text;
        const char* detail;
        const char* shown;
    } cases[] = {
        {"書き込みに失敗", "C:\\表\\A.ENV", "書き込みに失敗\n\nC:\\表\\A.ENV"},
        {"text only", "", "text only"},
        {"text only", "   ", "text only"},  // a detail of blanks counts as empty
        {"", "detail only", "detail only"},
        {nullptr, "detail only", "detail only"},
    };
    for (const Case& c : cases) ReportError(ERR_WRITE, c.text, c.detail, 0);
    ReportKind(ERR_OPENFILE, "A.ENV");
    ReportMessage("メッセージ", nullptr);
    ASSERT_TRUE(boxes.WaitFor(7));
    std::vector<SeenBox> seen = boxes.Boxes();
    for (size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(cases[i].shown, seen[i].text);
        EXPECT_EQ(kTitle, seen[i].title);
        // Reports always go through the error thread, top-most.
        EXPECT_EQ("ThreadMsgBox", ClassOf(seen[i].owner));
        EXPECT_NE(GetCurrentThreadId(), seen[i].threadId);
    }
    EXPECT_EQ("オープンできません\n\nA.ENV", seen[5].text);
    EXPECT_EQ("メッセージ", seen[6].text);
}

TEST_F(ErrorReportTest, SystemTextsNameTheDriveAndUnknownCodes)
{
    BoxWatcher boxes;
    ReportSystemError(21, ERR_READ, String("Q:\\data\\A.ENV"), String("A.ENV を読めません"));
    ReportSystemError(ERR_READ, String("\\\\server\\share\\x"), String("x"), 21);
    ReportSystemError(21, ERR_READ, String("relative.txt"), String("r"));
    ReportSystemError(ERR_WRITE, String("C:\\a"), String("C:\\a に書き込みできません"), 112);
    ReportSystemCode(ERR_SYSTEM, 987654, "レジストリ読み取りエラー", 0);
    ASSERT_TRUE(boxes.WaitFor(5));
    std::vector<SeenBox> seen = boxes.Boxes();
    EXPECT_EQ("ドライブ Q: の準備ができていません.\n\nA.ENV を読めません", seen[0].text);
    EXPECT_EQ("ドライブ \\\\server\\share の準備ができていません.\n\nx", seen[1].text);
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof(cwd), cwd);
    EXPECT_EQ(std::string("ドライブ ") + std::string(cwd, 2) + " の準備ができていません.\n\nr", seen[2].text);
    EXPECT_EQ("ディスク上に十分な容量がありません。\n\nC:\\a に書き込みできません", seen[3].text);
    EXPECT_EQ("不明なエラー(番号：987654)\n\nレジストリ読み取りエラー", seen[4].text);
}

TEST_F(ErrorReportTest, ComErrorsByCodeAndFacility)
{
    BoxWatcher boxes;
    const HRESULT codes[] = {
        (HRESULT)0x80004005, (HRESULT)0x80070005, (HRESULT)0x80040154, (HRESULT)0x80070020,
        (HRESULT)0x80030002, (HRESULT)0x80030102, (HRESULT)0x800A0001, (HRESULT)0x80010105,
        (HRESULT)0x80001234, (HRESULT)0x8009000B, (HRESULT)0x80080005,
    };
    for (HRESULT hr : codes) ReportComError(hr, "ショートカット");
    ASSERT_TRUE(boxes.WaitFor(11));
    const char* expected[] = {
        "不明なＣＯＭエラー E_FAIL",
        "アクセス権がありません",
        "COMｴﾗｰ HRESULT:80040154 FACILITY_ITF",
        "ほかのプロセスがファイルを使用しているため､ プロセスはそのファイルにアクセスできません。",
        "パスまたはファイルが見つかりません。",
        "COMｴﾗｰ HRESULT:80030102 FACILITY_STORAGE",
        "COMｴﾗｰ HRESULT:800A0001",
        "COMｴﾗｰ HRESULT:80010105 FACILITY_RPC",
        "COMｴﾗｰ FACILITY_NULL HRESULT:80001234",
        "COMｴﾗｰ HRESULT:8009000B",
        "COMｴﾗｰ HRESULT:80080005 FACILITY_WINDOWS",
    };
    std::vector<SeenBox> seen = boxes.Boxes();
    for (size_t i = 0; i < 11; ++i) EXPECT_EQ(std::string(expected[i]) + "\n\nショートカット", seen[i].text) << i;
}

TEST_F(ErrorReportTest, ContextsHoldDropAndPassReportsDown)
{
    BoxWatcher boxes;
    {
        // A quiet section swallows its first report and drops the rest.
        QuietSection quiet;
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
    std::vector<SeenBox> seen = boxes.Boxes();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("inner\n\npassed down", seen[0].text);

    // Long texts are cut at a character boundary.
    std::string longText(338, 'a');
    longText += "表";  // bytes 338-339: would leave a lone lead byte at 339
    ErrorContext held;
    PushErrorContext(&held);
    ReportMessage(longText.c_str(), "");
    EXPECT_EQ(338u, strlen(held.text));
    DiscardPendingError();
    PopErrorContext();
}

TEST_F(ErrorReportTest, ShowMessageOwnerRules)
{
    BoxWatcher boxes({IDOK, IDYES, IDNO, IDOK, IDOK});
    HWND visible = MakeWindow(WS_POPUP | WS_VISIBLE);
    HWND hidden = MakeWindow(WS_POPUP);
    HWND child = MakeWindow(WS_CHILD | WS_VISIBLE, visible);

    EXPECT_EQ(IDOK, ShowMessage(visible, "owned", "タイトル", MB_OK));
    EXPECT_EQ(IDYES, ShowMessage(child, "by the top-level window", nullptr, MB_YESNO));
    EXPECT_EQ(IDNO, ShowMessage(hidden, "hidden owner dropped", nullptr, MB_YESNO));
    EXPECT_EQ(IDOK, ShowMessage(visible, "system modal", nullptr, MB_OK | MB_SYSTEMMODAL));
    EXPECT_EQ(IDOK, ShowMessage(visible, "task modal", nullptr, MB_OK | MB_TASKMODAL));

    std::vector<SeenBox> seen = boxes.Boxes();
    ASSERT_EQ(5u, seen.size());
    EXPECT_EQ(visible, seen[0].owner);
    EXPECT_EQ("タイトル", seen[0].title);
    EXPECT_EQ(visible, seen[1].owner);
    EXPECT_EQ(kTitle, seen[1].title);
    EXPECT_EQ(nullptr, seen[2].owner);
    // Platform difference: Wine does not make a task-modal box with
    // MB_TOPMOST a top-most window (system-modal ones are), so only the
    // dropped owner can be checked here.
    EXPECT_EQ(GetCurrentThreadId(), seen[2].threadId);
    EXPECT_EQ("ThreadMsgBox", ClassOf(seen[3].owner));
    EXPECT_NE(GetCurrentThreadId(), seen[3].threadId);
    EXPECT_EQ(nullptr, seen[4].owner);
    EXPECT_EQ(0u, g_dwMsgBoxState & MBS_OPEN);
    DestroyWindow(visible);
    DestroyWindow(hidden);
}

TEST(SystemErrorText, FormatsCutsAndNumbers)
{
    char buf[64];
    EXPECT_EQ((int)strlen("アクセスは拒否されました。") + 1, FormatSystemError(5, buf, sizeof(buf), false));
    EXPECT_STREQ("アクセスは拒否されました。", buf);
    FormatSystemError(5, buf, sizeof(buf), true);
    EXPECT_STREQ("アクセスは拒否されました。(番号：5)", buf);
    FormatSystemError(-3, buf, sizeof(buf), false);
    EXPECT_STREQ("圧縮後のファイル形式が壊れています。", buf);
    FormatSystemError(0, buf, sizeof(buf), false);
    EXPECT_STREQ("不明なエラー(0)", buf);
    FormatSystemError(-9, buf, sizeof(buf), false);
    EXPECT_STREQ("不明なエラー(番号：-9)", buf);

    // Size 1 writes only the NUL and still tells the whole size.
    buf[0] = 'x';
    EXPECT_EQ((int)strlen("不明なエラー(番号：77777)") + 1, FormatSystemError(77777, buf, 1, true));
    EXPECT_EQ('\0', buf[0]);
    // A cut never splits a double-byte character: 4 bytes leave one character.
    memset(buf, 'x', sizeof(buf));
    FormatSystemError(5, buf, 4, false);
    EXPECT_STREQ("ア", buf);
    EXPECT_EQ('x', buf[4]);

    EXPECT_STREQ("ディスクがいっぱいです。", SystemErrorText(39).CStr());
    EXPECT_STREQ("すでに存在しているファイルまたはフォルダを作成しようとしました。", SystemErrorText(183).CStr());
    // Every Windows code of the table has a Japanese text ending in "。".
    const long sample[] = {1, 87, 123, 267, 1223 - 1, 1392, 1816, 2202, 6118};
    for (long code : sample) {
        std::string text = SystemErrorText(code).CStr();
        EXPECT_EQ(text.size() - strlen("。"), text.rfind("。")) << code << " " << text;
    }
}

TEST(LogFile, WritesTimeStampedLines)
{
    TempDir dir;
    std::string name = dir.File("TEST.LOG");
    lf_write("before start: nothing", LF_NEWLINE);
    lf_init(name.c_str(), LF_DELETE);
    lf_write("一行目", LF_NEWLINE);
    lf_on(false);
    lf_write("off: nothing", LF_NEWLINE);
    lf_on(true);
    lf_fin();
    std::string log = ReadFileBytes(name);
    // "yy/mm/dd hh:mm:ss " before each text.
    const char* lines[] = {"ログ開始 lf_init\r\n", "一行目\r\n", "ログ終了 lf_fin\r\n"};
    size_t at = 0;
    for (const char* line : lines) {
        ASSERT_LT(at + 18, log.size());
        EXPECT_EQ('/', log[at + 2]);
        EXPECT_EQ(':', log[at + 11]);
        EXPECT_EQ(std::string(line), log.substr(at + 18, strlen(line)));
        at += 18 + strlen(line);
    }
    EXPECT_EQ(log.size(), at);
    lf_on(false);
}

// ---- fatal paths, in child processes ----------------------------------------

// The third allocation fails: its report must not allocate again.
CHILD_SCENARIO(OutOfMemoryReport)
{
    SetDefaultTitle(kTitle);
    StartErrorThread();
    MemFailFrom(3);
    String a("a"), b("b"), c("c");
    ExitProcess(3);  // not reached
}

CHILD_SCENARIO(FatalReport)
{
    SetDefaultTitle(kTitle);
    ReportKind(ERR_FATAL, "内部エラー DocPathが参照されました");
    ExitProcess(3);
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
    int answer = ResourceFailureBox(8, "ウィンドウを作成できません");
    ExitProcess(answer == IDRETRY ? 40 : 41);
}

TEST(FatalPaths, FatalKindsEndWithCode255AfterTheirBox)
{
    ChildResult memory = RunChildScenario("OutOfMemoryReport");
    ASSERT_FALSE(memory.timedOut);
    EXPECT_EQ(255u, memory.exitCode);
    ASSERT_EQ(1u, memory.boxes.size());
    EXPECT_EQ("メモリが足りません", memory.boxes[0].text);
    EXPECT_EQ(kTitle, memory.boxes[0].title);

    ChildResult fatal = RunChildScenario("FatalReport");
    EXPECT_EQ(255u, fatal.exitCode);
    ASSERT_EQ(1u, fatal.boxes.size());
    EXPECT_EQ("内部エラー DocPathが参照されました\n\n致命的なエラー", fatal.boxes[0].text);

    ChildResult assertion = RunChildScenario("FailedAssertion");
    EXPECT_FALSE(assertion.timedOut);
    ASSERT_EQ(1u, assertion.boxes.size());
    EXPECT_EQ("内部エラーが発生しました。ソフトウェアの製造元にお問い合わせになってください。\r\n"
              "wcls/fenv2 123\r\np<=m_buff+m_sizeData",
              assertion.boxes[0].text);
}

TEST(FatalPaths, ResourceFailureBoxRetriesOrEnds)
{
    // Ignore is no choice: the box comes again; then Retry returns.
    ChildResult retry = RunChildScenario("ResourceFailure", {IDIGNORE, IDRETRY});
    EXPECT_EQ(40u, retry.exitCode);
    ASSERT_EQ(2u, retry.boxes.size());
    EXPECT_EQ(retry.boxes[0].text, retry.boxes[1].text);
    const std::string& text = retry.boxes[0].text;
    EXPECT_EQ(0u, text.find("重大なエラー：十分なメモリがありません。(番号：8)\n\nウィンドウを作成できません\n\n"
                            "他のアプリケーションを終了して「再試行」を選択"))
        << text;
    EXPECT_TRUE(retry.boxes[0].exStyle & WS_EX_TOPMOST);

    ChildResult abort = RunChildScenario("ResourceFailure", {IDABORT});
    EXPECT_EQ(255u, abort.exitCode);
    EXPECT_EQ(1u, abort.boxes.size());
}
