// LogFile.cpp - the library's small log file.
#include "LogFile.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>

#include "Data.h"
#include "ErrorReport.h"
#include "LibTexts.h"

// A path given on the command line must not be cut: a cut name would
// write the log somewhere else.
static char s_szName[MAX_PATH];
static bool s_on;
static bool s_failed;

void lf_init(const char* name, unsigned flags)
{
    if (s_szName[0]) return;
    CopyCut(s_szName, name ? name : "TARVO.LOG", sizeof(s_szName));
    if (flags & LF_DELETE) remove(s_szName);
    s_on = true;
    lf_write(LibText::kLogStart, LF_NEWLINE);
}

void lf_write(const char* text, unsigned flags)
{
    if (!s_szName[0] || !s_on || s_failed) return;
    int fd = _open(s_szName, _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        s_failed = true;
        return;
    }
    time_t now = time(nullptr);
    struct tm* t = localtime(&now);
    char stamp[32] = "";
    if (t)
        snprintf(stamp, sizeof(stamp), "%02d/%02d/%02d %02d:%02d:%02d ", t->tm_year % 100, t->tm_mon + 1,
                 t->tm_mday, t->tm_hour, t->tm_min, t->tm_sec);
    _write(fd, stamp, (unsigned)strlen(stamp));
    if (text) _write(fd, text, (unsigned)strlen(text));
    if (flags & LF_NEWLINE) _write(fd, "\r\n", 2);
    _close(fd);
}

void lf_fin()
{
    lf_write(LibText::kLogEnd, LF_NEWLINE);
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
