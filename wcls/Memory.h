// Memory.h - the library's allocation routines.
#pragma once

#include <stddef.h>

// Each of these reports ERR_NOMEMORY (which ends the process) instead of
// returning null.
void* MemAlloc(size_t size);
void* MemAllocZero(size_t size);
void* MemRealloc(void* p, size_t size);
void MemFree(void* p);

// MemRealloc without the report: null when the block cannot grow (the old
// block stays valid). For sizes that come from outside, such as a file's.
void* MemTryRealloc(void* p, size_t size);

// Test seam: from the n-th allocation after this call on, every one fails
// (0: none fails).
void MemFailFrom(long n);
