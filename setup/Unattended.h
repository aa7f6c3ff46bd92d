// Unattended.h - a run without questions (/SILENT), its log (/LOG) and the
// exit codes a script can test.
#pragma once

#include <windows.h>

#include "CommandLine.h"

// Exit codes of an unattended run (an uninstall keeps its own 0 and 1).
enum {
    EXIT_DONE = 0,
    EXIT_REFUSED = 2,  // ended before anything was changed
    EXIT_STOPPED = 3,  // stopped after the changes began; the log says why
};

// Starts the log for /LOG and, for /SILENT, the answers to every box: the
// box's default button, except that an OK that waits for a person to act
// first (close the application, put in the disk) is Cancel, a file in use
// is retried for 5 seconds, and the removal question is Yes. False after
// telling that the log's name is too long (MAX_PATH bytes or more).
bool StartUnattended(const SetupMode& mode);

// The install worker or the removal begins to change the machine; it has
// carried out every step.
void NoteChangesBegun();
void NoteChangesCompleted();

// The process exit code for the code an interactive run would end with:
// unchanged without /SILENT. Writes it to the log and ends the log.
int FinishRun(const SetupMode& mode, int code);

// One line of a step in the log (when it is on); a negative number is left out.
void LogStep(const char* tag, const String& text, long long number = -1);
