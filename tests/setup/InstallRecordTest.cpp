// InstallRecordTest.cpp - records of installed versions; earlier versions found by their files.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/BoxWatcher.h"
#include "common/TempDir.h"
#include "setup/EarlierVersions.h"
#include "setup/InstallRecord.h"
#include "wcls/ErrorReport.h"
#include "wcls/Handles.h"
#include "wcls/Registry.h"

namespace {

class InstallRecordTest : public testing::Test {
protected:
    static void SetUpTestSuite() { StartErrorThread(); }
    static void TearDownTestSuite() { StopErrorThread(); }
    void TearDown() override
    {
        key.Close();
        for (int v = 5; v <= 8; ++v) RegDeleteKeyInView(HKEY_LOCAL_MACHINE, InstallRecordKey(v));
    }
    void Set(int version, const char* name, DWORD type, const void* data, DWORD size)
    {
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, InstallRecordKey(version), 0, nullptr, 0, KEY_ALL_ACCESS | RegView(HKEY_LOCAL_MACHINE), nullptr, key.Put(),
                        nullptr);
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key.Get(), name, 0, type, (const BYTE*)data, size));
    }
    UniqueRegKey key;
    TempDir dir;
    BoxWatcher boxes;
};

}  // namespace

TEST_F(InstallRecordTest, EachVersionsRecordNamesTheFolderWhereItsProgramIsFound)
{
    const struct {
        int version;
        const char* program;  // relative to its folder; either of version 6 and 7 will do
        bool (*has)(const String&);
    } cases[] = {{5, "ZUNTO5.EXE", HasVersion5}, {6, "MAIN\\ZUNTO6.EXE", HasVersion6}, {7, "ZUNTO7.EXE", HasVersion7},
                 {8, nullptr, nullptr}};
    const char* names[] = {"AppDir", "KeyAppDir", "pathShortcut1", "pathShortcut2"};
    for (const auto& c : cases) {
        std::string app = dir.File("v" + std::to_string(c.version)) + "\\";
        CreateDirectoryA(app.c_str(), nullptr);
        CreateDirectoryA((app + "MAIN").c_str(), nullptr);
        const std::string values[] = {app, app + "UPPER", app + "1.LNK", app + "2.LNK"};
        for (int i = 0; i < 4; ++i) Set(c.version, names[i], REG_SZ, values[i].c_str(), (DWORD)values[i].size() + 1);
        InstallRecord r;
        ASSERT_EQ(1, ReadInstallRecord(&r, c.version));
        const String* fields[] = {&r.AppDir, &r.KeyAppDir, &r.pathShortcut1, &r.pathShortcut2};
        for (int i = 0; i < 4; ++i) EXPECT_EQ(values[i], fields[i]->CStr()) << c.version;
        if (!c.has) continue;
        CreateDirectoryA((app + c.program).c_str(), nullptr);  // a folder is no program file
        EXPECT_FALSE(c.has(r.AppDir)) << c.version;
        RemoveDirectoryA((app + c.program).c_str());
        WriteFileBytes(app + c.program, "");
        EXPECT_TRUE(c.has(r.AppDir)) << c.version;
        EXPECT_FALSE(c.has(r.AppDir + String("*")));  // no valid name: quietly no
    }
    Sleep(100);
    EXPECT_EQ(0u, boxes.Boxes().size());
}

TEST_F(InstallRecordTest, ValuesOfEveryShapeReadSafelyAndMissingRecordsAreCreatedEmpty)
{
    DWORD number = 5;
    std::string longPath = "C:\\" + std::string(400, 'x') + "\\ZUNTO.LNK";
    Set(5, "AppDir", REG_DWORD, &number, sizeof(number));
    Set(5, "pathShortcut1", REG_SZ, longPath.c_str(), (DWORD)longPath.size() + 1);
    Set(5, "pathShortcut2", REG_SZ, "C:\\A", 4);  // stored without its NUL
    InstallRecord r;
    r.AppDir = String("stale");
    ASSERT_EQ(1, ReadInstallRecord(&r, 5));
    EXPECT_STREQ("", r.AppDir.CStr());  // a number is no folder
    EXPECT_STREQ(longPath.c_str(), r.pathShortcut1.CStr());
    EXPECT_STREQ("C:\\A", r.pathShortcut2.CStr());
    String raw;  // RegQueryValue grows its buffer and tells the size it needed
    DWORD type = 0, size = 16;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValue(key.Get(), "pathShortcut1", &type, &raw, &size));
    EXPECT_EQ(longPath.size() + 1, size);

    r.KeyAppDir = String("stale");
    EXPECT_EQ(1, ReadInstallRecord(&r, 6));  // the empty key is created
    EXPECT_STREQ("", r.KeyAppDir.CStr());
    HKEY created = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, InstallRecordKey(6), 0, KEY_READ | RegView(HKEY_LOCAL_MACHINE), &created));
    RegCloseKey(created);
    EXPECT_EQ(0, ReadInstallRecord(&r, 9));
    EXPECT_EQ(0, ReadInstallRecord(&r, 4));
    ASSERT_TRUE(boxes.WaitFor(2));
    EXPECT_EQ("エラーです\n\n内部エラー　バージョン番号範囲外", boxes.Boxes()[0].text);
}
