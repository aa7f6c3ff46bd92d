// ShellFolder.h - the shell's special folders.
#pragma once

#include <windows.h>

#include "Data.h"

// The folder of a CSIDL number in folder form: 1, or 0 (the out String
// empty). With report set, failures are reported; without, silent.
int SpecialFolder(String* out, HWND owner, int csidl, bool report);
