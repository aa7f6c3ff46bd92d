// FEnv2Test.cpp - ENV files: the end of the loaded image, lookups, edits,
// golden files, awkward input, saving through the ".BAK" file, locks
// between processes and section handles.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/BoxWatcher.h"
#include "common/ChildProcess.h"
#include "common/TempDir.h"
#include "wcls/EnvSec.h"
#include "wcls/ErrorReport.h"
#include "wcls/FEnv2.h"
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

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Restores the process-wide retry settings after a test shortens them.
struct ShortRetry {
    DWORD timeout = g_dwFileTimeout;
    explicit ShortRetry(DWORD t) { g_dwFileTimeout = t; }
    ~ShortRetry() { g_dwFileTimeout = timeout; }
};

class FEnv2Test : public testing::Test {
protected:
    static void SetUpTestSuite() { StartErrorThread(); }
    static void TearDownTestSuite() { StopErrorThread(); }

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

}  // namespace

TEST_F(FEnv2Test, LoadEndsTheImageInOneCrLf)
{
    const std::string z = "\x1a";
    struct Case {
        std::string file, image;
    } cases[] = {
        {"a=1", "a=1\r\n"},
        {"a=1\n", "a=1\r\n"},
        {"a=1\r", "a=1\r\n"},
        {"a=1\r\n", "a=1\r\n"},
        {"a=1\r\n" + z, "a=1\r\n"},
        {"a=1" + z, "a=1\r\n"},
        {"a=1" + z + z, "a=1" + z + "\r\n"},       // one Ctrl-Z only
        {"a=1\n\r", "a=1\n\r\n"},                  // LF then CR: only the CR goes
        {"a=1\r\n\r\n", "a=1\r\n\r\n"},            // one line end only
        {"x\ny\rz=1\r\n", "x\ny\rz=1\r\n"},        // lone LF and CR are bytes
        {"", ""},
        {z, ""},
        {"\r\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.file));
        SafePtr<FEnv2> env = LoadBytes(c.file);
        EXPECT_EQ((DWORD)ENV_LOADED, env->Flags());
        EXPECT_EQ(c.image, ImageOf(env.Get()));
        // The block holds the file with the slack, at least the minimum.
        uint32_t expected = c.file.empty() ? 0 : std::max<uint32_t>((uint32_t)c.file.size() + 2048, 10240);
        EXPECT_EQ(expected, env->ImageCapacity());
    }
}

TEST_F(FEnv2Test, SetStringRefusesBadBytesAndKeepsEqualValues)
{
    const std::string original = "[A]\r\nk=01\r\n[B]\r\n";
    SafePtr<FEnv2> env = LoadBytes(original);
    EXPECT_TRUE(env->SetString("a", "K", "01"));        // the same bytes
    EXPECT_TRUE(env->SetString("A", "gone", nullptr));  // deleting a missing key
    EXPECT_TRUE(env->SetString("Gone", "k", nullptr));  // or a key of a missing section
    // Only single-byte characters count: 表 (95 5C) and ゾ (83 5D) pass.
    EXPECT_FALSE(env->SetString("A", "表=", "v"));
    EXPECT_FALSE(env->SetString("ゾ]", "k", "v"));
    EXPECT_FALSE(env->SetString("A", "[k", "v"));  // would start a line that ends the section
    EXPECT_EQ(original, ImageOf(env.Get()));
    EXPECT_EQ((DWORD)ENV_LOADED, env->Flags());

    EXPECT_TRUE(env->SetString("A", "k", "1"));  // 1 is not 01
    EXPECT_TRUE(env->SetNumber("ゾ", "表", INT32_MIN));
    EXPECT_EQ("[A]\r\nk=1\r\n[B]\r\n[ゾ]\r\n表=-2147483648\r\n", ImageOf(env.Get()));
    EXPECT_EQ((DWORD)(ENV_LOADED | ENV_MODIFIED), env->Flags());

    // Growth: to the needed size plus the slack; never shrinking.
    EXPECT_EQ(10240u, env->ImageCapacity());
    std::string big(20000, 'v');
    EXPECT_TRUE(env->SetString("A", "big", big.c_str()));
    EXPECT_EQ(env->ImageSize() + 2048, env->ImageCapacity());
    uint32_t capacity = env->ImageCapacity();
    EXPECT_TRUE(env->SetString("A", "big", nullptr));
    EXPECT_EQ(capacity, env->ImageCapacity());
}

TEST_F(FEnv2Test, GoldenFilesAreEditedByteForByte)
{
    struct Golden {
        const char* name;
        std::function<void(FEnv2*)> edit;
    } goldens[] = {
        {"insert",
         [](FEnv2* env) {
             EXPECT_TRUE(env->SetString("MAIN", "Desktop", "1"));
             EXPECT_TRUE(env->SetString("表示", "ソフト", "表"));
         }},
        {"newsec",
         [](FEnv2* env) {
             EXPECT_STREQ("表計算", env->GetString("ソフト", "名前", "").CStr());
             EXPECT_EQ(2, env->GetNumber("ゾーン", "count", 0));
             SafePtr<EnvSec> zero(new FEnv2Sec(env, "ゼロ"));
             EXPECT_TRUE(zero->OpenSection("Window")->SetNumber("Pos", -3));
             EXPECT_TRUE(env->SetString("Main", "ゾ", "[x];y=z"));
         }},
        {"replace",
         [](FEnv2* env) {
             EXPECT_TRUE(env->SetString("ズント帳", "appdir", "C:\\Zuntoria\\"));
             EXPECT_FALSE(env->Flags() & ENV_MODIFIED);
             EXPECT_TRUE(env->SetNumber("ズント帳", "VERSION", 8040));
             EXPECT_TRUE(env->SetString("ズント帳", "key", "no blank"));
         }},
        {"delete",
         [](FEnv2* env) {
             EXPECT_TRUE(env->SetString("a", "ONLY", nullptr));
             EXPECT_TRUE(env->SetString("B", "x", nullptr));
             EXPECT_TRUE(env->SetString("B", "x", nullptr));
         }},
    };
    const std::string data = std::string(SOURCE_ROOT) + "tests/wcls/data/";
    for (const Golden& g : goldens) {
        SCOPED_TRACE(g.name);
        std::string input = ReadFileBytes(data + g.name + "_in.ENV");
        std::string expected = ReadFileBytes(data + g.name + "_out.ENV");
        ASSERT_FALSE(input.empty());
        ASSERT_FALSE(expected.empty());
        SafePtr<FEnv2> env = LoadBytes(input);
        ASSERT_TRUE(env->IsLoaded());
        g.edit(env.Get());
        ASSERT_TRUE(env->Save());
        EXPECT_EQ(expected, ReadFileBytes(dir.File("T.ENV")));
        EXPECT_FALSE(Exists(dir.File("T.ENV.BAK")));
    }
}

TEST_F(FEnv2Test, AwkwardInputLoadsAnswersAndSaves)
{
    const std::string big(1 << 20, 'x');
    const std::string nul(1, '\0');
    std::string input = "top=before\r\n"
                        "a" + nul + "b=nul in key\r\n"
                        "[S] comment\r\n"
                        "Version=8040\r\n"
                        "key =blank\r\n"
                        "dup=first\r\n"
                        "DUP=second\r\n"
                        "; note=ignored\r\n"
                        "=nokey\r\n"
                        "v=a=b;c[d]" + nul + "tail\r\n"
                        "lone\rcr=1\r\n"
                        "lone\nlf= -42x\r\n"
                        "empty=\r\n"
                        "long=" + big + "\r\n"
                        "[S\r\n"
                        "hidden=1\r\n"
                        "[s]\r\n"
                        "later=invisible\r\n"
                        "[ゼ]\r\n"
                        "k=5B\r\n"
                        "[ソ]\r\n"
                        "k=5C\r\n"
                        "[ゾ]\r\n"
                        "テ=te\r\n"
                        "last=1\x1a";
    SafePtr<FEnv2> env = LoadBytes(input);
    ASSERT_TRUE(env->IsLoaded());
    std::string image = input.substr(0, input.size() - 1) + "\r\n";
    EXPECT_EQ(image, ImageOf(env.Get()));

    // The unnamed section is the part before the first header.
    int found = -1;
    EXPECT_STREQ("before", env->GetString(nullptr, "top", "d", &found).CStr());
    EXPECT_EQ(1, found);
    EXPECT_STREQ("d", env->GetString(nullptr, "Version", "d", &found).CStr());
    EXPECT_EQ(0, found);
    EXPECT_EQ((std::vector<std::string>{"top"}), Items(env->GetKeyNames(nullptr)));

    // Names ignore ASCII case but not blanks; the first header and entry win;
    // "[S" is no header of S, yet it ends the section.
    EXPECT_STREQ("8040", env->GetString("s", "VERSION", "").CStr());
    EXPECT_STREQ("blank", env->GetString("S", "KEY ", "").CStr());
    EXPECT_STREQ("none", env->GetString("S", "key", "none", &found).CStr());
    EXPECT_EQ(0, found);
    EXPECT_STREQ("first", env->GetString("S", "dup", "").CStr());
    EXPECT_STREQ("a=b;c[d]", env->GetString("S", "v", "", &found).CStr());  // the text ends at the NUL
    EXPECT_EQ(1, found);
    EXPECT_EQ(-42, env->GetNumber("S", "lone\nlf", 7));
    EXPECT_EQ(0, env->GetNumber("S", "empty", 7, &found));
    EXPECT_EQ(1, found);
    EXPECT_EQ(7, env->GetNumber("S", "hidden", 7, &found));
    EXPECT_EQ(0, found);
    env->GetString("S", "later", "", &found);
    EXPECT_EQ(0, found);
    EXPECT_EQ(big.size(), (size_t)env->GetString("S", "long", "").Length());
    EXPECT_EQ((std::vector<std::string>{"Version", "key ", "dup", "DUP", "v", "lone\nlf", "empty", "long"}),
              Items(env->GetKeyNames("S")));
    EXPECT_EQ('\0', env->GetKeyNames("Nothing").CStr()[0]);

    // Second bytes 0x5B, 0x5C, 0x5D; テ (83 65) is no ウ (83 45).
    EXPECT_STREQ("5B", env->GetString("ゼ", "k", "").CStr());
    EXPECT_STREQ("5C", env->GetString("ソ", "K", "").CStr());
    EXPECT_STREQ("te", env->GetString("ゾ", "テ", "").CStr());
    env->GetString("ゾ", "ウ", "", &found);
    EXPECT_EQ(0, found);
    EXPECT_EQ((std::vector<std::string>{"テ", "last"}), Items(env->GetKeyNames("ゾ")));

    // Edits around the long line and after the last one.
    EXPECT_TRUE(env->SetString("s", "long", "short"));
    EXPECT_TRUE(env->SetString("ソ", "k", "new"));
    EXPECT_TRUE(env->SetString("ゾ", "more", "1"));
    ASSERT_TRUE(env->Save());
    std::string expected = image;
    expected.replace(expected.find("long=x"), 5 + big.size(), "long=short");
    expected.replace(expected.find("k=5C"), 4, "k=new");
    expected += "more=1\r\n";
    EXPECT_EQ(expected, ReadFileBytes(dir.File("T.ENV")));
}

TEST_F(FEnv2Test, MissingCreatedAndClearedFiles)
{
    BoxWatcher boxes;
    std::string path = dir.File("表ソ.ENV");

    // Missing: the open reports; the object stays unloaded and refuses to save.
    SafePtr<FEnv2> missing = Open("表ソ.ENV");
    EXPECT_FALSE(missing->IsLoaded());
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_NE(std::string::npos, boxes.Boxes()[0].text.find("\n\nファイル " + path + " をオープンできません."));
    EXPECT_STREQ("d", missing->GetString("A", "k", "d").CStr());
    EXPECT_TRUE(missing->SetString("A", "k", "v"));  // edits an empty image
    EXPECT_STREQ("v", missing->GetString("A", "k", "d").CStr());
    EXPECT_FALSE(missing->Save());
    ASSERT_TRUE(boxes.WaitFor(2));
    EXPECT_EQ("読み込みに成功していないので保存はできません\n\n" + path, boxes.Boxes()[1].text);
    EXPECT_FALSE(Exists(path));
    EXPECT_FALSE(Exists(path + ".BAK"));

    // ENV_CREATE makes it (hidden under ENV_HIDDEN); a save keeps it hidden.
    SafePtr<FEnv2> created = Open("表ソ.ENV", ENV_CREATE | ENV_HIDDEN);
    ASSERT_TRUE(created->IsLoaded());
    EXPECT_EQ(0u, created->ImageSize());
    EXPECT_TRUE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(created->SetString("A", "k", "v"));
    ASSERT_TRUE(created->Save());
    EXPECT_EQ("[A]\r\nk=v\r\n", ReadFileBytes(path));
    EXPECT_TRUE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);

    // Clear empties a non-empty image; the save writes an empty file.
    SafePtr<FEnv2> cleared = Open("表ソ.ENV");
    cleared->Clear();
    EXPECT_EQ((DWORD)(ENV_LOADED | ENV_MODIFIED), cleared->Flags());
    ASSERT_TRUE(cleared->Save());
    EXPECT_EQ("", ReadFileBytes(path));
    SafePtr<FEnv2> empty = Open("表ソ.ENV");
    empty->Clear();
    EXPECT_EQ((DWORD)ENV_LOADED, empty->Flags());
    EXPECT_EQ(2u, boxes.Boxes().size());
}

// Reports through the hook, which (as a report's own calls may) clobbers
// the last error.
std::vector<std::string> g_reports;
void RecordReport(int, const char* detail, const char* text)
{
    g_reports.push_back(std::string(text) + "|" + detail);
    SetLastError(ERROR_SUCCESS);
}

TEST_F(FEnv2Test, ReadOnlyFileAndUnwritableBakTellTheirCause)
{
    std::string path = dir.File("表.ENV");
    WriteFileBytes(path, "[A]\r\nk=1\r\n");
    SafePtr<FEnv2> env = Open("表.ENV");
    ASSERT_TRUE(env->SetString("A", "k", "2"));
    ShortRetry quick(200);
    g_reports.clear();
    SetReportHooks(RecordReport, nullptr);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(env->Save());
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    CreateDirectoryA((path + ".BAK").c_str(), nullptr);  // cannot be created
    EXPECT_FALSE(env->Save());
    SetReportHooks(nullptr, nullptr);
    const std::string denied = "アクセスは拒否されました。|";
    EXPECT_EQ((std::vector<std::string>{"ファイルは読み取り専用です。|ファイル " + path + "を削除できません",
                                        denied + "ファイル " + path + ".BAK をオープンできません.",
                                        denied + path + ".BAKに書き込みできません"}),
              g_reports);
    EXPECT_EQ("[A]\r\nk=1\r\n", ReadFileBytes(path));
}

TEST_F(FEnv2Test, LockFilesAroundReadsSavesAndHolders)
{
    BoxWatcher boxes;
    std::string path = dir.File("L.ENV");
    std::string lock = path + ".lc$";
    WriteFileBytes(path, "[A]\r\nk=1\r\n");

    // ENV_LOCK: the lock file exists only while reading and saving.
    SafePtr<FEnv2> each = Open("L.ENV", ENV_LOCK | ENV_OPENACCESS);
    ASSERT_TRUE(each->IsLoaded());
    EXPECT_FALSE(Exists(lock));
    EXPECT_TRUE(each->SetString("A", "k", "2"));
    ASSERT_TRUE(each->Save());
    EXPECT_FALSE(Exists(lock));
    EXPECT_EQ("[A]\r\nk=2\r\n", ReadFileBytes(path));

    {
        // ENV_KEEPLOCK: a hidden lock file for the object's life.
        SafePtr<FEnv2> keeper = Open("L.ENV", ENV_KEEPLOCK | ENV_LOCK);
        ASSERT_TRUE(keeper->IsLoaded());
        EXPECT_FALSE(keeper->Flags() & ENV_LOCK);
        EXPECT_TRUE(GetFileAttributesA(lock.c_str()) & FILE_ATTRIBUTE_HIDDEN);

        EXPECT_FALSE(each->Save());
        ASSERT_TRUE(boxes.WaitFor(1));
        EXPECT_EQ(lock + "の共有違反が発生しました\n\n" + path + "へ書き込むことができません", boxes.Boxes()[0].text);

        // The holder itself saves without taking the lock again.
        EXPECT_TRUE(keeper->SetString("A", "k", "3"));
        ASSERT_TRUE(keeper->Save());
        EXPECT_TRUE(Exists(lock));
    }
    EXPECT_FALSE(Exists(lock));
    // A refused save kept no lock: another holder gets it at once.
    SafePtr<FEnv2> next = Open("L.ENV", ENV_KEEPLOCK, 0);
    EXPECT_TRUE(next->IsLoaded());
    EXPECT_STREQ("3", next->GetString("A", "k", "").CStr());
    EXPECT_EQ(1u, boxes.Boxes().size());
}

TEST_F(FEnv2Test, FailedReplaceKeepsTheOldFile)
{
    BoxWatcher boxes;
    std::string path = dir.File("R.ENV");
    WriteFileBytes(path, "[A]\r\nk=old\r\n");
    SafePtr<FEnv2> env = Open("R.ENV");
    ASSERT_TRUE(env->SetString("A", "k", "new"));
    {
        // A reader that takes no lock holds the file: the replace cannot go
        // through, and the file keeps its old content under its name.
        ShortRetry quick(300);
        UniqueFile reader(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
        ASSERT_TRUE(reader.IsValid());
        EXPECT_FALSE(env->Save());
        ASSERT_TRUE(boxes.WaitFor(1));
        EXPECT_NE(std::string::npos,
                  boxes.Boxes()[0].text.find("\n\n[" + path + ".BAK]から[" + path + "]へファイル名を変更できません"));
    }
    EXPECT_EQ("[A]\r\nk=old\r\n", ReadFileBytes(path));
    EXPECT_EQ("[A]\r\nk=new\r\n", ReadFileBytes(path + ".BAK"));
    ASSERT_TRUE(env->Save());
    EXPECT_EQ("[A]\r\nk=new\r\n", ReadFileBytes(path));
    EXPECT_FALSE(Exists(path + ".BAK"));
    EXPECT_EQ(1u, boxes.Boxes().size());
}

// ---- second processes -------------------------------------------------------

CHILD_SCENARIO(EnvLoadWhileLocked)
{
    SafePtr<FEnv2> env(new FEnv2(String(ChildParam("ENV_PATH").c_str()), ENV_LOCK, 300, 50));
    ExitProcess(env->IsLoaded() ? 1 : 2);
}

TEST_F(FEnv2Test, KeptLockShutsOutAnotherProcess)
{
    std::string path = dir.File("共有.ENV");
    WriteFileBytes(path, "[A]\r\nk=1\r\n");
    SetChildParam("ENV_PATH", path);
    {
        SafePtr<FEnv2> keeper = Open("共有.ENV", ENV_KEEPLOCK);
        ASSERT_TRUE(keeper->IsLoaded());
        DWORD start = GetTickCount();
        ChildResult r = RunChildScenario("EnvLoadWhileLocked");
        ASSERT_FALSE(r.timedOut);
        EXPECT_GE(GetTickCount() - start, 300u);
        EXPECT_EQ(2u, r.exitCode);
        ASSERT_EQ(1u, r.boxes.size());
        EXPECT_EQ(path + ".lc$の共有違反が発生しました\n\n" + path + "を読み込むことができません", r.boxes[0].text);
    }
    ChildResult r = RunChildScenario("EnvLoadWhileLocked");
    EXPECT_EQ(1u, r.exitCode);
    EXPECT_TRUE(r.boxes.empty());
}

namespace {

// A saving loop alternates between a long value and a short one, so a torn
// write could not pass for either image.
std::string LoopValue(int i)
{
    return i % 2 ? std::string(3000, 'a') : std::string("b");
}

std::string LoopImage(int i)
{
    return "[Loop]\r\nValue=" + LoopValue(i) + "\r\n";
}

}  // namespace

CHILD_SCENARIO(EnvSaveLoop)
{
    std::string path = ChildParam("ENV_PATH");
    SafePtr<FEnv2> env(new FEnv2(String(path.c_str()), 0, 10000, 100));
    for (int i = 0;; ++i) {
        env->SetString("Loop", "Value", LoopValue(i).c_str());
        if (!env->Save()) ExitProcess(3);
        if (i == 1) WriteFileBytes(path + ".ready", "");
    }
}

TEST_F(FEnv2Test, SaveInterruptedAnywhereLeavesOldOrNew)
{
    std::string path = dir.File("K.ENV");
    SetChildParam("ENV_PATH", path);
    auto oldOrNew = [&](const std::string& bytes) { return bytes == LoopImage(0) || bytes == LoopImage(1); };
    int reads = 0;
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        WriteFileBytes(path, LoopImage(0));
        DeleteFileA((path + ".ready").c_str());
        {
            RunningChild saver("EnvSaveLoop");
            ASSERT_TRUE(saver.Started());
            ASSERT_TRUE(WaitForFile(path + ".ready"));
            // A reader that takes no lock never finds the file missing or torn.
            DWORD start = GetTickCount();
            DWORD runFor = 150 + 100 * (DWORD)round;
            while (GetTickCount() - start < runFor) {
                UniqueFile f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
                if (!f) {
                    DWORD err = GetLastError();
                    ASSERT_NE((DWORD)ERROR_FILE_NOT_FOUND, err);
                    continue;  // in the middle of the replace: held, not gone
                }
                char buf[4096];
                DWORD got = 0;
                ReadFile(f.Get(), buf, sizeof(buf), &got, nullptr);
                ASSERT_TRUE(oldOrNew(std::string(buf, got)));
                ++reads;
            }
        }  // killed here, somewhere in its loop
        EXPECT_TRUE(oldOrNew(ReadFileBytes(path)));
    }
    EXPECT_GT(reads, 0);
}

// ---- section handles ------------------------------------------------------------

TEST_F(FEnv2Test, SectionHandlesForwardAndNest)
{
    SafePtr<EnvSec> main;
    SafePtr<EnvSec> top;
    {
        SafePtr<FEnv2> env = LoadBytes("t=1\r\n[Main]\r\nk=v\r\n[Main\\Window]\r\nx=10\r\n");
        main = new FEnv2Sec(env.Get(), "main");
        top = new FEnv2Sec(env.Get(), nullptr);
    }  // the handles keep the file object alive
    int found = 0;
    EXPECT_STREQ("v", main->GetString("K", "", &found).CStr());
    EXPECT_EQ(1, found);
    EXPECT_STREQ("1", top->GetString("t", "").CStr());
    EXPECT_FALSE(top->SetString("t", "2"));  // the part before the headers is read-only
    SafePtr<EnvSec> window = main->OpenSection("WINDOW");
    EXPECT_EQ(10, window->GetNumber("x", 0));
    EXPECT_TRUE(window->SetNumber("y", 20));
    EXPECT_TRUE(window->OpenSection("Pos")->SetString("z", "3"));
    EXPECT_EQ(20, main->OpenSection("Window")->GetNumber("Y", 0, &found));
    EXPECT_STREQ("3", top->OpenSection("Main")->OpenSection("Window")->OpenSection("Pos")->GetString("z", "").CStr());

    SafePtr<EnvSec> null(new NullEnvSec);
    found = 1;
    EXPECT_STREQ("d", null->GetString("k", "d", &found).CStr());
    EXPECT_EQ(0, found);
    EXPECT_EQ(5, null->GetNumber("k", 5, &found));
    EXPECT_TRUE(null->SetString("k", "v"));
    EXPECT_TRUE(null->SetNumber("k", 1));
    EXPECT_EQ(null.Get(), null->OpenSection("x").Get());
}
