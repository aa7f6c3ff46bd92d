// CommandLine.cpp - reading the command line into the setup's mode.
#include "CommandLine.h"

#include "SetupTexts.h"

static char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c;
}

// Length of word when p starts with it (ASCII case ignored), else 0. Stops
// at the first difference, so it never reads past the end of the text.
static int MatchWord(const char* p, const char* word)
{
    int i = 0;
    for (; word[i]; ++i)
        if (UpperAscii(p[i]) != word[i]) return 0;
    return i;
}

static const char* SkipBlanks(const char* p)
{
    while (*p == ' ') ++p;
    return p;
}

SetupMode ParseCommandLine(const char* cmd)
{
    SetupMode mode;
    if (!cmd) return mode;
    const char* p = SkipBlanks(cmd);
    while (*p) {
        if (*p == '/') {
            ++p;
            if (int n = MatchWord(p, SetupText::kSwitchUpdate)) {
                mode.update = true;
                p += n;
            } else if (int m = MatchWord(p, SetupText::kSwitchUninstall)) {
                mode.uninstall = true;
                p += m;
            }
        } else if (*p == '"') {
            ++p;
            while (*p && *p != '"') ++p;
            if (*p == '"') ++p;
        } else {
            while (*p && *p != ' ') ++p;
        }
        p = SkipBlanks(p);
    }
    return mode;
}

const char* CommandTail(const char* full)
{
    const char* p = full ? full : "";
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ') ++p;
    return p;
}
