// Lz32.h - the expansion calls of lz32, loaded from the system folder at
// run time: Windows does not always take lz32 from there, so it is not
// imported at start.
#pragma once

#include <windows.h>

// As LZOpenFileA, LZRead and LZClose; without lz32 the open fails with
// LZERROR_GLOBALLOC.
INT LzOpenFile(const char* name, OFSTRUCT* of, WORD style);
INT LzRead(INT file, char* buffer, INT count);
void LzClose(INT file);
