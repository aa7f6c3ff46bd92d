// MediaSums.h - the check sums of the installation media: SETUP.SUM beside
// SETUP.LST, one line per file in the format of sha256sum, and the media
// check of /VERIFY.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "wcls/Data.h"

struct MediaSum {
    std::string name;  // relative to the media folder, as written (forward slashes read as backslashes)
    std::string hex;   // 64 lower-case hex digits
};

// The lines of a SETUP.SUM text: "<64 hex digits> <blank or *><name>" with
// LF or CR LF ends, the escaped form sha256sum writes for a name with a
// backslash byte or a line end (a leading backslash; the escapes are
// undone byte by byte, as they were made), and the tagged form
// "SHA256 (name) = <hex>". Other lines are passed over.
std::vector<MediaSum> ParseMediaSums(const std::string& text);

// The line of the name (ASCII case ignored, "/" and "\" alike, a leading
// "./" dropped), or null.
const MediaSum* FindMediaSum(const std::vector<MediaSum>& sums, const char* name);

// How one media file stands against SETUP.SUM.
enum {
    MEDIA_SOUND,      // its digest is the recorded one
    MEDIA_DAMAGED,    // another digest, or it cannot be read
    MEDIA_MISSING,    // not on the media
    MEDIA_UNLISTED,   // SETUP.SUM has no line for it
    MEDIA_UNCHECKED,  // the media have no SETUP.SUM (or not the one pinned)
    MEDIA_UNREADABLE, // there, but it cannot be read (not ready, refused...)
};

// Checks one file (relative to the media folder) against the SETUP.SUM of
// that folder, read once per folder. Hashes that one file only.
int CheckMediaFile(const String& mediaFolder, const String& relative);
// ... through a file opened for the copy (left at its start): what is
// checked is what is copied.
int CheckMediaHandle(const String& mediaFolder, const String& relative, HANDLE file);

// The text of the SETUP.SUM of the folder as read for the checks above;
// empty when there is none, or it is too long (over 64 KB) to be recorded.
// Recording the text rather than a digest keeps the cryptographic provider
// out of every run that needs no hash.
String MediaSumsText(const String& mediaFolder);
// From now on a SETUP.SUM counts only with this text (empty: any).
void PinMediaSums(const String& text);

// Says that the media are damaged and names the file (a report, logged).
void ReportDamagedMedia(const String& relative);

// /VERIFY: checks every file the list names, and every other file SETUP.SUM
// names, and tells the outcome (a box; under /SILENT its log line and a
// line per file). Returns the exit code: 0 when all is well, 2 otherwise.
int VerifyMedia(const String& mediaFolder);
