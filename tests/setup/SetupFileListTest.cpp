// SetupFileListTest.cpp - SETUP.LST entries and the path macros of their
// folders, against the folders of the Wine prefix.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "common/ChildProcess.h"
#include "setup/SetupDriver.h"
#include "setup/SetupFileList.h"
#include "wcls/FEnv2.h"
#include "wcls/PathText.h"

namespace {

typedef std::vector<std::string> Lines;

class SetupFileListTest : public testing::Test {
protected:
    // The data folders as the driver sets them (the macro adds the common one's backslash).
    void SetUp() override
    {
        char buf[MAX_PATH];
        ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, buf, CSIDL_COMMON_APPDATA, FALSE));
        g_commonAppDataDir = String(buf);
        common = std::string(buf) + "\\";
        g_productDataDir = String((common + "TarvoNomiraZunto8CommonAppData\\").c_str());
        win = std::string(buf, GetWindowsDirectoryA(buf, MAX_PATH)) + "\\";
        sys = std::string(buf, GetSystemDirectoryA(buf, MAX_PATH)) + "\\";
    }
    // Sections walked as the copy engine does (blank values skipped): a line per entry.
    static Lines Entries(const char* file, const char* const* sections, const char* app)
    {
        SafePtr<FEnv2> list(new FEnv2(String(file), 0, 10000, 100));
        EXPECT_TRUE(list->IsLoaded());
        Lines lines;
        for (; *sections; ++sections) {
            String keys = list->GetKeyNames(*sections);
            for (const char* key = keys.CStr(); *key; key += strlen(key) + 1) {
                String value = list->GetString(*sections, key, "");
                if (IsBlankText(value.CStr())) continue;
                SetupFileEntry e;
                ParseSetupFileEntry(value.CStr(), &e, String(app));
                lines.push_back(std::to_string(e.disk) + "|" + std::to_string(e.compressed) + "|" + e.srcName.CStr() +
                                "|" + e.destName.CStr() + "|" + e.destFolder.CStr());
            }
        }
        return lines;
    }
    std::string common, win, sys;
};

}  // namespace

TEST_F(SetupFileListTest, MacrosExpandByTheirRules)
{
    const struct {
        std::string text, app, expected;
    } cases[] = {
        {"$(AppPath)Main", "C:\\Prog", "C:\\Prog\\Main"},
        {"$(apppath)$(APPPATH)", "C:\\Prog", "C:\\Prog\\C:\\Prog\\"},
        {"$(WinPath)$(WinSysPath)", "C:\\Prog", win + sys},
        {"$(CommonAppData)$(mycommonappdata)", "C:\\Prog", common + common + "TarvoNomiraZunto8CommonAppData\\"},
        {"$(Foo)\\x", "C:\\Prog", "$(Foo)\\x"},
        {"$(AppPath", "C:\\Prog", "$(AppPath"},
        {"$$(AppPath)", "C:\\Prog", "$C:\\Prog\\"},
        {"表$(AppPath)ソ", "C:\\Prog", "表C:\\Prog\\ソ"},  // 95 5C and 83 5C pass untouched
        {"$(ＡppPath)", "C:\\Prog", "$(ＡppPath)"},       // a double-byte A is no A
        {"$(AppPath)", "C:\\$(WinPath)", "C:\\$(WinPath)\\"},  // substituted values are not scanned again
        {"$(AppPath)x", "D:\\帳表", "D:\\帳表\\x"},         // a path ending in 95 5C still gets its backslash
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, ExpandPathMacros(String(c.text.c_str()), String(c.app.c_str())).CStr()) << c.text;
    std::string fresh, update;  // the runs of the sections
    for (const char* const* s = SetupSectionOrder(false); *s; ++s) fresh += *s + std::string(" ");
    for (const char* const* s = SetupSectionOrder(true); *s; ++s) update += *s + std::string(" ");
    EXPECT_EQ("Common Files Setting Files2 |Common Update Files2 ", fresh + "|" + update);
}

TEST_F(SetupFileListTest, AwkwardListParsesSectionBySection)
{
    const std::string app = "C:\\Program Files\\ズント帳表\\";
    const char* const sections[] = {"Files", "setting", "Update", "FILES2", nullptr};
    EXPECT_EQ((Lines{
                  "2|1|ZUNTO8.EX_|ZUNTO8.EXE|" + app + "Main\\",
                  "2|1|ZUNTOSHL.EX_|ZUNTOSHL.EXE|" + app + "Main\\",  // blanks around numbers
                  "3|1|SUB\\ZUNTO.DL_|ZUNTO.DLL|" + sys,
                  "3|0|帳票,サンプル.TXT|帳票,サンプル.TXT|" + win + "Fonts\\",  // quoted commas
                  "1|0|SHORT.TXT||",  // a short line: empty name and folder
                  "1|0|FIRST.TXT|FIRST.TXT|" + app, "1|0|FIRST.TXT|FIRST.TXT|" + app,  // duplicate keys read the first
                  "1|0|COMMON.ENV|COMMON.ENV|" + std::string(g_productDataDir.CStr()),
                  "1|0|SHARE.ENV|SHARE.ENV|" + common + "Tarvo\\$(Foo)\\",
                  "0|0|SHARE.ENV|SHARE.ENV |" + win + app,  // a trailing blank stays in the name
                  "2|1|ZUNTO8.EX_|ZUNTO8.EXE|" + app + "Main\\",
                  "1|0||ZUNTO7.DLL|" + app + "Main\\", "1|0||ZUNTO6.DLL|" + app + "Main\\",  // no source: removed
                  "1|0|帳票,サンプル.TXT|帳票表.TXT|" + app + "Samples\\表\\",
                  "1|0|A.TXT|A.TXT|$(AppPath $(WinPath\\",
                  "-1|7|B.TXT|B.TXT|C:\\Fixed\\",
              }),
              Entries(SOURCE_ROOT "tests/setup/data/SETUP.LST", sections, "C:\\Program Files\\ズント帳表"));
}

CHILD_SCENARIO(DocPathEndsTheProcess)
{
    SetupFileEntry e;
    ParseSetupFileEntry("1,0,A.TXT,A.TXT,$(AppPath)", &e, String("C:\\Prog"));
    ParseSetupFileEntry("1,0,B.TXT,B.TXT,Docs$(docpath)", &e, String("C:\\Prog"));
    ExitProcess(0);  // not reached
}

TEST_F(SetupFileListTest, DocPathIsAFatalInternalError)
{
    ChildResult r = RunChildScenario("DocPathEndsTheProcess");
    EXPECT_EQ(255u, r.exitCode);
    ASSERT_EQ(1u, r.boxes.size());
    EXPECT_EQ("内部エラー DocPathが参照されました\n\n致命的なエラー", r.boxes[0].text);
}
