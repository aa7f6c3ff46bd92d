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

std::string FolderOf(UINT (WINAPI* query)(LPSTR, UINT))
{
    char buf[MAX_PATH];
    UINT n = query(buf, sizeof(buf));
    return std::string(buf, n) + "\\";
}

// The shared data folders as the driver sets them (the common one left
// without its backslash: the macro brings it to folder form).
void SetDataFolders()
{
    char common[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, common, CSIDL_COMMON_APPDATA, FALSE));
    g_commonAppDataDir = String(common);
    g_productDataDir = FolderForm(g_commonAppDataDir) + String("TarvoNomiraZunto8CommonAppData\\");
}

// Walks a section as the copy engine does: list the keys, read each, skip
// blank values, parse the rest. One line per entry.
std::vector<std::string> Entries(FEnv2* list, const char* section, const String& app)
{
    std::vector<std::string> lines;
    String keys = list->GetKeyNames(section);
    for (const char* key = keys.CStr(); *key; key += strlen(key) + 1) {
        int found = 0;
        String value = list->GetString(section, key, "", &found);
        if (!found || IsBlankText(value.CStr())) continue;
        SetupFileEntry e;
        ParseSetupFileEntry(value.CStr(), &e, app);
        lines.push_back(std::to_string(e.disk) + "|" + std::to_string(e.compressed) + "|" + e.srcName.CStr() +
                        "|" + e.destName.CStr() + "|" + e.destFolder.CStr());
    }
    return lines;
}

}  // namespace

TEST(SetupFileList, MacrosExpandByTheirRules)
{
    SetDataFolders();
    const std::string win = FolderOf(GetWindowsDirectoryA), sys = FolderOf(GetSystemDirectoryA);
    const std::string common = std::string(g_commonAppDataDir.CStr()) + "\\";
    const String app("C:\\Prog");
    struct Case {
        std::string text, expected;
    } cases[] = {
        {"$(AppPath)Main", "C:\\Prog\\Main"},
        {"$(apppath)$(APPPATH)", "C:\\Prog\\C:\\Prog\\"},
        {"$(WinPath)$(WinSysPath)", win + sys},
        {"$(CommonAppData)$(mycommonappdata)", common + common + "TarvoNomiraZunto8CommonAppData\\"},
        {"$(Foo)\\x", "$(Foo)\\x"},
        {"$(AppPath", "$(AppPath"},
        {"$$(AppPath)", "$C:\\Prog\\"},
        {"表$(AppPath)ソ", "表C:\\Prog\\ソ"},      // 95 5C and 83 5C pass untouched
        {"$(ＡppPath)", "$(ＡppPath)"},           // a double-byte A is no A
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.expected, ExpandPathMacros(String(c.text.c_str()), app).CStr());
    }
    // Substituted values are not scanned again; an application path ending
    // in 表 (95 5C) still gets its backslash.
    EXPECT_STREQ("C:\\$(WinPath)\\", ExpandPathMacros(String("$(AppPath)"), String("C:\\$(WinPath)")).CStr());
    EXPECT_STREQ("D:\\帳表\\x", ExpandPathMacros(String("$(AppPath)x"), String("D:\\帳表")).CStr());
}

TEST(SetupFileList, RealisticListParsesSectionBySection)
{
    SetDataFolders();
    const std::string win = FolderOf(GetWindowsDirectoryA), sys = FolderOf(GetSystemDirectoryA);
    const std::string app = "C:\\Program Files\\ズント帳表";
    const std::string appF = app + "\\";
    const std::string common = std::string(g_commonAppDataDir.CStr()) + "\\";
    const std::string product = g_productDataDir.CStr();

    SafePtr<FEnv2> list(new FEnv2(String(SOURCE_ROOT "tests/setup/data/SETUP.LST"), 0, 10000, 100));
    ASSERT_TRUE(list->IsLoaded());
    const String appPath(app.c_str());

    typedef std::vector<std::string> Lines;
    EXPECT_EQ((Lines{"1|0|README.TXT|README.TXT|" + appF, "1|0|LICENSE.TXT|LICENSE.TXT|" + appF}),
              Entries(list.Get(), "Common", appPath));
    EXPECT_EQ((Lines{
                  "2|1|ZUNTO8.EX_|ZUNTO8.EXE|" + appF + "Main\\",
                  "2|1|ZUNTOSHL.EX_|ZUNTOSHL.EXE|" + appF + "Main\\",
                  "3|1|SUB\\ZUNTO.DL_|ZUNTO.DLL|" + sys,
                  "3|0|帳票,サンプル.TXT|帳票,サンプル.TXT|" + win + "Fonts\\",
                  "1|0|SHORT.TXT||",                   // a short line: empty name and folder
                  "1|0|FIRST.TXT|FIRST.TXT|" + appF,   // duplicate keys both read the first
                  "1|0|FIRST.TXT|FIRST.TXT|" + appF,
              }),
              Entries(list.Get(), "Files", appPath));
    EXPECT_EQ((Lines{
                  "1|0|COMMON.ENV|COMMON.ENV|" + product,
                  "1|0|SHARE.ENV|SHARE.ENV|" + common + "Tarvo\\$(Foo)\\",
                  "0|0|SHARE.ENV|SHARE.ENV |" + win + appF,  // a trailing blank stays in the name
              }),
              Entries(list.Get(), "setting", appPath));
    EXPECT_EQ((Lines{
                  "2|1|ZUNTO8.EX_|ZUNTO8.EXE|" + appF + "Main\\",
                  "1|0||ZUNTO7.DLL|" + appF + "Main\\",  // no source: the file is removed
                  "1|0||ZUNTO6.DLL|" + appF + "Main\\",
              }),
              Entries(list.Get(), "Update", appPath));
    EXPECT_EQ((Lines{
                  "1|0|帳票,サンプル.TXT|帳票表.TXT|" + appF + "Samples\\表\\",
                  "1|0|A.TXT|A.TXT|$(AppPath $(WinPath\\",
                  "-1|7|B.TXT|B.TXT|C:\\Fixed\\",
              }),
              Entries(list.Get(), "FILES2", appPath));

    // The runs: Common, Files, Setting, Files2 afresh; Common, Update, Files2
    // for an update.
    auto names = [](const char* const* order) {
        std::string joined;
        for (; *order; ++order) joined += std::string(*order) + "|";
        return joined;
    };
    EXPECT_EQ("Common|Files|Setting|Files2|", names(SetupSectionOrder(false)));
    EXPECT_EQ("Common|Update|Files2|", names(SetupSectionOrder(true)));
}

TEST(SetupFileList, SampleMediaListParses)
{
    SetDataFolders();
    SafePtr<FEnv2> list(new FEnv2(String(SOURCE_ROOT "media/SETUP.LST"), 0, 10000, 100));
    ASSERT_TRUE(list->IsLoaded());
    std::vector<std::string> all;
    for (const char* const* sec = SetupSectionOrder(false); *sec; ++sec)
        for (const std::string& line : Entries(list.Get(), *sec, String("C:\\Z")))
            all.push_back(line);
    EXPECT_EQ((std::vector<std::string>{
                  "1|0|SETUP.EXE|SETUP.EXE|C:\\Z\\",
                  "1|0|README.TXT|README.TXT|C:\\Z\\",
                  "1|1|ZUNTO8.EX_|ZUNTO8.EXE|C:\\Z\\Main\\",
                  "1|1|ZUNTOSHL.EX_|ZUNTOSHL.EXE|C:\\Z\\Main\\",
                  "1|0|SHARE.ENV|SHARE.ENV|C:\\Z\\Main\\",
                  "1|0|ZUNTOSHL.ENV|ZUNTOSHL.ENV|C:\\Z\\Main\\",
                  std::string("1|0|COMMON.ENV|COMMON.ENV|") + g_productDataDir.CStr(),
                  "1|1|見本\\勘定科目表.TX_|勘定科目表.TXT|C:\\Z\\Samples\\",
                  "1|0|帳票,サンプル.TXT|帳票サンプル.TXT|C:\\Z\\Samples\\",
              }),
              all);
}

CHILD_SCENARIO(DocPathEndsTheProcess)
{
    SetupFileEntry e;
    ParseSetupFileEntry("1,0,A.TXT,A.TXT,$(AppPath)", &e, String("C:\\Prog"));
    ParseSetupFileEntry("1,0,B.TXT,B.TXT,Docs$(docpath)", &e, String("C:\\Prog"));
    ExitProcess(0);  // not reached
}

TEST(SetupFileList, DocPathIsAFatalInternalError)
{
    ChildResult r = RunChildScenario("DocPathEndsTheProcess");
    ASSERT_TRUE(r.started);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(255u, r.exitCode);
    ASSERT_EQ(1u, r.boxes.size());
    EXPECT_EQ("内部エラー DocPathが参照されました\n\n致命的なエラー", r.boxes[0].text);
}
