// FEnv2Test.cpp - ENV files: loading, lookups, edits, saving through ".BAK"; lock files.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "common/BoxWatcher.h"
#include "common/ChildProcess.h"
#include "common/TempDir.h"
#include "wcls/ErrorReport.h"
#include "wcls/FEnv2.h"
#include "wcls/FileLock.h"
#include "wcls/FileOps.h"
#include "wcls/Handles.h"

namespace {

std::string ImageOf(const FEnv2* env)
{
    return env->Image() ? std::string(env->Image(), env->ImageSize()) : std::string();
}

std::vector<std::string> Items(const String& list)
{
    std::vector<std::string> items;
    for (const char* p = list.CStr(); *p; p += strlen(p) + 1) items.push_back(p);
    return items;
}

class FEnv2Test : public testing::Test {
protected:
    static void SetUpTestSuite() { StartErrorThread(); }
    static void TearDownTestSuite() { StopErrorThread(); }
    void TearDown() override { g_dwFileTimeout = 5000; }

    SafePtr<FEnv2> Open(const std::string& name, DWORD flags = 0, DWORD lockTimeout = 300)
    {
        return SafePtr<FEnv2>(new FEnv2(String(dir.File(name).c_str()), flags, lockTimeout, 50));
    }
    SafePtr<FEnv2> LoadBytes(const std::string& bytes, DWORD flags = 0)
    {
        EXPECT_TRUE(WriteFileBytes(dir.File("T.ENV"), bytes));
        return Open("T.ENV", flags);
    }
    TempDir dir;
};

TEST_F(FEnv2Test, LoadEndsTheImageInOneCrLf)
{
    const std::string z = "\x1a";
    const struct {
        std::string file, image;
    } cases[] = {
        {"a=1", "a=1\r\n"}, {"a=1\n", "a=1\r\n"}, {"a=1\r", "a=1\r\n"}, {"a=1\r\n" + z, "a=1\r\n"},
        {"a=1" + z + z, "a=1" + z + "\r\n"},  // one Ctrl-Z only
        {"a=1\n\r", "a=1\n\r\n"},             // LF then CR: only the CR goes
        {"a=1\r\n\r\n", "a=1\r\n\r\n"},       // one line end only
        {"x\ny\rz=1", "x\ny\rz=1\r\n"},       // lone LF and CR are bytes
        {"", ""}, {z, ""}, {"\r\n", ""},
    };
    for (const auto& c : cases) {  // the image: the file with the slack, at least the minimum
        SCOPED_TRACE(testing::PrintToString(c.file));
        SafePtr<FEnv2> env = LoadBytes(c.file);
        EXPECT_EQ((DWORD)ENV_LOADED, env->Flags());
        EXPECT_EQ(c.image, ImageOf(env.Get()));
        EXPECT_EQ(c.file.empty() ? 0 : std::max<uint32_t>((uint32_t)c.file.size() + 2048, 10240), env->ImageCapacity());
    }
}

TEST_F(FEnv2Test, SetStringRefusesBadBytesKeepsEqualValuesGrowsAndClears)
{
    const std::string original = "[A]\r\nk=01\r\n[B]\r\n";
    SafePtr<FEnv2> env = LoadBytes(original);
    EXPECT_TRUE(env->SetString("a", "K", "01"));        // the same bytes
    EXPECT_TRUE(env->SetString("A", "gone", nullptr));  // deleting a missing key
    EXPECT_TRUE(env->SetString("Gone", "k", nullptr));  // or a key of a missing section
    EXPECT_FALSE(env->SetString("A", "表=", "v"));      // only single-byte characters count:
    EXPECT_FALSE(env->SetString("ゾ]", "k", "v"));      // 表 (95 5C) and ゾ (83 5D) pass
    EXPECT_FALSE(env->SetString("A", "[k", "v"));       // would end the section
    EXPECT_EQ(original, ImageOf(env.Get()));
    EXPECT_EQ((DWORD)ENV_LOADED, env->Flags());

    EXPECT_TRUE(env->SetString("A", "k", "1"));  // 1 is not 01
    EXPECT_TRUE(env->SetNumber("ゾ", "表", INT32_MIN));
    EXPECT_EQ("[A]\r\nk=1\r\n[B]\r\n[ゾ]\r\n表=-2147483648\r\n", ImageOf(env.Get()));
    EXPECT_EQ((DWORD)(ENV_LOADED | ENV_MODIFIED), env->Flags());
    EXPECT_TRUE(env->SetString("A", "big", std::string(20000, 'v').c_str()));
    EXPECT_EQ(env->ImageSize() + 2048, env->ImageCapacity());  // the size needed and the slack
    uint32_t capacity = env->ImageCapacity();
    EXPECT_TRUE(env->SetString("A", "big", nullptr));
    EXPECT_EQ(capacity, env->ImageCapacity());  // never shrinking

    SafePtr<FEnv2> created = Open("new.ENV", ENV_CREATE | ENV_HIDDEN);  // made hidden; a save keeps it so
    EXPECT_TRUE(created->IsLoaded() && created->SetString("A", "k", "v") && created->Save());
    EXPECT_TRUE(GetFileAttributesA(dir.File("new.ENV").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    SafePtr<FEnv2> cleared = Open("new.ENV");  // Clear empties a non-empty image; the save writes nothing
    cleared->Clear();
    EXPECT_EQ((DWORD)(ENV_LOADED | ENV_MODIFIED), cleared->Flags());
    EXPECT_TRUE(cleared->Save());
    EXPECT_EQ("", ReadFileBytes(dir.File("new.ENV")));
    SafePtr<FEnv2> empty = Open("new.ENV");  // an empty one stays unmodified
    empty->Clear();
    EXPECT_EQ((DWORD)ENV_LOADED, empty->Flags());
}

TEST_F(FEnv2Test, EditsAreSavedByteForByte)
{
    const struct {
        std::string in;
        std::vector<std::array<const char*, 3>> sets;  // section, key, value (null: delete)
        std::string out;
    } cases[] = {
        {"; top\r\n[Main]\r\nF=C:\\Z\r\n\r\n; end of Main\r\n[表示]\r\nW=640\r\n",  // after the section's last
         {{"MAIN", "Desktop", "1"}, {"ソフト", "表", "ソ"}},                                 // lines; a new one at the end
         "; top\r\n[Main]\r\nF=C:\\Z\r\n\r\n; end of Main\r\nDesktop=1\r\n[表示]\r\nW=640\r\n[ソフト]\r\n表=ソ\r\n"},
        {"[ズント帳]\r\nversion=8000\r\nVersion=1\r\nKey =blank\r\n",  // the first entry, in the caller's
         {{"ズント帳", "VERSION", "8040"}, {"ズント帳", "key", "no blank"}},  // spelling; a blank makes another key
         "[ズント帳]\r\nVERSION=8040\r\nVersion=1\r\nKey =blank\r\nkey=no blank\r\n"},
        {"[A]\r\nonly=1\r\n[B]\r\nx=1\r\ny=2\x1a", {{"a", "ONLY", nullptr}, {"B", "x", nullptr}, {"ゼ\\W", "P", "[x];y=z"}},
         "[A]\r\n[B]\r\ny=2\r\n[ゼ\\W]\r\nP=[x];y=z\r\n"},  // deleting never removes a header
    };
    for (const auto& c : cases) {
        SafePtr<FEnv2> env = LoadBytes(c.in);
        for (const auto& set : c.sets) EXPECT_TRUE(env->SetString(set[0], set[1], set[2]));
        ASSERT_TRUE(env->Save());
        EXPECT_EQ(c.out, ReadFileBytes(dir.File("T.ENV")));
        EXPECT_FALSE(Exists(dir.File("T.ENV.BAK")));
    }
}

TEST_F(FEnv2Test, AwkwardInputLoadsAnswersAndSaves)
{
    const std::string big(1 << 20, 'x'), nul(1, '\0');
    std::string input = "top=before\r\na" + nul + "b=nul in key\r\n[S] comment\r\nVersion=8040\r\nkey =blank\r\n"
                        "dup=first\r\nDUP=second\r\n; note=ignored\r\n=nokey\r\nv=a=b;c[d]" + nul + "tail\r\n"
                        "lone\rcr=1\r\nlone\nlf= -42x\r\nempty=\r\nlong=" + big + "\r\n[S\r\nhidden=1\r\n"
                        "[s]\r\nlater=invisible\r\n[ゼ]\r\nk=5B\r\n[ソ]\r\nk=5C\r\n[ゾ]\r\nテ=te\r\nlast=1\x1a";
    SafePtr<FEnv2> env = LoadBytes(input);
    ASSERT_TRUE(env->IsLoaded());
    std::string image = input.substr(0, input.size() - 1) + "\r\n";
    EXPECT_EQ(image, ImageOf(env.Get()));

    int found = -1;
    auto get = [&](const char* sec, const char* key) { return std::string(env->GetString(sec, key, "-", &found).CStr()); };
    const struct {
        const char *sec, *key, *value;
    } lookups[] = {
        {nullptr, "top", "before"}, {nullptr, "Version", "-"},  // the part before the first header
        {"s", "VERSION", "8040"}, {"S", "KEY ", "blank"}, {"S", "key", "-"},  // case counts not, blanks do
        {"S", "dup", "first"}, {"S", "v", "a=b;c[d]"},  // the first wins; a NUL ends the text
        {"S", "hidden", "-"}, {"S", "later", "-"},      // "[S" ends the section; the second [s] is hidden
        {"ゼ", "k", "5B"}, {"ソ", "K", "5C"}, {"ゾ", "テ", "te"}, {"ゾ", "ウ", "-"},  // テ 83 65 is no ウ 83 45
    };
    for (const auto& l : lookups) {
        EXPECT_EQ(l.value, get(l.sec, l.key)) << (l.sec ? l.sec : "(none)") << " " << l.key;
        EXPECT_EQ(strcmp(l.value, "-") != 0, found == 1);
    }
    EXPECT_EQ(-42, env->GetNumber("S", "lone\nlf", 7));
    EXPECT_EQ(0, env->GetNumber("S", "empty", 7, &found));
    EXPECT_EQ(1, found);
    EXPECT_EQ(big.size(), (size_t)env->GetString("S", "long", "").Length());
    EXPECT_EQ((std::vector<std::string>{"top"}), Items(env->GetKeyNames(nullptr)));
    EXPECT_EQ((std::vector<std::string>{"Version", "key ", "dup", "DUP", "v", "lone\nlf", "empty", "long"}),
              Items(env->GetKeyNames("S")));
    EXPECT_EQ((std::vector<std::string>{"テ", "last"}), Items(env->GetKeyNames("ゾ")));
    EXPECT_EQ('\0', env->GetKeyNames("Nothing").CStr()[0]);

    EXPECT_TRUE(env->SetString("s", "long", "short"));  // edits around the long line and at the end
    EXPECT_TRUE(env->SetString("ソ", "k", "new"));
    EXPECT_TRUE(env->SetString("ゾ", "more", "1"));
    ASSERT_TRUE(env->Save());
    std::string expected = image;
    expected.replace(expected.find("long=x"), 5 + big.size(), "long=short");
    expected.replace(expected.find("k=5C"), 4, "k=new");
    EXPECT_EQ(expected + "more=1\r\n", ReadFileBytes(dir.File("T.ENV")));
}

// Reports through the hook, which clobbers the last error as a report's calls may.
std::vector<std::string> g_reports;
void RecordReport(int, const char* detail, const char* text)
{
    g_reports.push_back(std::string(text) + "|" + detail);
    SetLastError(ERROR_SUCCESS);
}

TEST_F(FEnv2Test, RefusedAndFailedSavesTellTheirCauseAndKeepTheFile)
{
    std::string path = dir.File("表.ENV");
    g_dwFileTimeout = 300;
    g_reports.clear();
    SetReportHooks(RecordReport, nullptr);
    SafePtr<FEnv2> missing = Open("表.ENV");  // the open reports; an empty image is edited, never saved
    EXPECT_FALSE(missing->IsLoaded());
    EXPECT_TRUE(missing->SetString("A", "k", "v"));
    EXPECT_FALSE(missing->Save());
    EXPECT_FALSE(Exists(path) || Exists(path + ".BAK"));
    WriteFileBytes(path, "[A]\r\nk=1\r\n");
    SafePtr<FEnv2> env = Open("表.ENV");
    ASSERT_TRUE(env->SetString("A", "k", "2"));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(env->Save());
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    {  // a reader that takes no lock holds the file: the replace fails
        UniqueFile reader(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_FALSE(env->Save());
        EXPECT_EQ("[A]\r\nk=2\r\n", ReadFileBytes(path + ".BAK"));
    }
    DeleteFileA((path + ".BAK").c_str());
    CreateDirectoryA((path + ".BAK").c_str(), nullptr);  // cannot be created
    EXPECT_FALSE(env->Save());
    SetReportHooks(nullptr, nullptr);
    const std::string denied = "アクセスは拒否されました。|";
    EXPECT_EQ((std::vector<std::string>{
                  "パスまたはファイルが見つかりません。|ファイル " + path + " をオープンできません.",
                  "読み込みに成功していないので保存はできません|" + path,
                  "ファイルは読み取り専用です。|ファイル " + path + "を削除できません",
                  denied + "[" + path + ".BAK]から[" + path + "]へファイル名を変更できません",
                  denied + "ファイル " + path + ".BAK をオープンできません.", denied + path + ".BAKに書き込みできません"}),
              g_reports);
    EXPECT_EQ("[A]\r\nk=1\r\n", ReadFileBytes(path));
    RemoveDirectoryA((path + ".BAK").c_str());
    ASSERT_TRUE(env->Save());
    EXPECT_EQ("[A]\r\nk=2\r\n", ReadFileBytes(path));
}

// The settings file in the shared data folder: a name another user planted
// there is never read or written through. Shown with second names of a file
// (hard links); Wine follows a symbolic link to a file as if it were the
// file itself (even DeleteFile takes the target), so those cannot be shown
// here, though on Windows they carry the reparse-point attribute that is
// refused the same way.
TEST_F(FEnv2Test, SecondNamesInASharedFolderAreRefusedNeverFollowed)
{
    std::string victim = dir.File("VICTIM"), path = dir.File("COMMON.ENV");
    WriteFileBytes(victim, "[A]\r\nsecret=1\r\n");
    if (!MakeLink(path, victim, false)) GTEST_SKIP() << "no links here";
    g_reports.clear();
    SetReportHooks(RecordReport, nullptr);
    EXPECT_FALSE(Open("COMMON.ENV", ENV_OPENACCESS)->IsLoaded());
    SetReportHooks(nullptr, nullptr);
    EXPECT_EQ((std::vector<std::string>{"アクセスは拒否されました。|ファイル " + path + " をオープンできません."}),
              g_reports);
    EXPECT_TRUE(Open("COMMON.ENV")->IsLoaded());  // a file of one's own folder is read as it is

    DeleteFileA(path.c_str());
    WriteFileBytes(path, "[A]\r\nk=1\r\n");
    ASSERT_TRUE(MakeLink(path + ".BAK", victim, false));
    SafePtr<FEnv2> env = Open("COMMON.ENV", ENV_OPENACCESS);
    ASSERT_TRUE(env->SetString("A", "k", "2"));
    EXPECT_TRUE(env->Save());
    EXPECT_EQ("[A]\r\nk=2\r\n", ReadFileBytes(path));
    EXPECT_EQ("[A]\r\nsecret=1\r\n", ReadFileBytes(victim));
}

TEST_F(FEnv2Test, LockFilesAroundReadsSavesAndHolders)
{
    BoxWatcher boxes;
    std::string path = dir.File("L.ENV"), lock = path + ".lc$";
    WriteFileBytes(path, "[A]\r\nk=1\r\n");
    SafePtr<FEnv2> each = Open("L.ENV", ENV_LOCK);  // the lock file only while reading and saving
    ASSERT_TRUE(each->IsLoaded());
    EXPECT_FALSE(Exists(lock));
    ASSERT_TRUE(each->SetString("A", "k", "2") && each->Save());
    EXPECT_FALSE(Exists(lock));
    {
        SafePtr<FEnv2> keeper = Open("L.ENV", ENV_KEEPLOCK | ENV_LOCK);  // a hidden lock file for its life
        ASSERT_TRUE(keeper->IsLoaded());
        EXPECT_FALSE(keeper->Flags() & ENV_LOCK);
        EXPECT_TRUE(GetFileAttributesA(lock.c_str()) & FILE_ATTRIBUTE_HIDDEN);
        EXPECT_FALSE(each->Save());
        EXPECT_FALSE(Open("L.ENV", ENV_LOCK)->IsLoaded());
        ASSERT_TRUE(boxes.WaitFor(2));
        EXPECT_EQ(lock + "の共有違反が発生しました\n\n" + path + "へ書き込むことができません", boxes.Boxes()[0].text);
        EXPECT_EQ(lock + "の共有違反が発生しました\n\n" + path + "を読み込むことができません", boxes.Boxes()[1].text);
        EXPECT_TRUE(keeper->SetString("A", "k", "3") && keeper->Save());  // without taking it again
        EXPECT_TRUE(Exists(lock));
    }
    EXPECT_FALSE(Exists(lock));
    SafePtr<FEnv2> next = Open("L.ENV", ENV_KEEPLOCK, 0);  // the refused save kept no lock
    EXPECT_STREQ("3", next->GetString("A", "k", "").CStr());
    next = nullptr;

    FileLock one, two, exclusive, missing;  // shared holders coexist; an exclusive one waits them out
    String name(lock.c_str());
    EXPECT_TRUE(one.Lock(name, LOCK_SHARED, 0, 10) && two.Lock(name, LOCK_SHARED | LOCK_DELETE, 0, 10));
    DWORD start = GetTickCount();
    EXPECT_FALSE(exclusive.Lock(name, 0, 200, 50));
    EXPECT_GE(GetTickCount() - start, 200u);
    EXPECT_TRUE(exclusive.Flags() & LOCK_WAITING);  // the time ran out: no report
    EXPECT_FALSE(missing.Lock(String(dir.File("none\\x.lc$").c_str()), 0, 5000, 100));  // not worth waiting for
    EXPECT_FALSE(missing.Flags() & LOCK_WAITING);
    ASSERT_TRUE(boxes.WaitFor(3));
    EXPECT_EQ("パスまたはファイルを見つけることができません。\n\nファイル " + dir.File("none\\x.lc$") + " をオープンできません.",
              boxes.Boxes()[2].text);
}

// Saves a long and a short value in turn: a torn write would pass for neither.
const std::string kLoopValues[] = {"b", std::string(3000, 'a')};

CHILD_SCENARIO(EnvSaveLoop)
{
    std::string path = ChildParam("ENV_PATH");
    SafePtr<FEnv2> env(new FEnv2(String(path.c_str()), 0, 10000, 100));
    for (int i = 0; env->SetString("Loop", "Value", kLoopValues[i % 2].c_str()) && env->Save(); ++i)
        if (i == 1) WriteFileBytes(path + ".ready", "");
}

TEST_F(FEnv2Test, SaveInterruptedAnywhereLeavesOldOrNew)
{
    std::string path = dir.File("K.ENV");
    SetChildParam("ENV_PATH", path);
    auto oldOrNew = [](const std::string& b) { return b == "[Loop]\r\nValue=" + kLoopValues[b.size() > 20] + "\r\n"; };
    int reads = 0;
    for (DWORD round = 0; round < 4; ++round) {
        WriteFileBytes(path, "[Loop]\r\nValue=b\r\n");
        DeleteFileA((path + ".ready").c_str());
        {
            RunningChild saver("EnvSaveLoop");
            ASSERT_TRUE(WaitForFile(path + ".ready"));
            // A reader that takes no lock never finds the file missing or torn.
            for (DWORD start = GetTickCount(); GetTickCount() - start < 150 + 100 * round;) {
                UniqueFile f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
                char buf[4096];
                DWORD got = 0;
                if (!f.IsValid()) {
                    ASSERT_NE((DWORD)ERROR_FILE_NOT_FOUND, GetLastError());  // in the replace: held, not gone
                } else if (ReadFile(f.Get(), buf, sizeof(buf), &got, nullptr)) {
                    ASSERT_TRUE(oldOrNew(std::string(buf, got)));
                    ++reads;
                }
            }
        }  // killed here, somewhere in its loop
        EXPECT_TRUE(oldOrNew(ReadFileBytes(path))) << round;
    }
    EXPECT_GT(reads, 0);
}

}  // namespace
