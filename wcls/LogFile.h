// LogFile.h - the library's small log file (setup starts it with /LOG).
#pragma once

enum {
    LF_NEWLINE = 0x01,  // lf_write: end the line with CR LF
    LF_DELETE = 0x02,   // lf_init: start with an empty file
};

// Starts the log (name: a path of up to MAX_PATH bytes; none means
// "TARVO.LOG").
void lf_init(const char* name, unsigned flags);
// Writes a time-stamped text when the log is started, on and not failed.
void lf_write(const char* text, unsigned flags);
void lf_fin();
// One line of a step: the tag, a blank, the text and, unless negative, a
// blank and the number ("COPY C:\\X\\A.EXE 1024").
void lf_step(const char* tag, const char* text, long long number = -1);
// The on/off switch of a started log.
void lf_on(bool on);
bool lf_is_on();
