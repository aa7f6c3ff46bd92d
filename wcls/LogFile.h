// LogFile.h - the library's small log file (setup starts it with /LOG).
#pragma once

enum {
    LF_NEWLINE = 0x01,  // lf_write: end the line with CR LF
    LF_DELETE = 0x02,   // lf_init: start with an empty file
    LF_HOLD = 0x04,     // lf_init: keep the lines in memory until lf_open
};

// Starts the log (name: a path of fewer than MAX_PATH bytes; none means
// "TARVO.LOG"). False, with nothing started, when the name is that long:
// a cut name would write the log somewhere else.
bool lf_init(const char* name, unsigned flags);
// Opens a held log once: the lines kept so far are written, and the file
// stays open, shared for reading only, until lf_fin. In a folder others
// can write to, a link planted under the name is made anew, never written
// through. False when it could not be opened (the lines are dropped).
bool lf_open();
// Writes a time-stamped text when the log is started, on and not failed.
void lf_write(const char* text, unsigned flags);
void lf_fin();
// One line of a step: the tag, a blank, the text and, unless negative, a
// blank and the number ("COPY C:\\X\\A.EXE 1024").
void lf_step(const char* tag, const char* text, long long number = -1);
// The on/off switch of a started log.
void lf_on(bool on);
bool lf_is_on();
