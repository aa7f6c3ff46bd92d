// UndoJournal.h - the undo of an installation that does not complete.
//
// Before its first change a run records its plan in a journal under the
// product's HKLM key, where only administrators write: every file name it
// may write or remove and whether it exists, the folders it may create, and
// the registry keys it writes as they are. The journal is flushed once.
// A file that exists is then renamed aside beside its name (same volume: no
// copy, no space) before it is written over or removed, so that the journal
// needs no write per file: the names on disk tell how far the run got.
// A run that stops is undone in reverse order; a run that crashed is undone
// by the next setup; a run that completes removes what it set aside.
#pragma once

#include <windows.h>

#include "wcls/Data.h"

// The plan, gathered before the journal begins (each call is cheap for a
// name already planned).
void UndoPlanReset();
void UndoPlanFile(const String& path);
// The shell program, taken away when the undo cannot restore everything:
// a half state must not start.
void UndoPlanShellProgram(const String& path);
// The folder and those of its parents that are missing now.
void UndoPlanFolder(const String& folder);
// A key of HKEY_LOCAL_MACHINE (in the program's view) that the run writes:
// its whole tree is kept in the journal, and its missing parents noted.
void UndoPlanKey(const char* path);

// Writes the journal and flushes it; false after reporting.
bool UndoBegin();
// A journal is being kept for this run.
bool UndoIsActive();

// Results of UndoSetAside and UndoRemove; on ASIDE_INUSE and ASIDE_FAILED
// the last error says why (nothing has been reported).
enum {
    ASIDE_MISSING = 2,  // UndoRemove: there was nothing to remove
    ASIDE_DONE = 1,
    ASIDE_INUSE = 0,   // the file is held open by another process
    ASIDE_FAILED = -1,
};

// Before a planned file is written: the first time in a run, an existing
// file is renamed aside. Without a journal nothing is done.
int UndoSetAside(const String& path);
// Removes a file: with a journal it is set aside, else deleted; a read-only
// file is not refused for that. With `size`, the file's size is given (-1
// for a link).
int UndoRemove(const String& path, long long* size);

// Undoes the run in reverse order: deletes what it created, moves back what
// it set aside, restores the registry keys, removes the folders it created
// when they are empty, and ends the journal. True when everything was
// restored; otherwise *notRestored names the rest, one per line, the shell
// program is taken away and the journal stays for a later setup to finish.
bool UndoRun(String* notRestored);
// The run completed: what was set aside is deleted and the journal ends.
void UndoCommit();

// At start-up, once this setup is the only one: a journal left by a run
// that ended without undo or completion is finished. An unfinished run is
// undone and the user told in one message (a log line under /SILENT); a
// completed one only loses its leftovers. False when the undo could still
// not restore everything (the user has been told): the setup goes no further.
// The data folder may have been let go of: the caller holds it again.
bool UndoInterruptedRun();
