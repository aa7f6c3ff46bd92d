// Shutdown.h - routines that run at process exit, in reverse order of
// registration.
#pragma once

typedef void (*ShutdownFn)();

// Returns false when the table is full.
bool AddShutdown(ShutdownFn fn);

// Runs (and forgets) the registered routines now, newest first.
void RunShutdowns();
