// SettingsReport.cpp - the settings files as the sample programs show them.
#include "SettingsReport.h"

#include <string.h>

#include "StandInTexts.h"
#include "wcls/FEnv2.h"
#include "wcls/FileOps.h"

namespace {

const char kCrLf[] = "\r\n";

void AppendSection(String* out, FEnv2* env, const char* sec)
{
    out->Append("[").Append(sec).Append("]").Append(kCrLf);
    String keys = env->GetKeyNames(sec);
    if (!*keys.CStr()) out->Append(StandInText::kNoEntries).Append(kCrLf);
    for (const char* key = keys.CStr(); *key; key += strlen(key) + 1) {
        String value = env->GetString(sec, key, "");
        out->Append("  ").Append(key).Append("=").Append(value.CStr()).Append(kCrLf);
    }
}

// Every section of the file in file order, found by its header line.
void AppendSections(String* out, FEnv2* env)
{
    const char* p = env->Image();
    const char* end = p + env->ImageSize();
    while (p < end) {
        const char* eol = p;
        while (eol < end && !(eol[0] == '\r' && eol + 1 < end && eol[1] == '\n')) ++eol;
        if (*p == '[') {
            // "]" can be the second byte of a double-byte character.
            const char* q = p + 1;
            while (q < eol && *q != ']') q += (IsLeadByte((unsigned char)*q) && q + 1 < eol) ? 2 : 1;
            if (q < eol) AppendSection(out, env, String(p + 1, (int)(q - p - 1)).CStr());
        }
        p = eol + 2;
    }
}

void AppendFile(String* out, const String& path)
{
    out->Append(kCrLf).Append("■ ").Append(path.CStr()).Append(kCrLf);
    if (PathStateQuiet(path) != PS_FILE) {
        out->Append(StandInText::kFileMissing).Append(kCrLf);
        return;
    }
    SafePtr<FEnv2> env(new FEnv2(path, 0));
    if (!env->IsLoaded()) {
        out->Append(StandInText::kFileUnreadable).Append(kCrLf);
        return;
    }
    AppendSections(out, env.Get());
}

}  // namespace

String SettingsReport(const String& programPath, const String& productDataDir, const String& programFolder,
                      const char* document)
{
    String out;  // Append writes at the append position, so start empty
    out.Append(StandInText::kHeading).Append(kCrLf);
    out.Append(StandInText::kProgramLabel).Append(programPath.CStr()).Append(kCrLf);
    if (document) {
        out.Append(StandInText::kDocumentLabel);
        out.Append(*document ? document : StandInText::kNoDocument).Append(kCrLf);
    }
    AppendFile(&out, productDataDir + String("COMMON.ENV"));
    AppendFile(&out, programFolder + String("SHARE.ENV"));
    AppendFile(&out, programFolder + String("ZUNTOSHL.ENV"));
    return out;
}
