// Unattended.cpp - a run without questions, its log and its exit codes.
#include "Unattended.h"

#include <stdio.h>
#include <string.h>

#include "SetupTexts.h"
#include "wcls/ErrorReport.h"
#include "wcls/LogFile.h"

namespace {

enum Stage { STAGE_NONE, STAGE_BEGUN, STAGE_COMPLETED };
Stage s_stage = STAGE_NONE;
int s_reportsBefore;  // reports made before the changes began

const DWORD kRetryTimeout = 5000;  // as the library's retries of a file in use
const DWORD kRetryInterval = 100;
String s_retryText;
DWORD s_retryStart, s_retryLast;

// Retry every 100 ms while the same destination stays in use, then Cancel.
int AnswerRetry(const char* text)
{
    DWORD now = GetTickCount();
    if (strcmp(s_retryText.CStr(), text) != 0 || now - s_retryLast > 10 * kRetryInterval) {
        s_retryText = String(text);  // a new file in use, or the same one again later
        s_retryStart = now;
    }
    s_retryLast = now;
    if (now - s_retryStart >= kRetryTimeout) {
        s_retryText = String();
        return IDCANCEL;
    }
    Sleep(kRetryInterval);
    return IDRETRY;
}

// The buttons of each box type, in order; the default is picked by the
// style's MB_DEFBUTTON bits.
const int kButtons[][3] = {
    {IDOK, 0, 0},                      // MB_OK
    {IDOK, IDCANCEL, 0},               // MB_OKCANCEL
    {IDABORT, IDRETRY, IDIGNORE},      // MB_ABORTRETRYIGNORE
    {IDYES, IDNO, IDCANCEL},           // MB_YESNOCANCEL
    {IDYES, IDNO, 0},                  // MB_YESNO
    {IDRETRY, IDCANCEL, 0},            // MB_RETRYCANCEL
    {IDCANCEL, IDTRYAGAIN, IDCONTINUE},  // MB_CANCELTRYCONTINUE
};

int DefaultButton(UINT style)
{
    UINT type = style & MB_TYPEMASK;
    if (type >= sizeof(kButtons) / sizeof(kButtons[0])) return IDOK;
    UINT index = (style & MB_DEFMASK) >> 8;
    int button = index < 3 ? kButtons[type][index] : 0;
    return button ? button : kButtons[type][0];
}

// The answer hook: nobody is there to act on a box.
int UnattendedAnswer(const char* text, const char*, UINT style)
{
    if (!text) text = "";
    if (strncmp(text, SetupText::kConfirmRemoveHead, strlen(SetupText::kConfirmRemoveHead)) == 0) return IDYES;
    switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL: return IDCANCEL;
    case MB_RETRYCANCEL: return AnswerRetry(text);
    }
    return DefaultButton(style);
}

}  // namespace

bool StartUnattended(const SetupMode& mode)
{
    if (mode.silent) SetAnswerHook(UnattendedAnswer);
    if (!mode.log) return true;
    String name = mode.logFile;
    if (name.IsEmpty()) {
        char temp[MAX_PATH + 1] = "";
        DWORD n = GetTempPathA(sizeof(temp), temp);
        name = String(n > 0 && n < sizeof(temp) ? temp : "") + String(SetupText::kDefaultLogFile);
    }
    // The log of this run only, kept in memory until the start-up guards
    // have passed: a second setup must not empty the running one's log.
    if (lf_init(name.CStr(), LF_DELETE | LF_HOLD)) return true;
    String text = String(SetupText::kLogNameTooLong) + name;
    ShowMessage(nullptr, text.CStr(), SetupText::kAppTitle, MB_OK | MB_ICONHAND);
    return false;
}

void NoteChangesBegun()
{
    s_stage = STAGE_BEGUN;
    s_reportsBefore = ReportCount();
}

void NoteChangesCompleted()
{
    s_stage = STAGE_COMPLETED;
}

int FinishRun(const SetupMode& mode, int code)
{
    // Reports still queued would be shown as the service window goes: show
    // them now, as then (system-modal), so that the log has them before the
    // exit code.
    if (FlushHookFn flush = GetFlushHook()) flush(1);
    if (mode.silent && mode.verify) {  // a media check ends with its own 0 or 2
        if (code != EXIT_DONE) code = EXIT_REFUSED;
    } else if (mode.silent) {
        if (s_stage == STAGE_NONE)
            code = EXIT_REFUSED;
        else if (mode.update || !mode.uninstall)  // an uninstall keeps 0 or 1
            code = s_stage == STAGE_COMPLETED && ReportCount() == s_reportsBefore ? EXIT_DONE : EXIT_STOPPED;
    }
    char number[16];
    snprintf(number, sizeof(number), "%d", code);
    LogStep(SetupText::kLogExit, String(number));
    lf_fin();
    return code;
}

void LogStep(const char* tag, const String& text, long long number)
{
    lf_step(tag, text.CStr(), number);
}
