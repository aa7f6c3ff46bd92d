// PathTextTest.cpp - path text rules, with double-byte names whose trail
// byte is 0x5C ("表" is 95 5C, "ソ" is 83 5C).
#include <gtest/gtest.h>

#include <windows.h>

#include "common/TempDir.h"
#include "wcls/ErrorReport.h"
#include "wcls/PathText.h"
#include "wcls/SysFolders.h"

TEST(PathText, NamePartFolderFormAndSplit)
{
    struct Case {
        const char* path;
        int name;
        const char* folderForm;
    } cases[] = {
        {"C:\\Prog", 3, "C:\\Prog\\"},
        {"C:\\Prog\\", 8, "C:\\Prog\\"},
        {"C:", 2, "C:"},
        {"C:\\", 3, "C:\\"},
        {"", 0, ""},
        {"C:\\Prog\\   ", 8, "C:\\Prog\\   "},  // blanks after the separator
        {"C:foo", 2, "C:foo\\"},
        {"a/b", 2, "a/b\\"},
        {"C:\\表", 3, "C:\\表\\"},            // 95 5C is one character
        {"C:\\ソフト\\表", 10, "C:\\ソフト\\表\\"},
        {"\\\\srv\\share", 6, "\\\\srv\\share\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(c.name, NamePart(c.path));
        EXPECT_STREQ(c.folderForm, FolderForm(String(c.path)).CStr());
    }
    String name;
    EXPECT_STREQ("C:\\ソフト\\", SplitPath(String("C:\\ソフト\\表.ENV"), &name).CStr());
    EXPECT_STREQ("表.ENV", name.CStr());
    EXPECT_STREQ("", SplitPath(String("SETUP.EXE"), &name).CStr());
    EXPECT_STREQ("SETUP.EXE", name.CStr());
}

TEST(PathText, StripBackslashAndNameChecks)
{
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"C:\\", "C:\\"},        {"C:\\Prog\\", "C:\\Prog"}, {"C:\\Prog\\  ", "C:\\Prog"},
        {"C:\\Prog", "C:\\Prog"}, {"C:\\表", "C:\\表"},      {"C:\\ソ\\", "C:\\ソ"},
        {"\\", ""},              {"", ""},                  {"a\\\\", "a\\"},
    };
    for (const Case& c : cases) EXPECT_STREQ(c.out, StripBackslash(String(c.in)).CStr()) << c.in;

    g_lLastFileError = 0;
    EXPECT_EQ(1, CheckNameChars("C:\\表\\ソ.txt"));
    EXPECT_EQ(0, g_lLastFileError);
    EXPECT_EQ(0, CheckNameChars("C:\\a<b"));
    EXPECT_EQ(-3, g_lLastFileError);
    EXPECT_EQ(0, CheckNameChars("C:/a"));
}

TEST(PathText, RootsForMessagesAndVolumes)
{
    EXPECT_STREQ("C:", PathRoot("C:\\Prog\\a").CStr());
    EXPECT_STREQ("\\\\srv\\share", PathRoot("\\\\srv\\share\\dir\\f").CStr());
    EXPECT_STREQ("\\\\srv", PathRoot("\\\\srv").CStr());
    EXPECT_STREQ("", PathRoot("relative\\a").CStr());

    String root;
    EXPECT_EQ(1, VolumeRoot("  \\\\srv\\share\\dir  ", &root));
    EXPECT_STREQ("\\\\srv\\share\\", root.CStr());
    EXPECT_EQ(-2, VolumeRoot("\\\\srv", &root));
    EXPECT_STREQ("\\\\srv", root.CStr());
    EXPECT_EQ(0, VolumeRoot("d:\\x", &root));
    EXPECT_STREQ("d:", root.CStr());
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof(cwd), cwd);
    EXPECT_EQ(0, VolumeRoot("relative", &root));
    EXPECT_EQ(std::string(cwd, 2), root.CStr());
}

TEST(PathText, FullPathTakesStoredNamesAndCase)
{
    TempDir dir;
    std::string base = dir.Path();
    ASSERT_TRUE(CreateDirectoryA((base + "\\Long Folder Name").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((base + "\\表ソ").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(base + "\\表ソ\\MixedCase.Txt", "x"));
    char shortName[MAX_PATH] = {};
    GetShortPathNameA((base + "\\Long Folder Name").c_str(), shortName, sizeof(shortName));

    String full = FullPath(String(base.c_str()));
    std::string b = full.CStr();  // the base as the file system stores it
    EXPECT_STREQ((b + "\\Long Folder Name").c_str(), FullPath(String(shortName)).CStr());
    EXPECT_STREQ((b + "\\表ソ\\MixedCase.Txt").c_str(), FullPath(String((base + "/表ソ/MIXEDCASE.TXT").c_str())).CStr());
    EXPECT_STREQ((b + "\\表ソ\\").c_str(), FullPath(String((base + "\\\\.\\表ソ\\..\\表ソ\\").c_str())).CStr());
    // What does not exist, or holds a wildcard, stays as typed from there on.
    EXPECT_STREQ((b + "\\表ソ\\missing\\..\\Y").c_str(), FullPath(String((base + "\\表ソ\\missing\\..\\Y").c_str())).CStr());
    EXPECT_STREQ((b + "\\表ソ\\*.txt").c_str(), FullPath(String(("  " + base + "\\表ソ\\*.txt  ").c_str())).CStr());
    // ".." never climbs above the root.
    EXPECT_STREQ("C:\\", FullPath(String("C:\\..\\..")).CStr());

    // Relative paths start at the current folder.
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof(cwd), cwd);
    SetCurrentDirectoryA((base + "\\表ソ").c_str());
    EXPECT_STREQ((b + "\\表ソ\\MixedCase.Txt").c_str(), FullPath(String("mixedcase.txt")).CStr());
    EXPECT_STREQ((b.substr(0, 2) + "\\windows").c_str(), FullPath(String("\\WINDOWS")).CStr());
    // ".." climbs above the current folder, up to the drive root.
    EXPECT_STREQ((b + "\\Long Folder Name").c_str(), FullPath(String("..\\long folder name")).CStr());
    EXPECT_STREQ((b.substr(0, 2) + "\\windows").c_str(), FullPath(String("..\\..\\..\\..\\..\\..\\..\\..\\windows")).CStr());
    SetCurrentDirectoryA(cwd);
}

TEST(SysFolders, SystemFoldersInFolderForm)
{
    String windows = WindowsFolder(), system = SystemFolder();
    EXPECT_STREQ("C:\\windows\\", windows.CStr());
    EXPECT_EQ(0, _stricmp("C:\\windows\\system32\\", system.CStr()));
    String current = CurrentFolder(0), raw = CurrentFolder(1);
    EXPECT_STREQ((std::string(raw.CStr()) + "\\").c_str(), current.CStr());
    String program = ProgramFolder();
    EXPECT_EQ('\\', program.CStr()[program.Length() - 1]);
}
