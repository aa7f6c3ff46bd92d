// SetupFileList.cpp - the entries of SETUP.LST and their path macros.
#include "SetupFileList.h"


#include "SetupDriver.h"
#include "SetupTexts.h"
#include "wcls/ErrorReport.h"
#include "wcls/FEnv2.h"
#include "wcls/PathText.h"
#include "wcls/SysFolders.h"

namespace {

enum Macro { MACRO_APP, MACRO_DOC, MACRO_COMMON, MACRO_PRODUCT, MACRO_WIN, MACRO_SYS };

// Tested in this order at every position of the text.
const struct {
    const char* name;
    Macro macro;
} kMacros[] = {
    {"$(AppPath)", MACRO_APP},
    {"$(DocPath)", MACRO_DOC},
    {"$(CommonAppData)", MACRO_COMMON},
    {"$(MyCommonAppData)", MACRO_PRODUCT},
    {"$(WinPath)", MACRO_WIN},
    {"$(WinSysPath)", MACRO_SYS},
};

const char kDocPathFatal[] = "内部エラー DocPathが参照されました";

const char* const kFreshSections[] = {"Common", "Files", SetupText::kSettingSection, "Files2", nullptr};
const char* const kUpdateSections[] = {"Common", "Update", "Files2", nullptr};

String MacroValue(Macro macro, const String& appPath)
{
    switch (macro) {
    case MACRO_APP: return FolderForm(appPath);
    case MACRO_COMMON: return FolderForm(g_commonAppDataDir);
    case MACRO_PRODUCT: return FolderForm(g_productDataDir);
    case MACRO_WIN: return WindowsFolder();
    case MACRO_SYS: return SystemFolder();
    case MACRO_DOC: break;
    }
    // No folder stands for documents in this program: a list naming one is
    // broken, and guessing a folder could scatter files.
    ReportKind(ERR_FATAL, kDocPathFatal);
    FatalExit(nullptr);  // not reached: the fatal kind ends the process
}

}  // namespace

const char* const* SetupSectionOrder(bool update)
{
    return update ? kUpdateSections : kFreshSections;
}

String ExpandPathMacros(const String& text, const String& appPath)
{
    String result;
    const char* p = text.CStr();
    const char* end = p + text.Length();
    while (p < end) {
        const char* after = nullptr;
        Macro macro = MACRO_APP;
        for (const auto& m : kMacros) {
            after = MatchEnvName(m.name, p, end);
            if (after) {
                macro = m.macro;
                break;
            }
        }
        if (after) {
            result.Append(MacroValue(macro, appPath).CStr());
            p = after;
        } else {
            // Byte by byte: '$' is never the second byte of a character.
            char one[2] = {*p++, '\0'};
            result.Append(one);
        }
    }
    return result;
}

String SetupSourceName(const char* value)
{
    const char* p = value ? value : "";
    NextToken(&p, ',');
    NextToken(&p, ',');
    return NextToken(&p, ',');
}

void ParseSetupFileEntry(const char* value, SetupFileEntry* entry, const String& appPath)
{
    const char* p = value ? value : "";
    entry->disk = TextToLong(NextToken(&p, ',').CStr());
    entry->compressed = TextToLong(NextToken(&p, ',').CStr());
    entry->srcName = NextToken(&p, ',');
    entry->destName = NextToken(&p, ',');
    entry->destFolder = FolderForm(ExpandPathMacros(NextToken(&p, ','), appPath));
}
