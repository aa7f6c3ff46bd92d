// Memory.cpp - the library's allocation routines.
#include "Memory.h"

#include <stdlib.h>
#include <string.h>

#include "ErrorReport.h"
#include "FObject.h"

static long s_nAllocations, s_nFailFrom;

void MemFailFrom(long n)
{
    s_nAllocations = 0;
    s_nFailFrom = n;
}

static bool Refused()
{
    return s_nFailFrom && ++s_nAllocations >= s_nFailFrom;
}

static void OutOfMemory()
{
    ReportKind(ERR_NOMEMORY, nullptr);
    FatalExit(nullptr);  // not reached: the report ends the process
}

void* MemAlloc(size_t size)
{
    void* p = Refused() ? nullptr : malloc(size ? size : 1);
    if (!p) OutOfMemory();
    return p;
}

void* MemAllocZero(size_t size)
{
    void* p = MemAlloc(size);
    memset(p, 0, size);
    return p;
}

void* MemRealloc(void* p, size_t size)
{
    void* q = Refused() ? nullptr : realloc(p, size ? size : 1);
    if (!q) OutOfMemory();
    return q;
}

void* MemTryRealloc(void* p, size_t size)
{
    return Refused() ? nullptr : realloc(p, size ? size : 1);
}

void MemFree(void* p)
{
    free(p);
}

void* FObject::operator new(size_t size)
{
    return MemAllocZero(size);
}

void FObject::operator delete(void* p) noexcept
{
    MemFree(p);
}
