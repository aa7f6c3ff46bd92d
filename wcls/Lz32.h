// Lz32.h - the expansion calls of lz32, loaded from the system folder at
// run time: Windows does not always take lz32 from there, so it is not
// imported at start.
#pragma once

#include <windows.h>

// As LZInit, LZRead and LZClose; without lz32 the start fails with
// LZERROR_GLOBALLOC. LzInit takes a file handle of the caller's, which the
// LZ handle closes from then on.
INT LzInit(INT file);
// Loads lz32 and takes its calls now, so that a thread of the program may
// use them afterwards; false without lz32.
bool LzLoad();
INT LzRead(INT file, char* buffer, INT count);
void LzClose(INT file);
