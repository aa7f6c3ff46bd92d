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

// Steps over a quoted word (to its closing quote) or a plain one (to the
// next blank); *value gets it without the quotes.
static const char* TakeWord(const char* p, String* value)
{
    const char* start = p;
    if (*p == '"') {
        start = ++p;
        while (*p && *p != '"') ++p;
        if (value) *value = String(start, (int)(p - start));
        return *p == '"' ? p + 1 : p;
    }
    while (*p && *p != ' ') ++p;
    if (value) *value = String(start, (int)(p - start));
    return p;
}

// The switch after a slash; returns where the parse goes on.
static const char* TakeSwitch(const char* p, SetupMode* mode)
{
    const struct {
        const char* word;
        bool SetupMode::*flag;
    } kFlags[] = {
        {SetupText::kSwitchUpdate, &SetupMode::update},
        {SetupText::kSwitchUninstall, &SetupMode::uninstall},
        {SetupText::kSwitchSilent, &SetupMode::silent},
        {SetupText::kSwitchNoIcon, &SetupMode::noIcon},
        {SetupText::kSwitchVerify, &SetupMode::verify},
        {SetupText::kSwitchRepair, &SetupMode::repair},
    };
    for (const auto& f : kFlags) {
        if (int n = MatchWord(p, f.word)) {
            mode->*f.flag = true;
            return p + n;
        }
    }
    if (int n = MatchWord(p, SetupText::kSwitchDir)) {
        mode->hasDir = true;
        return TakeWord(p + n, &mode->dir);
    }
    if (int n = MatchWord(p, SetupText::kSwitchLog)) {
        mode->log = true;
        p += n;
        return *p == '=' ? TakeWord(p + 1, &mode->logFile) : p;
    }
    return p;  // nothing else is a switch: the parse goes on after the slash
}

SetupMode ParseCommandLine(const char* cmd)
{
    SetupMode mode;
    if (!cmd) return mode;
    const char* p = SkipBlanks(cmd);
    while (*p) {
        if (*p == '/')
            p = TakeSwitch(p + 1, &mode);
        else
            p = TakeWord(p, nullptr);
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
