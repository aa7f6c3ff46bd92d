// ErrorReport.cpp - message boxes, error reports, error contexts, fatal ends.
#include "ErrorReport.h"

#include <stdio.h>
#include <string.h>

#include "Data.h"
#include "LibTexts.h"
#include "LogFile.h"
#include "PathText.h"
#include "SysFolders.h"

DWORD g_dwMsgBoxState;
long g_lLastFileError;

static char s_szDefaultTitle[81];
static ReportHookFn s_pfnReport;
static FlushHookFn s_pfnFlush;
static AnswerHookFn s_pfnAnswer;
static int s_nReports;

// ---- kinds ----------------------------------------------------------------

const char* ErrorKindText(int kind)
{
    static const char* const kTexts[] = {
        "エラーです",                  // unknown
        "オープンできません",          // ERR_OPEN
        "クローズできません",          // ERR_CLOSE
        "読み込みに失敗",              // ERR_READ
        "書き込みに失敗",              // ERR_WRITE
        "メモリが足りません",          // ERR_NOMEMORY
        "ディスクの空きが足りません",  // ERR_DISKFULL
        "エラーです",                  // ERR_SYSTEM
        "エラーです",                  // ERR_GENERAL
        "ファイルが見つかりません",    // ERR_NOTFOUND
        "オープンできません",          // ERR_OPENFILE
        "入力データエラー",            // ERR_BADDATA
        "致命的なエラー",              // ERR_FATAL
    };
    if (kind < ERR_OPEN || kind > ERR_FATAL) kind = 0;
    return kTexts[kind];
}

static bool IsFatalKind(int kind)
{
    return kind == ERR_NOMEMORY || kind == ERR_FATAL;
}

// ---- text helpers ---------------------------------------------------------

void CopyCut(char* dst, const char* src, size_t size)
{
    if (size == 0) return;
    if (!src) src = "";
    size_t n = 0;
    while (src[n]) {
        size_t step = (IsLeadByte((unsigned char)src[n]) && src[n + 1]) ? 2 : 1;
        if (n + step > size - 1) break;
        n += step;
    }
    memcpy(dst, src, n);
    dst[n] = '\0';
}

// ---- message boxes -----------------------------------------------------

void SetDefaultTitle(const char* title)
{
    CopyCut(s_szDefaultTitle, title, sizeof(s_szDefaultTitle));
}

const char* DefaultTitle()
{
    return s_szDefaultTitle;
}

static HWND TopLevelOf(HWND hwnd)
{
    while (hwnd && (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD)) {
        HWND parent = GetParent(hwnd);
        if (!parent) break;
        hwnd = parent;
    }
    return hwnd;
}

void SetAnswerHook(AnswerHookFn answer)
{
    s_pfnAnswer = answer;
}

AnswerHookFn GetAnswerHook()
{
    return s_pfnAnswer;
}

static const char* AnswerName(int answer)
{
    static const char* const kNames[] = {"", "OK", "CANCEL", "ABORT", "RETRY", "IGNORE", "YES", "NO"};
    return answer > 0 && answer < (int)(sizeof(kNames) / sizeof(kNames[0])) ? kNames[answer] : "?";
}

// One log line: the title, the text with its line breaks as blanks, the answer.
void LogBoxAnswer(const char* text, const char* title, int answer)
{
    if (!lf_is_on()) return;
    String line;
    line.Append(LibText::kLogBox).Append(title ? title : "").Append(": ");
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p != '\r' && *p != '\n')
            line.AppendChar(*p);
        else if (p[1] != '\r' && p[1] != '\n')
            line.AppendChar(' ');
    }
    line.Append(" -> ").Append(AnswerName(answer));
    lf_write(line.CStr(), LF_NEWLINE);
}

int AnsweredBox(HWND owner, const char* text, const char* title, UINT style)
{
    int answer = s_pfnAnswer ? s_pfnAnswer(text, title, style) : MessageBoxA(owner, text, title, style);
    LogBoxAnswer(text, title, answer);
    return answer;
}

// ShowMessage without its fatal end: 0 when no box could be shown.
static int ShowBox(HWND owner, const char* text, const char* title, UINT style)
{
    if (!title) title = s_szDefaultTitle;
    if (!text) text = "";
    int result;
    if ((style & MB_SYSTEMMODAL) || (g_dwMsgBoxState & MBS_OPEN)) {
        if (s_pfnFlush) s_pfnFlush(1);
        result = ThreadMessageBox(text, title, style);
    } else {
        if (s_pfnFlush) s_pfnFlush(0);
        if (style & MB_TASKMODAL) owner = nullptr;
        owner = TopLevelOf(owner);
        if (owner && !IsWindowVisible(owner)) owner = nullptr;
        if (!owner)
            style = (style & ~(UINT)MB_MODEMASK) | MB_TASKMODAL | MB_TOPMOST;
        else if (IsIconic(owner))
            ShowWindow(owner, SW_RESTORE);
        g_dwMsgBoxState |= MBS_OPEN;
        result = AnsweredBox(owner, text, title, style);
        g_dwMsgBoxState &= ~(DWORD)MBS_OPEN;
    }
    return result;
}

int ShowMessage(HWND owner, const char* text, const char* title, UINT style)
{
    int result = ShowBox(owner, text, title, style);
    if (result == 0) FatalExit(LibText::kNoMessageBox);
    return result;
}

// ---- hooks ----------------------------------------------------------------

void SetReportHooks(ReportHookFn report, FlushHookFn flush)
{
    s_pfnReport = report;
    s_pfnFlush = flush;
}

ReportHookFn GetReportHook() { return s_pfnReport; }
FlushHookFn GetFlushHook() { return s_pfnFlush; }

// ---- reports ------------------------------------------------------------

static bool IsBlank(const char* s)
{
    if (!s) return true;
    while (*s == ' ') ++s;
    return *s == '\0';
}

// Appends text to the NUL-terminated buffer, cut to fit on a character
// boundary. Reports compose in fixed buffers: the report of a failed
// allocation must not allocate again.
static void AppendCut(char* buf, size_t size, const char* text)
{
    size_t used = strlen(buf);
    CopyCut(buf + used, text, size - used);
}

// Shows (or hands to the report hook) one report made of two parts.
static void ShowReport(int kind, const char* first, const char* second)
{
    if (!first) first = "";
    if (!second) second = "";
    char buf[1024] = "";
    ++s_nReports;
    if (lf_is_on()) {
        const char* const parts[] = {"FFERROR : ", first, " ", second};
        for (const char* part : parts) AppendCut(buf, sizeof(buf), part);
        lf_write(buf, LF_NEWLINE);
        buf[0] = '\0';
    }
    if (s_pfnReport && !IsFatalKind(kind)) {
        s_pfnReport(kind, first, second);
        return;
    }
    if (IsBlank(second)) {
        AppendCut(buf, sizeof(buf), first);
    } else {
        AppendCut(buf, sizeof(buf), second);
        if (!IsBlank(first)) {
            AppendCut(buf, sizeof(buf), "\n\n");
            AppendCut(buf, sizeof(buf), first);
        }
    }
    ShowMessage(nullptr, buf, nullptr, MB_ICONEXCLAMATION | MB_SYSTEMMODAL);
    if (IsFatalKind(kind)) FatalExit(nullptr);
}

// The bottom context shows every report at once.
static ErrorContext s_baseContext = { EC_SHOW, {0}, 0, {0}, 0, nullptr };
static ErrorContext* s_pContext = &s_baseContext;

static void ShowHeld(ErrorContext* c)
{
    int kind = c->kind;
    char text[sizeof(c->text)], detail[sizeof(c->detail)];
    memcpy(text, c->text, sizeof(text));
    memcpy(detail, c->detail, sizeof(detail));
    c->kind = 0;
    ShowReport(kind, detail, text);
}

int ReportCount()
{
    return s_nReports;
}

int ReportError(int kind, const char* text, const char* detail, int32_t code)
{
    if (text == ERRTEXT_STANDARD) text = ErrorKindText(kind);
    if (!text) text = "";
    if (!detail) detail = "";
    if (IsFatalKind(kind)) {
        // A fatal report raised while one is shown (a box that cannot be
        // shown for want of memory) ends the process at once.
        static bool s_inFatal;
        if (s_inFatal) FatalExit(nullptr);
        s_inFatal = true;
        ShowReport(kind, text, detail);
        FatalExit(nullptr);
    }
    ErrorContext* c = s_pContext;
    if (c->state == EC_DROP || c->kind != 0) return -1;
    c->kind = (uint8_t)(kind ? kind : ERR_GENERAL);
    CopyCut(c->text, text, sizeof(c->text));
    CopyCut(c->detail, detail, sizeof(c->detail));
    c->code = code;
    if (c->state == EC_SHOW) ShowHeld(c);
    return -1;
}

int ReportKind(int kind, const char* detail)
{
    const char* text = ErrorKindText(kind);
    if (kind == ERR_OPEN && g_lLastFileError == 2)
        text = LibText::kFileOrFolderMissing;
    return ReportError(kind, text, detail, 0);
}

int ReportMessage(const char* text, const char* detail)
{
    return ReportError(ERR_GENERAL, text, detail, 0);
}

int ReportSystemError(DWORD err, int kind, const String& path, const String& message)
{
    String text;
    if (err == ERROR_NOT_READY) {
        String root = PathRoot(path.CStr());
        if (root.IsEmpty()) root = PathRoot(CurrentFolder(1).CStr());
        text = Framed(LibText::kDriveNotReadyHead, root.CStr(), LibText::kDriveNotReadyTail);
    } else {
        text = SystemErrorText((long)err);
    }
    return ReportError(kind, text.CStr(), message.CStr(), 0);
}

int ReportSystemError(int kind, const String& path, const String& message, DWORD err)
{
    return ReportSystemError(err, kind, path, message);
}

int ReportSystemCode(int kind, DWORD err, const char* detail, int32_t code)
{
    String text = SystemErrorText((long)err);
    return ReportError(kind, text.CStr(), detail, code);
}

namespace {

// COM result codes with texts of their own.
const struct {
    DWORD code;
    const char* text;
} kComTexts[] = {
    {0x80004001, "実装されていません(E_NOTIMPL)"},
    {0x80004002, "サポート外のインターフェースです"},
    {0x80004003, "ポインタが無効です"},
    {0x80004004, "エラーが発生 HRESULT=E_ABORT"},
    {0x80004005, "不明なＣＯＭエラー E_FAIL"},
    {0x8000FFFF, "Catastrophic failure(E_UNEXPECTED)"},
    {0x80070005, "アクセス権がありません"},
    {0x8007000E, "メモリが足りません"},
    {0x80070057, "引数が無効です"},
};

// Texts of the other codes by facility; null: the Windows code in the low
// 16 bits tells.
const struct {
    DWORD facility;
    const char* format;
} kComFacilities[] = {
    {0, "COMｴﾗｰ FACILITY_NULL HRESULT:%08X"},
    {1, "COMｴﾗｰ HRESULT:%08X FACILITY_RPC"},
    {2, "COMｴﾗｰ HRESULT:%08X FACILITY_DISPATCH"},
    {3, "COMｴﾗｰ HRESULT:%08X FACILITY_STORAGE"},
    {4, "COMｴﾗｰ HRESULT:%08X FACILITY_ITF"},
    {7, nullptr},
    {8, "COMｴﾗｰ HRESULT:%08X FACILITY_WINDOWS"},
};
const char kComOther[] = "COMｴﾗｰ HRESULT:%08X";

}  // namespace

int ReportComError(HRESULT hr, const char* detail)
{
    const DWORD code = (DWORD)hr;
    for (const auto& row : kComTexts)
        if (row.code == code) return ReportError(ERR_SYSTEM, row.text, detail, 0);

    const DWORD facility = (code >> 16) & 0x1FFF;
    const DWORD low = code & 0xFFFF;
    const char* format = kComOther;
    for (const auto& row : kComFacilities)
        if (row.facility == facility) format = row.format;
    // Storage codes below 256 are Windows codes too.
    if (!format || (facility == 3 && low < 256)) return ReportSystemCode(ERR_SYSTEM, low, detail, 0);
    char text[80];
    snprintf(text, sizeof(text), format, (unsigned)code);
    return ReportError(ERR_SYSTEM, text, detail, 0);
}

// ---- error contexts ----------------------------------------------------------

void PushErrorContext(ErrorContext* context)
{
    memset(context, 0, sizeof(*context));
    context->state = EC_HOLD;
    context->below = s_pContext;
    s_pContext = context;
}

void DiscardPendingError()
{
    s_pContext->kind = 0;
}

void PopErrorContext()
{
    ErrorContext* top = s_pContext;
    ErrorContext* below = top->below;
    if (!below) return;
    if (below->kind == 0 && top->kind != 0) {
        below->kind = top->kind;
        memcpy(below->text, top->text, sizeof(below->text));
        memcpy(below->detail, top->detail, sizeof(below->detail));
        below->code = top->code;
    }
    s_pContext = below;
    if (below->state == EC_SHOW && below->kind != 0) ShowHeld(below);
}

// ---- fatal paths ------------------------------------------------------------

void FatalExit(const char* text)
{
    if (!text || !*text) ExitProcess(255);
    lf_write(text, LF_NEWLINE);
    if (s_pfnAnswer) ExitProcess(255);  // nobody is there to close the system's box
    FatalAppExitA(0, text);
    ExitProcess(255);  // FatalAppExitA does not return; this keeps [[noreturn]] honest
}

int ResourceFailureBox(DWORD err, const char* text)
{
    String message;
    message.Append(LibText::kResourceFailureHead);
    if (err != 0) {
        char code[400];
        FormatSystemError((long)err, code, sizeof(code), true);
        message.Append(code).Append("\n\n");
    }
    message.Append(text ? text : "").Append("\n\n").Append(LibText::kResourceFailureHint);
    for (;;) {
        int answer = ShowBox(nullptr, message.CStr(), nullptr,
                             MB_ABORTRETRYIGNORE | MB_ICONHAND | MB_SYSTEMMODAL | MB_TOPMOST);
        if (answer == 0) FatalExit(text && *text ? text : LibText::kNoMessageBox);
        if (answer == IDABORT) FatalExit(nullptr);
        if (answer == IDRETRY) return IDRETRY;
        // Ignore is not a choice: ask again.
    }
}

void AssertFailed(const char* file, int line, const char* expr)
{
    static bool s_inAssert;
    if (s_inAssert) FatalExit(LibText::kAssertLoop);
    s_inAssert = true;
    char number[16];
    snprintf(number, sizeof(number), "%d", line);
    static char s_msg[1024];  // no allocation: memory may be what failed
    const char* const parts[] = {LibText::kInternalError, file ? file : "", " ", number, "\r\n", expr ? expr : ""};
    for (const char* part : parts) AppendCut(s_msg, sizeof(s_msg), part);
    // The system's fatal-exit box would end the process with a code of its
    // own (1 on some systems, the code of a declined uninstall): the same
    // text in a system-modal box of ours, then the fatal code 255.
    lf_write(s_msg, LF_NEWLINE);
    if (!s_pfnAnswer) MessageBoxA(nullptr, s_msg, s_szDefaultTitle, MB_OK | MB_ICONHAND | MB_SYSTEMMODAL);
    ExitProcess(255);
}
