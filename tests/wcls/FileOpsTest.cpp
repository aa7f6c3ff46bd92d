// FileOpsTest.cpp - path states, listings, folder trees and the retrying
// file operations, against real files (and a second process that holds one).
#include <gtest/gtest.h>

#include <windows.h>

#include "common/BoxWatcher.h"
#include "common/ChildProcess.h"
#include "common/TempDir.h"
#include "wcls/ErrorReport.h"
#include "wcls/FileOps.h"
#include "wcls/Handles.h"

namespace {

// Reports show on the error thread when it runs; the watcher answers them.
class FileOpsTest : public testing::Test {
protected:
    static void SetUpTestSuite() { StartErrorThread(); }
    static void TearDownTestSuite() { StopErrorThread(); }

    String P(const std::string& name) const { return String(dir.File(name).c_str()); }
    TempDir dir;
};

// Restores the process-wide retry settings after a test shortens them.
struct ShortRetry {
    DWORD timeout = g_dwFileTimeout, interval = g_dwFileInterval;
    ShortRetry(DWORD t) { g_dwFileTimeout = t; }
    ~ShortRetry() { g_dwFileTimeout = timeout; g_dwFileInterval = interval; }
};

}  // namespace

TEST_F(FileOpsTest, PathStateOfFilesFoldersRootsAndBadNames)
{
    BoxWatcher boxes;
    ASSERT_TRUE(WriteFileBytes(dir.File("表.txt"), "x"));
    ASSERT_TRUE(CreateDirectoryA(dir.File("ソフト").c_str(), nullptr));
    SetFileAttributesA(dir.File("表.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);

    EXPECT_EQ(PS_FILE, PathState(P("表.txt")));
    EXPECT_EQ(PS_FOLDER, PathState(P("ソフト")));
    EXPECT_EQ(PS_FOLDER, PathState(P("ソフト\\")));
    EXPECT_EQ(PS_MISSING, PathState(P("none")));
    EXPECT_EQ(PS_MISSING, PathState(P("none\\deeper\\x")));
    EXPECT_EQ(PS_FOLDEROK, PathState(String("C:\\")));
    EXPECT_EQ(PS_FOLDEROK, PathState(String("C:")));
    EXPECT_EQ(PS_FOLDEROK, PathState(String("")));
    EXPECT_EQ(0u, boxes.Boxes().size());

    EXPECT_EQ(PS_BADNAME, PathState(P("what?.txt")));
    EXPECT_EQ(PS_BADNAME, PathState(P("a<b")));
    ASSERT_TRUE(boxes.WaitFor(2));
    EXPECT_EQ("ファイル名に*や?の文字は使用できません\n\n" + dir.File("what?.txt"), boxes.Boxes()[0].text);
    EXPECT_EQ("ファイル名に <>/ の記号は使用できません\n\n" + dir.File("a<b"), boxes.Boxes()[1].text);

    // The quiet form says nothing.
    EXPECT_EQ(PS_BADNAME, PathStateQuiet(P("*")));
    Sleep(100);
    EXPECT_EQ(2u, boxes.Boxes().size());
    SetFileAttributesA(dir.File("表.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileOpsTest, ListingHonoursTheMaskAndFillsDosFields)
{
    WriteFileBytes(dir.File("plain.txt"), "12345");
    WriteFileBytes(dir.File("hidden.txt"), "");
    SetFileAttributesA(dir.File("hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    CreateDirectoryA(dir.File("sub").c_str(), nullptr);

    auto names = [&](DWORD mask) {
        std::vector<std::string> found;
        ListEntry e;
        for (int r = ListFirst(P("*.*"), &e, mask); r == 1; r = ListNext(P("*.*"), &e)) {
            found.push_back(e.fd.cFileName);
            if (found.back() == "plain.txt") {
                EXPECT_EQ(5, e.size);
                EXPECT_NE(0, e.dosDate);
                EXPECT_EQ((BYTE)e.fd.dwFileAttributes, e.attrib);
            }
        }
        ListClose(&e);
        std::sort(found.begin(), found.end());
        return found;
    };
    EXPECT_EQ((std::vector<std::string>{"plain.txt"}), names(0));
    EXPECT_EQ((std::vector<std::string>{"hidden.txt", "plain.txt"}), names(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ((std::vector<std::string>{".", "..", "hidden.txt", "plain.txt", "sub"}), names(0x17));

    ListEntry e;
    g_lLastFileError = 0;
    EXPECT_EQ(0, ListFirst(P("nothing*"), &e, 0x17));
    EXPECT_EQ(2, g_lLastFileError);
    ListClose(&e);
}

TEST_F(FileOpsTest, FoldersAreCreatedOneLevelAndTreesDeleted)
{
    BoxWatcher boxes;
    EXPECT_EQ(1, CreateFolder(P("表"), nullptr));
    EXPECT_EQ(1, CreateFolder(P("表"), nullptr));  // exists: fine
    EXPECT_EQ(0, CreateFolder(P("no\\parent"), nullptr));
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ("パスまたはファイルを見つけることができません。\n\nフォルダ " + dir.File("no\\parent") + " を作成できません.",
              boxes.Boxes()[0].text);

    // A tree with hidden and system files, nested folders and a dot folder.
    std::string root = dir.File("表\\ソフト");
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA((root + "\\.cache").c_str(), nullptr);
    CreateDirectoryA((root + "\\sub").c_str(), nullptr);
    CreateDirectoryA((root + "\\sub\\deeper").c_str(), nullptr);
    const char* files[] = {"\\a.txt", "\\.cache\\x", "\\sub\\h.txt", "\\sub\\deeper\\s.txt"};
    for (const char* f : files) WriteFileBytes(root + f, "data");
    SetFileAttributesA((root + "\\sub\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((root + "\\sub\\deeper\\s.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);

    EXPECT_EQ(1, DeleteTree(DT_SUBFOLDERS, String(root.c_str())));  // the folder itself goes too
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(root.c_str()));
    EXPECT_EQ(1, DeleteTree(DT_SUBFOLDERS, String(root.c_str())));  // already gone: fine
    EXPECT_EQ(1u, boxes.Boxes().size());

    // A read-only file stops the walk with a message; the file stays.
    CreateDirectoryA(root.c_str(), nullptr);
    WriteFileBytes(root + "\\ro.txt", "x");
    SetFileAttributesA((root + "\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(0, DeleteTree(DT_SUBFOLDERS, String(root.c_str())));
    ASSERT_TRUE(boxes.WaitFor(2));
    EXPECT_EQ("削除できません\n\n" + root + "\\ro.txt", boxes.Boxes()[1].text);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((root + "\\ro.txt").c_str()));
    SetFileAttributesA((root + "\\ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);

    EXPECT_EQ(1, RemoveFile(String((root + "\\ro.txt").c_str())));
    EXPECT_EQ(0, RemoveFile(String((root + "\\ro.txt").c_str())));
}

TEST_F(FileOpsTest, LinksAreRemovedNeverFollowed)
{
    BoxWatcher boxes;
    std::string target = dir.File("target"), tree = dir.File("tree"), link = tree + "\\link";
    CreateDirectoryA(target.c_str(), nullptr);
    CreateDirectoryA(tree.c_str(), nullptr);
    WriteFileBytes(target + "\\keep.txt", "k");
    if (!MakeFolderLink(link, target)) GTEST_SKIP() << "no folder links here";
    ASSERT_EQ(0x410u, GetFileAttributesA(link.c_str()) & 0x410);
    // In a walk, as the root of a pattern, as a plain path.
    for (const char* given : {"tree\\*.*", "tree\\link\\*.*", "tree\\link\\"})
        DeleteTree(DT_SUBFOLDERS | DT_RETRY, P(given));
    EXPECT_EQ("k", ReadFileBytes(target + "\\keep.txt"));
    // Platform difference: Wine cannot remove a host link (RemoveDirectoryA
    // fails), so there the link stays and each walk reports it.
    if (!OnWine()) {
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(link.c_str()));
    }
}

TEST_F(FileOpsTest, TrailingBackslashIsIgnored)
{
    BoxWatcher boxes;
    EXPECT_EQ(1, CreateFolder(P("new\\"), nullptr));
    EXPECT_EQ(1, CreateFolder(P("new\\"), nullptr));  // exists: fine
    WriteFileBytes(dir.File("new\\a.txt"), "a");
    EXPECT_EQ(1, DeleteTree(DT_SUBFOLDERS, P("new\\")));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dir.File("new").c_str()));
    EXPECT_EQ(0u, boxes.Boxes().size());
}

TEST_F(FileOpsTest, DeleteAndRenameWithRetryReport)
{
    BoxWatcher boxes;
    EXPECT_EQ(1, DeleteWithRetry(P("missing"), 5000, 100));  // at once

    WriteFileBytes(dir.File("ro.txt"), "x");
    SetFileAttributesA(dir.File("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    DWORD start = GetTickCount();
    EXPECT_EQ(0, DeleteWithRetry(P("ro.txt"), 400, 50));
    EXPECT_GE(GetTickCount() - start, 400u);
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ("ファイルは読み取り専用です。\n\nファイル " + dir.File("ro.txt") + "を削除できません", boxes.Boxes()[0].text);
    EXPECT_TRUE(GetFileAttributesA(dir.File("ro.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(dir.File("ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);

    EXPECT_EQ(1, RenameWithRetry(P("ro.txt"), P("表.txt"), 0, 100));
    EXPECT_EQ(0, RenameWithRetry(P("ro.txt"), P("x.txt"), 1000, 100));
    ASSERT_TRUE(boxes.WaitFor(2));
    EXPECT_EQ("パスまたはファイルが見つかりません。\n\n[" + dir.File("ro.txt") + "]から[" + dir.File("x.txt") +
                  "]へファイル名を変更できません",
              boxes.Boxes()[1].text);
}

CHILD_SCENARIO(HoldFileOpen)
{
    std::string path = ChildParam("HOLD_PATH");
    UniqueFile f(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr));
    WriteFileBytes(path + ".ready", "");
    Sleep(atoi(ChildParam("HOLD_MS").c_str()));
}

TEST_F(FileOpsTest, OpenWithRetryWaitsForAnotherProcess)
{
    BoxWatcher boxes;
    std::string held = dir.File("表held.dat");
    SetChildParam("HOLD_PATH", held);
    {
        // Held longer than the time-out: a report after the time-out.
        SetChildParam("HOLD_MS", "20000");
        RunningChild holder("HoldFileOpen");
        ASSERT_TRUE(WaitForFile(held + ".ready"));
        DWORD start = GetTickCount();
        HANDLE h = OpenWithRetry(String(held.c_str()), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr, 600, 100, 0);
        DWORD waited = GetTickCount() - start;
        EXPECT_EQ(INVALID_HANDLE_VALUE, h);
        EXPECT_GE(waited, 600u);
        EXPECT_LT(waited, 5000u);
        ASSERT_TRUE(boxes.WaitFor(1));
        EXPECT_EQ("ほかのプロセスがファイルを使用しているため､ プロセスはそのファイルにアクセスできません。\n\n"
                  "ファイル " + held + " をオープンできません.",
                  boxes.Boxes()[0].text);

        // Quiet about the time-out with option bit 1 (0x01), which leaves
        // the open's error for the caller.
        h = OpenWithRetry(String(held.c_str()), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr, 200, 100, 0x01);
        EXPECT_EQ(INVALID_HANDLE_VALUE, h);
        EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, GetLastError());
    }
    DeleteFileA((held + ".ready").c_str());
    {
        // Released while waiting: the open succeeds.
        SetChildParam("HOLD_MS", "500");
        RunningChild holder("HoldFileOpen");
        ASSERT_TRUE(WaitForFile(held + ".ready"));
        UniqueFile h(OpenWithRetry(String(held.c_str()), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr,
                                   10000, 100, 0));
        EXPECT_TRUE(h.IsValid());
    }
    // Not worth retrying: reported at once.
    HANDLE h = OpenWithRetry(P("none\\x"), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr, 10000, 100, 0);
    EXPECT_EQ(INVALID_HANDLE_VALUE, h);
    ASSERT_TRUE(boxes.WaitFor(2));
    EXPECT_EQ(2u, boxes.Boxes().size());
}

TEST_F(FileOpsTest, DeleteTreeWithRetryWaitsForAFileAnotherProcessHolds)
{
    BoxWatcher boxes;
    std::string tree = dir.File("tree"), held = tree + "\\held.dat";
    CreateDirectoryA(tree.c_str(), nullptr);
    SetChildParam("HOLD_PATH", held);
    for (bool released : {false, true}) {
        SCOPED_TRACE(released);
        ShortRetry retry(released ? 10000 : 600);
        SetChildParam("HOLD_MS", released ? "300" : "20000");
        DeleteFileA((held + ".ready").c_str());
        RunningChild holder("HoldFileOpen");
        ASSERT_TRUE(WaitForFile(held + ".ready"));
        DWORD start = GetTickCount();
        EXPECT_EQ(released ? 1 : 0, DeleteTree(DT_SUBFOLDERS | DT_RETRY, String(tree.c_str())));
        if (!released) {
            EXPECT_GE(GetTickCount() - start, 600u);
        }
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(tree.c_str()));
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ("ほかのプロセスがファイルを使用しているため､ プロセスはそのファイルにアクセスできません。\n\n"
              "ファイル " + held + "を削除できません",
              boxes.Boxes()[0].text);
    EXPECT_EQ(1u, boxes.Boxes().size());
}

TEST_F(FileOpsTest, FreeSpaceOfTheVolume)
{
    double bytes = 0;
    EXPECT_EQ(1, FreeSpace(String(dir.Path().c_str()), &bytes));
    EXPECT_GT(bytes, 0.0);
    double root = 0;
    EXPECT_EQ(1, FreeSpace(String("C:\\"), &root));
    EXPECT_GT(root, 0.0);
}
