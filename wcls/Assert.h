// Assert.h - assertions that stay active in the shipped program.
#pragma once

#include "ErrorReport.h"

// A failed assertion reports the source name, the line and the expression
// and ends the process.
#define LIB_ASSERT(expr, source) \
    ((expr) ? (void)0 : AssertFailed(source, __LINE__, #expr))

// The same with a fixed line number, for assertions whose report is part of
// the library's documented behaviour.
#define LIB_ASSERT_AT(expr, source, line) \
    ((expr) ? (void)0 : AssertFailed(source, line, #expr))
