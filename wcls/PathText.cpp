// PathText.cpp - path text rules.
#include "PathText.h"

bool IsBlankText(const char* text)
{
    while (*text == ' ') ++text;
    return *text == '\0';
}

int NamePart(const char* path)
{
    const char* p = HasDrive(path) ? path + 2 : path;
    const char* name = p;
    for (; *p; p = NextChar(p))
        if (IsPathSep(*p)) name = p + 1;
    return (int)(name - path);
}

String FolderForm(const String& path)
{
    if (IsBlankText(path.CStr() + NamePart(path.CStr()))) return path;
    return path + String("\\");
}

String SplitPath(const String& path, String* name)
{
    int at = NamePart(path.CStr());
    if (name) *name = String(path.CStr() + at);
    return String(path.CStr(), at);
}
