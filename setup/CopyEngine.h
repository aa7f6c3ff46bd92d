// CopyEngine.h - carries out the sections of the file list: copies and
// LZ-expands files from the media into the installation, removes files,
// asks for disks and for retries, lets the user stop between files.
#pragma once

#include <windows.h>

#include "wcls/Data.h"

class DoingWnd;
class FEnv2;

// Results of CopyOneFile.
enum {
    COPY_DONE = 0,     // the file was copied
    COPY_INUSE = 1,    // the destination is held open elsewhere; nothing reported
    COPY_FAILED = -1,  // the copy failed and the failure has been reported
};

// Processes every entry of the section in order under the progress window.
// 1 when the whole section was done; 0 when the user stopped the setup or a
// failure was reported.
int CopySection(FEnv2* list, DoingWnd* progress, const String& section, const String& source,
                const String& appPath);

// Adds every destination of the section, and its folder, to the undo plan;
// with `count`, returns the bytes its copies will write (for the progress
// bar: a packed source is opened for the size its header gives, and stays
// open for its copy until ForgetOpenedSources).
uint64_t PlanSection(FEnv2* list, const String& section, const String& appPath, const String& source,
                     bool count = true);

// The part of a path below the all-users application-data folder, where
// other users may create names (reached through checked handles only);
// empty for any other path.
String SharedPart(const String& path);

// Copies (compressed: expands) one file over the destination, carrying the
// source's last-write time.
int CopyOneFile(int compressed, const String& source, const String& dest);

// Reports that the file cannot be written ("ファイル[path]へ書き込むことが
// できません" with the system's reason).
void ReportCannotWrite(DWORD err, const String& path);

// A repair copies only a destination that is missing or differs from the
// media in size or last-write time, and keeps a settings file (the section
// "Setting") that is there whatever it holds. A file it keeps counts as
// written, so the bar and the installed size take it in. With
// checkSources, every source must be what SETUP.SUM says (through the
// handle that is copied), else the copy fails as from damaged media.
void SetRepairing(bool on, bool checkSources = false);
// The destinations the repair copied again, each after "\n  " (20 of them,
// then how many more).
String RepairedFiles();
bool WasRepaired(const String& dest);

// The disk prompt: "Zuntoria Ver.８ ディスク N を <folder> にセットして…"
// (no number for disk 0).
String DiskPrompt(int disk, const String& folder);

// A new empty file of this user's temporary folder, named in *name; false
// (and *name the folder) when it cannot be made.
bool NewPrivateFileName(String* name);
// Such a file, open for reading and writing by this process alone and
// deleted when closed; invalid on failure.
HANDLE CreatePrivateFile();

// The bytes the copies have written since the program started.
uint64_t CopiedBytes();

// Waits until every copy made so far is on the disk (a thread flushes them
// while the next ones are made; the copies in the shared folder are flushed
// as they are made); false after reporting the first that failed.
bool FlushCopies();
// Stops that, before a stopped run is undone.
void StopFlushing();
// Closes the sources the plan opened that no copy has taken.
void ForgetOpenedSources();

// Creates the folder with its missing parents, quietly; true when it exists
// afterwards.
bool CreateFolderTree(const String& folder);

// Asks whether the setup is to stop; true unless the user answers No.
bool ConfirmAbort(HWND owner);
