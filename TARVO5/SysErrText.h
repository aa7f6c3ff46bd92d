// SysErrText.h - looking up the text of a system (or lz32) error code.
#pragma once

// The table text of the code, or null when the code has none.
const char* LookupSystemErrorText(long code);
