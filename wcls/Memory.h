// Memory.h - the library's allocation routines.
#pragma once

#include <stddef.h>

// Each of these reports ERR_NOMEMORY (which ends the process) instead of
// returning null.
void* MemAlloc(size_t size);
void* MemAllocZero(size_t size);
void* MemRealloc(void* p, size_t size);
void MemFree(void* p);
