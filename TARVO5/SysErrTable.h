// SysErrTable.h - the table of system error texts.
#pragma once

struct SysErrEntry {
    long code;
    const char* text;
};

// Generated from the platform's Japanese messages, sorted by code.
extern const SysErrEntry g_sysErrTable[];
extern const int g_sysErrTableCount;
