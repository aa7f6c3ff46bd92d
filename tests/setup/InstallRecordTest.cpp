// InstallRecordTest.cpp - registry records of installed versions, read
// safely whatever the values hold; earlier versions found by their files.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/BoxWatcher.h"
#include "common/TempDir.h"
#include "setup/EarlierVersions.h"
#include "setup/InstallRecord.h"
#include "wcls/ErrorReport.h"
#include "wcls/Handles.h"
#include "wcls/Registry.h"
#include "wcls/ShellFolder.h"

namespace {

const char kKey5[] = "software\\tarvo\\zunto5\\data";

class RegistryTest : public testing::Test {
protected:
    void SetUp() override
    {
        StartErrorThread();
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey5);
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey5, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
    }
    void TearDown() override
    {
        RegCloseKey(key);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey5);
        StopErrorThread();
    }
    void Set(const char* name, DWORD type, const void* data, DWORD size)
    {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, (const BYTE*)data, size));
    }
    HKEY key = nullptr;
};

}  // namespace

TEST_F(RegistryTest, RecordValuesOfEveryShapeReadSafely)
{
    const char appDir[] = "C:\\Program Files\\表ソ\\";
    DWORD number = 5;
    std::string longPath = "C:\\" + std::string(400, 'x') + "\\ZUNTO.LNK";
    const char noNul[] = {'C', ':', '\\', 'A'};  // stored without its NUL
    Set("AppDir", REG_DWORD, &number, sizeof(number));
    Set("KeyAppDir", REG_SZ, appDir, sizeof(appDir));
    Set("pathShortcut1", REG_SZ, longPath.c_str(), (DWORD)longPath.size() + 1);
    Set("pathShortcut2", REG_SZ, noNul, sizeof(noNul));

    InstallRecord r;
    r.AppDir = String("stale");
    ASSERT_EQ(1, ReadInstallRecord(&r, 5));
    EXPECT_STREQ("", r.AppDir.CStr());  // a number is no folder
    EXPECT_STREQ(appDir, r.KeyAppDir.CStr());
    EXPECT_STREQ(longPath.c_str(), r.pathShortcut1.CStr());
    EXPECT_STREQ("C:\\A", r.pathShortcut2.CStr());

    // RegQueryValue grows its buffer and reports the size it needed.
    String raw;
    DWORD type = 0, size = 16;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValue(key, "pathShortcut1", &type, &raw, &size));
    EXPECT_EQ(longPath.size() + 1, size);
    EXPECT_EQ((DWORD)REG_SZ, type);
    size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValue(key, "AppDir", &type, nullptr, &size));
    EXPECT_EQ(sizeof(DWORD), size);
}

TEST_F(RegistryTest, MissingRecordsAndVersionsOutOfRange)
{
    BoxWatcher boxes;
    RegCloseKey(key);
    key = nullptr;
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey5);
    InstallRecord r;
    r.KeyAppDir = String("stale");
    EXPECT_EQ(1, ReadInstallRecord(&r, 5));  // the empty key is created
    EXPECT_STREQ("", r.KeyAppDir.CStr());
    HKEY created = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey5, 0, KEY_READ, &created));
    RegCloseKey(created);

    EXPECT_EQ(0, ReadInstallRecord(&r, 9));
    EXPECT_EQ(0, ReadInstallRecord(&r, 4));
    ASSERT_TRUE(boxes.WaitFor(2));
    EXPECT_EQ("エラーです\n\n内部エラー　バージョン番号範囲外", boxes.Boxes()[0].text);
}

TEST(InstallRecord, EachVersionsRecordNamesTheFolderWhereItsProgramIsFound)
{
    StartErrorThread();
    TempDir dir;
    const struct {
        int version;
        const char* program;  // relative to its folder
        bool (*has)(const String&);
    } cases[] = {{5, "ZUNTO5.EXE", HasVersion5}, {7, "MAIN\\ZUNTO7.EXE", HasVersion7}, {8, nullptr, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        std::string app = dir.File("v" + std::to_string(c.version)) + "\\";
        CreateDirectoryA(app.c_str(), nullptr);
        CreateDirectoryA((app + "MAIN").c_str(), nullptr);
        UniqueRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, InstallRecordKey(c.version), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, key.Put(), nullptr));
        const std::string values[] = {app, app + "UPPER", app + "1.LNK", app + "2.LNK"};
        const char* names[] = {"AppDir", "KeyAppDir", "pathShortcut1", "pathShortcut2"};
        for (int i = 0; i < 4; ++i)
            RegSetValueExA(key.Get(), names[i], 0, REG_SZ, (const BYTE*)values[i].c_str(), (DWORD)values[i].size() + 1);
        InstallRecord r;
        ASSERT_EQ(1, ReadInstallRecord(&r, c.version));
        const String* fields[] = {&r.AppDir, &r.KeyAppDir, &r.pathShortcut1, &r.pathShortcut2};
        for (int i = 0; i < 4; ++i) EXPECT_EQ(values[i], fields[i]->CStr());
        if (c.has) {
            EXPECT_FALSE(c.has(r.AppDir));
            WriteFileBytes(app + c.program, "");
            EXPECT_TRUE(c.has(r.AppDir));
        }
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, InstallRecordKey(c.version));
    }
    StopErrorThread();
}

TEST(EarlierVersions, FoundByTheirProgramFiles)
{
    StartErrorThread();
    BoxWatcher boxes;
    TempDir dir;
    String folder(dir.Path().c_str());
    EXPECT_FALSE(HasVersion6(folder));
    CreateDirectoryA(dir.File("MAIN").c_str(), nullptr);
    WriteFileBytes(dir.File("MAIN\\ZUNTO6.EXE"), "");
    WriteFileBytes(dir.File("ZUNTO4.EXE"), "");
    CreateDirectoryA(dir.File("ZUNTO5.EXE").c_str(), nullptr);  // a folder is no program file
    EXPECT_TRUE(HasVersion6(folder));
    EXPECT_TRUE(HasVersion4(String((dir.Path() + "\\").c_str())));
    EXPECT_FALSE(HasVersion5(folder));
    EXPECT_FALSE(HasVersion7(folder));
    EXPECT_FALSE(HasVersion6(String((dir.Path() + "\\*").c_str())));  // quietly no
    Sleep(100);
    EXPECT_EQ(0u, boxes.Boxes().size());
    StopErrorThread();
}

TEST(SpecialFolders, KnownFoldersInFolderFormAndSilentFailures)
{
    BoxWatcher boxes;
    String folder;
    ASSERT_EQ(1, SpecialFolder(&folder, nullptr, 0x23, true));
    EXPECT_STREQ("C:\\ProgramData\\", folder.CStr());
    ASSERT_EQ(1, SpecialFolder(&folder, nullptr, 0x26, false));
    // A 32-bit program on a 64-bit system gets the folder of 32-bit programs.
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    EXPECT_STREQ(wow64 ? "C:\\Program Files (x86)\\" : "C:\\Program Files\\", folder.CStr());
    folder = String("stale");
    EXPECT_EQ(0, SpecialFolder(&folder, nullptr, 0x7F, false));
    EXPECT_STREQ("", folder.CStr());
    Sleep(100);
    EXPECT_EQ(0u, boxes.Boxes().size());
}
