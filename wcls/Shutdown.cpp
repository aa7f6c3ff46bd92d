// Shutdown.cpp - routines that run at process exit, newest first.
#include "Shutdown.h"

#include <stdlib.h>

static ShutdownFn s_fns[32];
static int s_count;
static bool s_atexitDone;

static void RunAtExit()
{
    RunShutdowns();
}

bool AddShutdown(ShutdownFn fn)
{
    if (!s_atexitDone) {
        atexit(RunAtExit);
        s_atexitDone = true;
    }
    if (s_count == (int)(sizeof(s_fns) / sizeof(s_fns[0]))) return false;
    s_fns[s_count++] = fn;
    return true;
}

void RunShutdowns()
{
    while (s_count > 0) {
        ShutdownFn fn = s_fns[--s_count];
        fn();
    }
}
