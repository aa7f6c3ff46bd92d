// PathTextTest.cpp - path text rules; "表" is 95 5C, "ソ" is 83 5C.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/TempDir.h"
#include "wcls/ErrorReport.h"
#include "wcls/PathText.h"

TEST(PathText, NamePartFolderFormSplitAndStrip)
{
    const struct {
        const char *path, *folderForm, *stripped;
        int name;
    } cases[] = {
        {"C:\\Prog", "C:\\Prog\\", "C:\\Prog", 3},
        {"C:\\Prog\\", "C:\\Prog\\", "C:\\Prog", 8},
        {"C:", "C:", "C:", 2},
        {"C:\\", "C:\\", "C:\\", 3},  // a drive root keeps its backslash
        {"", "", "", 0},
        {"C:\\Prog\\   ", "C:\\Prog\\   ", "C:\\Prog", 8},  // blanks after the separator
        {"a/b", "a/b\\", "a/b", 2},
        {"C:\\表", "C:\\表\\", "C:\\表", 3},
        {"C:\\ソフト\\表", "C:\\ソフト\\表\\", "C:\\ソフト\\表", 10},
        {"\\\\srv\\share", "\\\\srv\\share\\", "\\\\srv\\share", 6},
        {"a\\\\", "a\\\\", "a\\", 3},
        {"C:\\ab\x95", "C:\\ab\\", "C:\\ab\x95", 3},  // a cut lead byte would hide the backslash
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(c.name, NamePart(c.path));
        EXPECT_STREQ(c.folderForm, FolderForm(String(c.path)).CStr());
        EXPECT_STREQ(c.stripped, StripBackslash(String(c.path)).CStr());
    }
    String name;
    EXPECT_STREQ("C:\\ソフト\\", SplitPath(String("C:\\ソフト\\表.ENV"), &name).CStr());
    EXPECT_STREQ("表.ENV", name.CStr());
    EXPECT_EQ(1, CheckNameChars("C:\\表\\ソ.txt"));
    EXPECT_EQ(0, CheckNameChars("C:/a"));
    EXPECT_EQ(-3, g_lLastFileError);
}

TEST(PathText, RootsForMessagesAndVolumes)
{
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof(cwd), cwd);
    const struct {
        const char* path;
        std::string forMessages, forVolumes;
        int status;
    } cases[] = {{"  \\\\srv\\share\\dir  ", "", "\\\\srv\\share\\", 1},
                 {"\\\\srv\\share\\d\\f", "\\\\srv\\share", "\\\\srv\\share\\", 1},
                 {"\\\\srv", "\\\\srv", "\\\\srv", -2}, {"d:\\x", "d:", "d:", 0}, {"relative", "", std::string(cwd, 2), 0}};
    for (const auto& c : cases) {
        String root;
        EXPECT_EQ(c.status, VolumeRoot(c.path, &root)) << c.path;
        EXPECT_EQ(c.forVolumes, root.CStr()) << c.path;
        EXPECT_EQ(c.forMessages, PathRoot(c.path).CStr()) << c.path;
    }
}

TEST(PathText, FullPathTakesStoredNamesAndClimbsToTheRoot)
{
    TempDir dir;
    std::string base = dir.Path();
    ASSERT_TRUE(CreateDirectoryA((base + "\\Long Folder Name").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((base + "\\表ソ").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(base + "\\表ソ\\MixedCase.Txt", "x"));
    char shortName[MAX_PATH] = {};
    GetShortPathNameA((base + "\\Long Folder Name").c_str(), shortName, sizeof(shortName));
    const std::string b = FullPath(String(base.c_str())).CStr();  // as the file system stores it
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof(cwd), cwd);
    SetCurrentDirectoryA((base + "\\表ソ").c_str());
    const struct {
        std::string in, out;
    } cases[] = {
        {shortName, b + "\\Long Folder Name"},
        {base + "/表ソ/MIXEDCASE.TXT", b + "\\表ソ\\MixedCase.Txt"},
        {base + "\\\\.\\表ソ\\..\\表ソ\\", b + "\\表ソ\\"},
        {base + "\\表ソ\\missing\\..\\Y", b + "\\表ソ\\missing\\..\\Y"},  // from what is missing on: as typed
        {"  " + base + "\\表ソ\\*.txt  ", b + "\\表ソ\\*.txt"},              // so from a wildcard
        {"C:\\..\\..", "C:\\"},
        {"mixedcase.txt", b + "\\表ソ\\MixedCase.Txt"},  // relative: from the current folder
        {"\\WINDOWS", b.substr(0, 2) + "\\windows"},
        {"..\\long folder name", b + "\\Long Folder Name"},  // ".." climbs above the current folder
        {"..\\..\\..\\..\\..\\..\\..\\..\\windows", b.substr(0, 2) + "\\windows"},  // up to the root only
    };
    for (const auto& c : cases) EXPECT_EQ(c.out, FullPath(String(c.in.c_str())).CStr()) << c.in;
    SetCurrentDirectoryA(cwd);
}
