// FileOpsTest.cpp - path states, listings, folder trees and the retrying file operations.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>

#include "common/BoxWatcher.h"
#include "common/ChildProcess.h"
#include "common/TempDir.h"
#include "wcls/ErrorReport.h"
#include "wcls/FileHash.h"
#include "wcls/FileOps.h"
#include "wcls/Handles.h"

namespace {

const std::string kSharing = "ほかのプロセスがファイルを使用しているため､ プロセスはそのファイルにアクセスできません。";

class FileOpsTest : public testing::Test {
protected:
    static void SetUpTestSuite() { StartErrorThread(); }
    static void TearDownTestSuite() { StopErrorThread(); }
    void TearDown() override { g_dwFileTimeout = 5000; }

    String P(const std::string& name) const { return String(dir.File(name).c_str()); }
    TempDir dir;
    BoxWatcher boxes;
};

}  // namespace

TEST_F(FileOpsTest, PathStatesAndListings)
{
    WriteFileBytes(dir.File("表.txt"), "12345");
    WriteFileBytes(dir.File("hidden.txt"), "");
    CreateDirectoryA(dir.File("ソフト").c_str(), nullptr);
    SetFileAttributesA(dir.File("hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    const struct {
        String path;
        int state;
    } cases[] = {{P("hidden.txt"), PS_FILE}, {P("ソフト"), PS_FOLDER},       {P("ソフト\\"), PS_FOLDER},
                 {P("none\\x"), PS_MISSING}, {String("C:\\"), PS_FOLDEROK}, {String("C:"), PS_FOLDEROK},
                 {String(""), PS_FOLDEROK},  {P("what?.txt"), PS_BADNAME},  {P("a<b"), PS_BADNAME}};
    for (const auto& c : cases) EXPECT_EQ(c.state, PathState(c.path)) << c.path.CStr();
    EXPECT_EQ(PS_BADNAME, PathStateQuiet(P("*")));  // says nothing
    ASSERT_TRUE(boxes.WaitFor(2));
    Sleep(100);
    ASSERT_EQ(2u, boxes.Boxes().size());
    EXPECT_EQ("ファイル名に*や?の文字は使用できません\n\n" + dir.File("what?.txt"), boxes.Boxes()[0].text);
    EXPECT_EQ("ファイル名に <>/ の記号は使用できません\n\n" + dir.File("a<b"), boxes.Boxes()[1].text);

    typedef std::set<std::string> Names;
    auto names = [&](DWORD mask) {
        Names found;
        ListEntry e;
        for (int r = ListFirst(P("*.*"), &e, mask); r == 1; r = ListNext(P("*.*"), &e)) {
            found.insert(e.fd.cFileName);
            EXPECT_TRUE(std::string(e.fd.cFileName) != "表.txt" || (e.size == 5 && e.dosDate != 0));
        }
        ListClose(&e);
        return found;
    };
    EXPECT_EQ(Names{"表.txt"}, names(0));  // hidden, read-only and folders only when asked for
    EXPECT_EQ((Names{".", "..", "hidden.txt", "表.txt", "ソフト"}), names(0x17));
    ListEntry e;
    EXPECT_EQ(0, ListFirst(P("nothing*"), &e, 0x17));
    EXPECT_EQ(2, g_lLastFileError);
    ListClose(&e);
}

TEST_F(FileOpsTest, FoldersAreCreatedOneLevelAndTreesDeleted)
{
    EXPECT_EQ(1, CreateFolder(P("表\\"), nullptr));
    EXPECT_EQ(1, CreateFolder(P("表\\"), nullptr));  // exists, trailing backslash: fine
    EXPECT_EQ(0, CreateFolder(P("no\\parent"), nullptr));
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ("パスまたはファイルを見つけることができません。\n\nフォルダ " + dir.File("no\\parent") + " を作成できません.",
              boxes.Boxes()[0].text);

    // Hidden and system files, nested folders, a dot folder; the folder itself goes too.
    std::string root = dir.File("表\\ソフト");
    for (const char* sub : {"", "\\.cache", "\\sub", "\\sub\\deeper"}) CreateDirectoryA((root + sub).c_str(), nullptr);
    for (const char* f : {"\\a.txt", "\\.cache\\x", "\\sub\\h.txt", "\\sub\\deeper\\s.txt"}) WriteFileBytes(root + f, "d");
    SetFileAttributesA((root + "\\sub\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((root + "\\sub\\deeper\\s.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(1, DeleteTree(DT_SUBFOLDERS, String((root + "\\").c_str())));  // a trailing backslash too
    EXPECT_FALSE(Exists(root));
    EXPECT_EQ(1, DeleteTree(DT_SUBFOLDERS, String(root.c_str())));  // already gone: fine

    // A read-only file stops the walk with a message; the file stays.
    CreateDirectoryA(root.c_str(), nullptr);
    WriteFileBytes(root + "\\ro.txt", "x");
    SetFileAttributesA((root + "\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(0, DeleteTree(DT_SUBFOLDERS, String(root.c_str())));
    ASSERT_TRUE(boxes.WaitFor(2));
    EXPECT_EQ("削除できません\n\n" + root + "\\ro.txt", boxes.Boxes()[1].text);
    SetFileAttributesA((root + "\\ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(1, RemoveFile(String((root + "\\ro.txt").c_str())));
    EXPECT_EQ(0, RemoveFile(String((root + "\\ro.txt").c_str())));
    EXPECT_EQ(2u, boxes.Boxes().size());
}

TEST_F(FileOpsTest, LinksAreRemovedNeverFollowed)
{
    std::string target = dir.File("target"), tree = dir.File("tree"), link = tree + "\\link";
    CreateDirectoryA(target.c_str(), nullptr);
    CreateDirectoryA(tree.c_str(), nullptr);
    WriteFileBytes(target + "\\keep.txt", "k");
    if (!MakeLink(link, target)) GTEST_SKIP() << "no folder links here";
    ASSERT_EQ(0x410u, GetFileAttributesA(link.c_str()) & 0x410);
    for (const char* given : {"tree\\*.*", "tree\\link\\*.*", "tree\\link\\"})  // in a walk, as a root
        DeleteTree(DT_SUBFOLDERS | DT_RETRY, P(given));
    EXPECT_EQ("k", ReadFileBytes(target + "\\keep.txt"));
    // Platform difference: Wine cannot remove a host link (RemoveDirectoryA
    // fails), so there the link stays and each walk reports it.
    if (!OnWine()) {
        EXPECT_FALSE(Exists(link));
    }
}

TEST_F(FileOpsTest, RetryingDeleteRenameAndOpenReport)
{
    EXPECT_EQ(1, DeleteWithRetry(P("missing"), 5000, 100));  // at once
    std::string ro = dir.File("ro.txt");
    WriteFileBytes(ro, "x");
    SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_READONLY);
    DWORD start = GetTickCount();
    EXPECT_EQ(0, DeleteWithRetry(String(ro.c_str()), 400, 50));
    EXPECT_GE(GetTickCount() - start, 400u);
    EXPECT_TRUE(GetFileAttributesA(ro.c_str()) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(1, RenameWithRetry(String(ro.c_str()), P("表.txt"), 0, 100));
    EXPECT_EQ(0, RenameWithRetry(String(ro.c_str()), P("x.txt"), 1000, 100));
    HANDLE h = OpenWithRetry(P("none\\x"), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr, 10000, 100, 0);
    EXPECT_EQ(INVALID_HANDLE_VALUE, h);  // not worth retrying: at once
    ASSERT_TRUE(boxes.WaitFor(3));
    EXPECT_EQ("ファイルは読み取り専用です。\n\nファイル " + ro + "を削除できません", boxes.Boxes()[0].text);
    EXPECT_EQ("パスまたはファイルが見つかりません。\n\n[" + ro + "]から[" + dir.File("x.txt") + "]へファイル名を変更できません",
              boxes.Boxes()[1].text);
    EXPECT_EQ("パスまたはファイルを見つけることができません。\n\nファイル " + dir.File("none\\x") + " をオープンできません.",
              boxes.Boxes()[2].text);

    // A file another process holds: waited for, reported after the time-out
    // unless option bit 1 (0x01) is set; a file let go meanwhile opens.
    std::string held = dir.File("表held.dat");
    SetChildParam("HOLD_PATH", held);
    for (const char* holdMs : {"20000", "500"}) {
        SetChildParam("HOLD_MS", holdMs);
        DeleteFileA((held + ".ready").c_str());
        RunningChild holder("HoldFileOpen");
        ASSERT_TRUE(WaitForFile(held + ".ready"));
        bool released = holdMs[0] == '5';
        for (DWORD options : {0, 1}) {
            start = GetTickCount();
            UniqueFile f(OpenWithRetry(String(held.c_str()), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                       nullptr, released ? 10000 : 600, 100, options));
            EXPECT_EQ(released, f.IsValid());
            if (released) break;
            EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, GetLastError());  // the open's own error
            EXPECT_GE(GetTickCount() - start, 600u);
        }
    }
    ASSERT_TRUE(boxes.WaitFor(4));
    EXPECT_EQ(kSharing + "\n\nファイル " + held + " をオープンできません.", boxes.Boxes()[3].text);
    Sleep(100);
    EXPECT_EQ(4u, boxes.Boxes().size());
}

TEST_F(FileOpsTest, DeleteTreeWithRetryWaitsForAFileAnotherProcessHolds)
{
    std::string tree = dir.File("tree"), held = tree + "\\held.dat";
    CreateDirectoryA(tree.c_str(), nullptr);
    SetChildParam("HOLD_PATH", held);
    for (bool released : {false, true}) {
        g_dwFileTimeout = released ? 10000 : 600;
        SetChildParam("HOLD_MS", released ? "300" : "20000");
        DeleteFileA((held + ".ready").c_str());
        RunningChild holder("HoldFileOpen");
        ASSERT_TRUE(WaitForFile(held + ".ready"));
        DWORD start = GetTickCount();
        EXPECT_EQ(released ? 1 : 0, DeleteTree(DT_SUBFOLDERS | DT_RETRY, String(tree.c_str())));
        EXPECT_GE(GetTickCount() - start, released ? 0u : 600u);
    }
    EXPECT_FALSE(Exists(tree));
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ(kSharing + "\n\nファイル " + held + "を削除できません", boxes.Boxes()[0].text);
    EXPECT_EQ(1u, boxes.Boxes().size());
}

TEST_F(FileOpsTest, Sha256OfAFileIsTheSystemProvidersDigest)
{
    const struct {
        std::string bytes;
        const char* hex;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},  // chunked
    };
    for (const auto& c : cases) {
        WriteFileBytes(dir.File("表.bin"), c.bytes);
        String hex;
        ASSERT_TRUE(Sha256OfFile(P("表.bin"), &hex));
        EXPECT_STREQ(c.hex, hex.CStr());
    }
    String hex("kept");
    EXPECT_FALSE(Sha256OfFile(P("none.bin"), &hex));
    EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, GetLastError());
    EXPECT_STREQ("kept", hex.CStr());
}
