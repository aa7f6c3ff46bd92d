// ErrorReport.h - message boxes, error reports, error contexts, fatal ends.
#pragma once

#include <windows.h>
#include <stdint.h>

class String;

// Error kinds: each has a standard text; ERR_NOMEMORY and ERR_FATAL end the
// process after their box.
enum ErrorKind {
    ERR_OPEN = 1,
    ERR_CLOSE = 2,
    ERR_READ = 3,
    ERR_WRITE = 4,
    ERR_NOMEMORY = 5,
    ERR_DISKFULL = 6,
    ERR_SYSTEM = 7,
    ERR_GENERAL = 8,
    ERR_NOTFOUND = 9,
    ERR_OPENFILE = 10,
    ERR_BADDATA = 11,
    ERR_FATAL = 12,
};

// Pass as the text of ReportError to use the kind's standard text.
#define ERRTEXT_STANDARD (reinterpret_cast<const char*>(1))

// The kind's standard text ("エラーです" for unknown kinds).
const char* ErrorKindText(int kind);

// ---- message boxes ----------------------------------------------------

// The message box of every window: owner rules, default title, system-modal
// boxes through the error thread. Returns the button pressed.
int ShowMessage(HWND owner, const char* text, const char* title, UINT style);

// Every box of the library ends here: shown with MessageBoxA, or answered
// by the answer hook without being shown. With the log on, the box's title,
// text and answer are written to it.
int AnsweredBox(HWND owner, const char* text, const char* title, UINT style);
// The log line of a box answered elsewhere (on the error thread).
void LogBoxAnswer(const char* text, const char* title, int answer);

// An unattended run installs a hook that answers every box in place of a
// person (none: boxes are shown). It also keeps fatal ends from waiting.
typedef int (*AnswerHookFn)(const char* text, const char* title, UINT style);
void SetAnswerHook(AnswerHookFn answer);
AnswerHookFn GetAnswerHook();

// The default title of boxes shown without one (at most 80 bytes kept).
void SetDefaultTitle(const char* title);
const char* DefaultTitle();

// Bit 0 is set while a box of ShowMessage is open on the calling thread.
extern DWORD g_dwMsgBoxState;
enum { MBS_OPEN = 0x1 };

// ---- error thread -----------------------------------------------------

bool StartErrorThread();
void StopErrorThread();
// Shows a box on the error thread and waits for its answer.
int ThreadMessageBox(const char* text, const char* title, UINT style);

// ---- reports (all return -1) -------------------------------------------

int ReportError(int kind, const char* text, const char* detail, int32_t code);
int ReportKind(int kind, const char* detail);
int ReportMessage(const char* text, const char* detail);
int ReportSystemError(DWORD err, int kind, const String& path, const String& message);
int ReportSystemError(int kind, const String& path, const String& message, DWORD err);
int ReportSystemCode(int kind, DWORD err, const char* detail, int32_t code);
int ReportComError(HRESULT hr, const char* detail);

// Hooks installed by the service window: reports are queued instead of
// shown, and queued reports are shown before each box.
typedef void (*ReportHookFn)(int kind, const char* first, const char* second);
typedef void (*FlushHookFn)(int systemModal);
void SetReportHooks(ReportHookFn report, FlushHookFn flush);
ReportHookFn GetReportHook();
FlushHookFn GetFlushHook();

// Reports shown (or queued to be shown) since the process started.
int ReportCount();

// ---- system error texts ------------------------------------------------

// Writes the text of a Windows (or lz32) error code, cut to size - 1 bytes
// on a character boundary; returns the size the whole text needs.
int FormatSystemError(long code, char* buf, int size, bool withNumber);
String SystemErrorText(long code);

// The library's last file error (-3 after a bad name, 2 at the end of a
// listing).
extern long g_lLastFileError;

// ---- error contexts ------------------------------------------------------

enum { EC_HOLD = 0, EC_SHOW = 1, EC_DROP = 2 };

struct ErrorContext {
    uint8_t state;           // EC_SHOW, EC_HOLD or EC_DROP
    char detail[340];
    uint8_t kind;            // 0: nothing held
    char text[340];
    int32_t code;
    ErrorContext* below;
};

void PushErrorContext(ErrorContext* context);
void DiscardPendingError();
void PopErrorContext();

// Pushes on construction; discards and pops on destruction.
class QuietSection {
public:
    QuietSection() { PushErrorContext(&m_context); }
    ~QuietSection() { DiscardPendingError(); PopErrorContext(); }
    QuietSection(const QuietSection&) = delete;
    QuietSection& operator=(const QuietSection&) = delete;

private:
    ErrorContext m_context;
};

// ---- fatal paths ---------------------------------------------------------

// Ends the process: exit code 255 without a text, FatalAppExitA with one
// (with the answer hook installed the text only goes to the log).
[[noreturn]] void FatalExit(const char* text);

// The retry-or-abort box for an exhausted window-system resource; returns
// IDRETRY or ends the process.
int ResourceFailureBox(DWORD err, const char* text);

[[noreturn]] void AssertFailed(const char* file, int line, const char* expr);

// Copies src into dst (size bytes, NUL included), cut so that no lead byte
// is left without its trail byte.
void CopyCut(char* dst, const char* src, size_t size);
