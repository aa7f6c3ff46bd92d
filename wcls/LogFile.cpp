// LogFile.cpp - the library's small log file.
#include "LogFile.h"

#include <stdio.h>
#include <string.h>
#include <time.h>

#include "Data.h"
#include "ErrorReport.h"
#include "Handles.h"
#include "LibTexts.h"
#include "PathText.h"
#include "VerifiedFile.h"

// A path given on the command line must not be cut: a cut name would
// write the log somewhere else.
static char s_szName[MAX_PATH];
static bool s_on;
static bool s_failed;
static unsigned s_flags;
static String s_held;      // lines written before lf_open
static UniqueFile s_file;  // the open log

bool lf_init(const char* name, unsigned flags)
{
    if (s_szName[0]) return true;
    if (!name) name = "TARVO.LOG";
    if (strlen(name) >= sizeof(s_szName)) return false;
    strcpy(s_szName, name);
    s_flags = flags;
    s_on = true;
    if (!(flags & LF_HOLD) && !lf_open()) return true;  // s_failed: nothing is written
    lf_write(LibText::kLogStart, LF_NEWLINE);
    return true;
}

bool lf_open()
{
    if (s_file || s_failed || !s_szName[0]) return s_file.IsValid();
    String path = FullPath(String(s_szName)), name;
    VerifiedFile folder, file;
    DWORD disposition = (s_flags & LF_DELETE) ? CREATE_ALWAYS : OPEN_ALWAYS;
    if (folder.OpenFolderOf(path, &name, VF_LINKS) == VF_OPENED &&
        file.OpenOwn(folder, name, GENERIC_WRITE, FILE_SHARE_READ, disposition, FILE_ATTRIBUTE_NORMAL, nullptr) ==
            VF_OPENED) {
        s_file.Reset(file.Release());
        SetFilePointer(s_file.Get(), 0, nullptr, FILE_END);
    }
    s_failed = !s_file;
    DWORD written = 0;
    if (s_file && s_held.Length() > 0) WriteFile(s_file.Get(), s_held.CStr(), (DWORD)s_held.Length(), &written, nullptr);
    s_held = String();
    return s_file.IsValid();
}

static void Put(const char* text, int length)
{
    DWORD written = 0;
    if (s_file)
        WriteFile(s_file.Get(), text, (DWORD)length, &written, nullptr);
    else
        s_held.Append(String(text, length).CStr());
}

void lf_write(const char* text, unsigned flags)
{
    if (!s_szName[0] || !s_on || s_failed) return;
    time_t now = time(nullptr);
    struct tm* t = localtime(&now);
    char stamp[32] = "";
    if (t)
        snprintf(stamp, sizeof(stamp), "%02d/%02d/%02d %02d:%02d:%02d ", t->tm_year % 100, t->tm_mon + 1,
                 t->tm_mday, t->tm_hour, t->tm_min, t->tm_sec);
    Put(stamp, (int)strlen(stamp));
    if (text) Put(text, (int)strlen(text));
    if (flags & LF_NEWLINE) Put("\r\n", 2);
}

void lf_fin()
{
    lf_write(LibText::kLogEnd, LF_NEWLINE);
    if (!s_file) lf_open();  // a run that ended before its log was opened
    s_file.Close();
}

void lf_step(const char* tag, const char* text, long long number)
{
    if (!lf_is_on()) return;
    String line;
    line.Append(tag).AppendChar(' ').Append(text ? text : "");
    if (number >= 0) {
        char digits[24];
        int n = 0;
        do {
            digits[n++] = (char)('0' + number % 10);
            number /= 10;
        } while (number > 0);
        line.AppendChar(' ');
        while (n > 0) line.AppendChar(digits[--n]);
    }
    lf_write(line.CStr(), LF_NEWLINE);
}

void lf_on(bool on)
{
    s_on = on;
}

bool lf_is_on()
{
    return s_szName[0] && s_on && !s_failed;
}
