// InstallEngineTest.cpp - the installation engine on generated media, read back from outside.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>
#include <shlwapi.h>

#include <map>
#include <memory>
#include <string>

#include "common/BoxWatcher.h"
#include "common/TempDir.h"
#include "setup/CopyEngine.h"
#include "setup/InstallRecord.h"
#include "setup/InstallWorker.h"
#include "setup/RegistryRecords.h"
#include "setup/SetupDriver.h"
#include "setup/SetupTexts.h"
#include "setup/UndoJournal.h"
#include "wcls/DoingWnd.h"
#include "wcls/ErrorReport.h"
#include "wcls/FEnv2.h"
#include "wcls/Handles.h"
#include "wcls/LibStartup.h"
#include "wcls/OpenAccess.h"
#include "wcls/PathText.h"
#include "wcls/Registry.h"
#include "wcls/ServiceWnd.h"

namespace {

const std::string kData = SOURCE_ROOT "tests/setup/data/engine/";
#define APP "ズント表ソ\\"  // the program folder in a run's folder: trail bytes 0x5C
#define LINK "Zuntoria８.LNK"

typedef std::vector<std::string> Texts;

Texts TextsOf(const std::vector<SeenBox>& boxes)
{
    Texts texts;
    for (const auto& b : boxes) texts.push_back(b.text);
    return texts;
}

std::string Denied() { return SystemErrorText(ERROR_ACCESS_DENIED).CStr(); }

// ---- media ------------------------------------------------------------------------

// Text-like bytes that compress, with a sprinkle of binary.
std::string Payload(size_t size, unsigned seed)
{
    static const char* const kWords[] = {"zunto ", "帳簿 ", "0123456789", "\r\n", "DATA=", "表ソ"};
    std::string s;
    while (s.size() < size) {
        seed = seed * 1103515245u + 12345u;
        unsigned r = seed >> 16;
        s += r % 7 ? std::string(kWords[r % 6]) : std::string(1, (char)(r >> 3));
    }
    return s.substr(0, size);
}

uint64_t LastWrite(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA d = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d);
    return ((uint64_t)d.ftLastWriteTime.dwHighDateTime << 32) | d.ftLastWriteTime.dwLowDateTime;
}

// Every file below a folder: its bytes, time and attributes.
typedef std::map<std::string, std::string> Listing;
void ListInto(const std::string& folder, Listing* out)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = fd.cFileName, path = folder + "\\" + name;
        if (name == "." || name == "..") continue;
        (*out)[path] = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                           ? "folder"
                           : ReadFileBytes(path) + "@" + std::to_string(LastWrite(path)) + "/" +
                                 std::to_string(fd.dwFileAttributes);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ListInto(path, out);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}
Listing ListAll(const std::string& folder)
{
    Listing l;
    ListInto(folder, &l);
    return l;
}

// ---- registry ------------------------------------------------------------------------

// The value as stored: a REG_SZ keeps its NUL; "-" when missing.
std::string RegRaw(HKEY root, const char* key, const char* name)
{
    char buf[1024];
    DWORD type = 0, size = sizeof(buf);
    UniqueRegKey k;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE | RegView(root), k.Put()) != ERROR_SUCCESS ||
        RegQueryValueExA(k.Get(), name, nullptr, &type, (BYTE*)buf, &size) != ERROR_SUCCESS)
        return "-";
    return (type == REG_SZ ? "" : "not REG_SZ: ") + std::string(buf, size);
}

std::string Sz(const std::string& s) { return s + '\0'; }

// kDeny refuses values to everyone: a real failure of the registry.
const char kDeny[] = "D:(A;;KR;;;WD)(A;;WD;;;WD)";
void SetKeyDacl(HKEY root, const char* key, const char* sddl)
{
    PSECURITY_DESCRIPTOR sd = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr);
    HKEY k;
    if (RegCreateKeyExA(root, key, 0, nullptr, 0, WRITE_DAC | RegView(root), nullptr, &k, nullptr) == ERROR_SUCCESS) {
        RegSetKeySecurity(k, DACL_SECURITY_INFORMATION, sd);
        RegCloseKey(k);
    }
    LocalFree(sd);
}

void RemoveRecords()
{
    const std::pair<HKEY, const char*> keys[] = {{HKEY_LOCAL_MACHINE, InstallRecordKey(8)},
                                                 {HKEY_CLASSES_ROOT, "TarvoSorvekDocument8"},
                                                 {HKEY_CLASSES_ROOT, ".QDA"},
                                                 {HKEY_LOCAL_MACHINE, SetupText::kUninstallKey}};
    for (const auto& k : keys) {
        SetKeyDacl(k.first, k.second, "D:(A;;KA;;;WD)");
        UniqueRegKey key;  // opened in the program's view, then deleted with all below it
        if (RegOpenKeyExA(k.first, k.second, 0, KEY_ALL_ACCESS | RegView(k.first), key.Put()) == ERROR_SUCCESS)
            SHDeleteKeyA(key.Get(), "");
    }
}

BOOL RefuseSecurity(HANDLE, const char*, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

// ---- fixture ----------------------------------------------------------------------------

class InstallEngine : public testing::Test {
protected:
    // The media, made once: the data files, generated programs, packed ones
    // and broken packed ones, each source with a time stamp of its own.
    static void SetUpTestSuite()
    {
        s_media.reset(new TempDir);
        const std::string m = Media();
        for (const char* name : {"SETUP.LST", "ZUNTOSHL.ENV", "SHARE.ENV", "COMMON.ENV"})
            CopyFileA((kData + "media/" + name).c_str(), (m + name).c_str(), FALSE);
        CreateDirectoryA((m + "DATA").c_str(), nullptr);
        const std::pair<const char*, size_t> made[] = {
            {"DATA\\表ソ.TXT", 3000}, {"SETUP.EXE", 20000}, {"ZUNTOSHL.EXE", 50000},
            {"ZUNTO8.EXE", 400000},  // many chunks; more than the small disk holds
            {"EMPTY.TXT", 0},        {"RAW.DA_", 5000},    // marked compressed, but plain
            {"README.TXT", 1000}};
        for (const auto& f : made) WriteFileBytes(m + f.first, Payload(f.second, (unsigned)f.second));
        s_packed = RunHost("cd '" + HostPath(m) + "' && mscompress ZUNTOSHL.EXE ZUNTO8.EXE && mv ZUNTOSHL.EXE_ "
                           "ZUNTOSHL.EX_ && mv ZUNTO8.EXE_ ZUNTO8.EX_") == 0;
        std::string packed = ReadFileBytes(m + "ZUNTO8.EX_");
        WriteFileBytes(m + "TRUNC.EX_", packed.substr(0, 20000));
        WriteFileBytes(m + "HEADER.EX_", packed.substr(0, 10));
        std::string longer = packed;
        --longer[10];  // the header gives one byte less than the data expands to (400000: no borrow)
        WriteFileBytes(m + "LONG.EX_", longer);
        packed[8] = 'B';  // an unknown method
        WriteFileBytes(m + "METHOD.EX_", packed);
        WORD day = 1;
        for (const char* name : {"SETUP.EXE", "ZUNTOSHL.EX_", "ZUNTO8.EX_", "EMPTY.TXT", "DATA\\表ソ.TXT", "RAW.DA_",
                                 "README.TXT"}) {
            SYSTEMTIME st = {2003, 4, 0, day++, 6, 7, 8, 0};
            FILETIME ft;
            SystemTimeToFileTime(&st, &ft);
            UniqueFile f(CreateFileA((m + name).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            SetFileTime(f.Get(), nullptr, nullptr, &ft);
        }
    }
    static void TearDownTestSuite() { s_media.reset(); }
    static std::string Media() { return s_media->Path() + "\\"; }

    void SetUp() override
    {
        ASSERT_TRUE(s_packed) << "mscompress did not pack the media";
        ASSERT_TRUE(LibraryStartup(GetModuleHandleA(nullptr), SetupText::kAppTitle));
        ASSERT_TRUE(BuildOpenAccessSecurity());
        ReportHooksStartup(nullptr);  // reports wait for the next box, as in the program
        CoInitialize(nullptr);
        RemoveRecords();
        Arrange(m_root.Path() + "\\");
    }
    void TearDown() override
    {
        ReleaseDataFolder();  // held by the run, as the driver does
        m_list.Release();
        ReportHooksShutdown();
        SetReportHooks(nullptr, nullptr);
        ReleaseOpenAccessSecurity();
        LibraryShutdown();
        CoUninitialize();
        RemoveRecords();
    }

    // A run in base: program folder, shared data, Start menu, desktop.
    void Arrange(const std::string& base)
    {
        ReleaseDataFolder();  // another run's
        m_base = base;
        m_app = base + APP;
        CreateDirectoryA((base + "Common").c_str(), nullptr);
        g_commonAppDataDir = String((base + "Common\\").c_str());
        g_productDataDir = String((base + "Common\\TarvoNomiraZunto8CommonAppData\\").c_str());
        m_options = SetupOptions();
        m_options.folder = String(m_app.c_str());
        m_options.startMenuFolder = String((base + "Start\\Programs\\").c_str());
        m_options.desktopFolder = String((base + "Desktop\\").c_str());
        m_list = new FEnv2(String((Media() + "SETUP.LST").c_str()), 0);
    }

    // The worker, and the boxes it showed.
    Texts Install(int expected)
    {
        BoxWatcher boxes;
        EXPECT_EQ(expected, InstallWorker(nullptr, &m_options, m_list.Get(), String(s_media->Path().c_str())));
        return TextsOf(boxes.Boxes());
    }

    static std::unique_ptr<TempDir> s_media;
    static bool s_packed;
    TempDir m_root;
    std::string m_base, m_app;
    SetupOptions m_options;
    SafePtr<FEnv2> m_list;
};

std::unique_ptr<TempDir> InstallEngine::s_media;
bool InstallEngine::s_packed;

}  // namespace

TEST_F(InstallEngine, FreshInstallationThenUpdate)
{
    const std::string main = m_app + "Main\\", common = g_productDataDir.CStr() + std::string("COMMON.ENV");
    CreateDirectoryA(m_app.c_str(), nullptr);
    CreateDirectoryA(main.c_str(), nullptr);
    WriteFileBytes(main + "ZUNTO8.EXE", "newer, read-only");
    SetFileAttributesA((main + "ZUNTO8.EXE").c_str(), FILE_ATTRIBUTE_READONLY);
    WriteFileBytes(main + "ZUNTOSHL.EXE", "hidden");
    SetFileAttributesA((main + "ZUNTOSHL.EXE").c_str(), FILE_ATTRIBUTE_HIDDEN);
    WriteFileBytes(main + "ZUNTO7.DLL", "old");
    EXPECT_EQ(Texts{SetupText::kCompleted}, Install(1));

    // Files copied and expanded, with the source's time, neither read-only nor hidden.
    const struct {
        const char* bytes;   // the file whose bytes arrive
        const char* source;  // the file on the media
        std::string dest;
    } files[] = {
        {"SETUP.EXE", "SETUP.EXE", m_app + "SETUP.EXE"},
        {"ZUNTOSHL.EXE", "ZUNTOSHL.EX_", main + "ZUNTOSHL.EXE"},
        {"ZUNTO8.EXE", "ZUNTO8.EX_", main + "ZUNTO8.EXE"},
        {"EMPTY.TXT", "EMPTY.TXT", main + "EMPTY.TXT"},
        {"RAW.DA_", "RAW.DA_", main + "RAW.DAT"},
        {"README.TXT", "README.TXT", m_app + "README.TXT"},
        {"DATA\\表ソ.TXT", "DATA\\表ソ.TXT", m_app + "Samples\\表\\ソ\\表ソ.TXT"},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.dest);
        EXPECT_TRUE(ReadFileBytes(Media() + f.bytes) == ReadFileBytes(f.dest));
        EXPECT_EQ(LastWrite(Media() + f.source), LastWrite(f.dest));
        EXPECT_FALSE(GetFileAttributesA(f.dest.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    }
    EXPECT_FALSE(Exists(main + "ZUNTO7.DLL"));
    for (const std::string& path : {main + "ZUNTOSHL.ENV", main + "SHARE.ENV", common})
        EXPECT_EQ(ReadFileBytes(kData + "expected/" + path.substr(path.rfind('\\') + 1)), ReadFileBytes(path)) << path;

    const std::string deskLink = m_base + "Desktop\\" LINK;
    ASSERT_TRUE(Exists(deskLink));
    // The update refreshes the program files and the version number only.
    WriteFileBytes(main + "ZUNTO8.EXE", "damaged");
    WriteFileBytes(main + "ZUNTO7.DLL", "old again");
    DeleteFileA(deskLink.c_str());
    WriteFileBytes(common, "[Default]\r\n会社名=山田\r\n[ズント帳]\r\nVersion=8000\r\n");
    UniqueRegKey qda;
    RegCreateKeyExA(HKEY_CLASSES_ROOT, ".QDA", 0, nullptr, 0, KEY_SET_VALUE | RegView(HKEY_CLASSES_ROOT), nullptr, qda.Put(), nullptr);
    RegSetValueExA(qda.Get(), nullptr, 0, REG_SZ, (const BYTE*)"other", 6);
    m_options.updateExisting = 1;
    EXPECT_EQ(Texts{SetupText::kCompleted}, Install(1));
    EXPECT_TRUE(ReadFileBytes(Media() + "ZUNTO8.EXE") == ReadFileBytes(main + "ZUNTO8.EXE"));
    EXPECT_FALSE(Exists(main + "ZUNTO7.DLL"));
    EXPECT_EQ("[Default]\r\n会社名=山田\r\n[ズント帳]\r\nVersion=8040\r\n", ReadFileBytes(common));
    EXPECT_FALSE(Exists(deskLink));
    EXPECT_EQ(Sz("other"), RegRaw(HKEY_CLASSES_ROOT, ".QDA", nullptr));
}

TEST_F(InstallEngine, EveryFailingPhaseShowsItsReasonThenTheAbortMessageAndIsUndone)
{
    // A desktop folder of 250 characters can be made, but its link path does
    // not fit the 260 wide characters of the conversion.
    static std::string s_longDesktop;
    s_longDesktop = m_base + std::string(120, 'd') + "\\" + std::string(128 - m_base.size(), 'e') + "\\";
    ASSERT_EQ(250u, s_longDesktop.size());
    const std::string data = "Common\\TarvoNomiraZunto8CommonAppData";
    auto base = [&](int row) { return m_root.Path() + "\\" + std::to_string(row) + "\\"; };
    const struct {
        const char* phase;
        void (*arrange)(FEnv2* list, SetupOptions* options);
        std::string reason;  // the first box starts with it
    } rows[] = {
        {"copy", [](FEnv2* list, SetupOptions*) { list->SetString("Files2", "bad", "1,1,TRUNC.EX_,T.EXE,$(AppPath)"); },
         Media() + "TRUNC.EX_\n\n読み込みに失敗"},
        {"settings files", [](FEnv2* list, SetupOptions*) { list->SetString("Files", "share", nullptr); },
         "ファイル " + base(2) + APP "Main\\SHARE.ENV をオープンできません.\n\n"},
        {"registry", [](FEnv2*, SetupOptions*) { SetKeyDacl(HKEY_LOCAL_MACHINE, InstallRecordKey(8), kDeny); },
         "レジストリ書き込みエラー\n\n" + Denied()},
        {"shortcut", [](FEnv2*, SetupOptions* options) { options->desktopFolder = String(s_longDesktop.c_str()); },
         "文字列の変換エラー\n\n"},
        {"access rights", [](FEnv2*, SetupOptions*) { g_securityCalls.setObjectSecurity = RefuseSecurity; },
         "フォルダ[" + base(5) + data + "]に対するセキュリティー設定に失敗しました.\n\n" + Denied()},
        {"uninstall entry", [](FEnv2*, SetupOptions*) { SetKeyDacl(HKEY_LOCAL_MACHINE, SetupText::kUninstallKey, kDeny); },
         "レジストリ書き込みエラー\n\n" + Denied()},
    };
    const SecurityCalls realCalls = g_securityCalls;
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.phase);
        CreateDirectoryA(base(++n).c_str(), nullptr);
        RemoveRecords();
        Arrange(base(n));
        row.arrange(m_list.Get(), &m_options);
        const Listing before = ListAll(base(n));
        Texts texts = Install(0);
        g_securityCalls = realCalls;
        ASSERT_EQ(2u, texts.size()) << (texts.empty() ? "" : texts[0]);
        EXPECT_EQ(row.reason, texts[0].substr(0, row.reason.size()));
        EXPECT_EQ(SetupText::kAborted, texts[1]);
        // Undone: files, folders, shortcuts and records as they were.
        EXPECT_EQ(before, ListAll(base(n)));
        for (const auto& key : {std::make_pair(InstallRecordKey(8), "AppDir"),
                                std::make_pair(SetupText::kUninstallKey, "UninstallString")})
            EXPECT_EQ("-", RegRaw(HKEY_LOCAL_MACHINE, key.first, key.second));
        EXPECT_EQ("-", RegRaw(HKEY_CLASSES_ROOT, ".QDA", nullptr));
    }
}

TEST_F(InstallEngine, AStoppedOrCrashedUpdateLeavesTheInstallationAsItWas)
{
    ASSERT_EQ(Texts{SetupText::kCompleted}, Install(1));
    const std::string main = m_app + "Main\\";
    WriteFileBytes(main + "ZUNTO7.DLL", "old");
    SetFileAttributesA((main + "ZUNTO7.DLL").c_str(), FILE_ATTRIBUTE_READONLY);
    WriteFileBytes(main + "ZUNTO8.EXE", "damaged");
    const Listing before = ListAll(m_base);
    m_options.updateExisting = 1;

    // Stopped by a broken file of the last section, after the program files
    // were replaced and the old one removed.
    m_list->SetString("Files2", "bad", "1,1,TRUNC.EX_,T.EXE,$(AppPath)");
    Texts texts = Install(0);
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ(SetupText::kAborted, texts[1]);
    EXPECT_EQ(before, ListAll(m_base));

    // Crashed: the journal and the names on disk as the process left them.
    UndoPlanReset();
    PlanSection(m_list.Get(), String("Update"), m_options.folder, String(s_media->Path().c_str()), false);
    UndoPlanFile(String((main + "ZUNTO9.EXE").c_str()));
    UndoPlanShellProgram(String((main + "ZUNTOSHL.EXE").c_str()));
    ASSERT_TRUE(UndoBegin());
    for (const char* name : {"ZUNTO8.EXE", "ZUNTO9.EXE"}) {  // replaced; made anew
        ASSERT_EQ(ASIDE_DONE, UndoSetAside(String((main + name).c_str())));
        WriteFileBytes(main + name, "new");
    }
    ASSERT_EQ(ASIDE_DONE, UndoRemove(String((main + "ZUNTO7.DLL").c_str()), nullptr));
    UndoPlanReset();  // the process ends: its memory goes, the journal stays
    {
        // One file is held by another process: named, and the rest restored
        // around it; the shell program goes so that the half state cannot start.
        UniqueFile held(CreateFileA((main + "ZUNTO9.EXE").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        BoxWatcher boxes;
        EXPECT_FALSE(UndoInterruptedRun());
        EXPECT_EQ(Texts{std::string(SetupText::kRecovered) + SetupText::kNotRestoredHead + "\n" + main + "ZUNTO9.EXE" +
                        SetupText::kRunAgain},
                  TextsOf(boxes.Boxes()));
    }
    EXPECT_EQ("old", ReadFileBytes(main + "ZUNTO7.DLL"));
    EXPECT_EQ("damaged", ReadFileBytes(main + "ZUNTO8.EXE"));
    EXPECT_FALSE(Exists(main + "ZUNTOSHL.EXE"));
    // The journal stays until a later setup finishes the undo.
    BoxWatcher boxes;
    EXPECT_TRUE(UndoInterruptedRun());
    EXPECT_EQ(Texts{SetupText::kRecovered}, TextsOf(boxes.Boxes()));
    EXPECT_FALSE(Exists(main + "ZUNTO9.EXE"));
    EXPECT_EQ("-", RegRaw(HKEY_LOCAL_MACHINE, SetupText::kUndoKey, "State"));
}

TEST_F(InstallEngine, AnUndoBesideLinksPlantedInTheSharedFolderLeavesWhatTheyLeadToAlone)
{
    // COMMON.ENV a second name of a file outside, and a link to a folder
    // outside; the run stops after the settings file was copied over it.
    const std::string outside = m_base + "Outside", data = g_productDataDir.CStr();
    CreateDirectoryA(outside.c_str(), nullptr);
    CreateDirectoryA(StripBackslash(g_productDataDir).CStr(), nullptr);
    WriteFileBytes(outside + "\\victim.txt", "kept");
    ASSERT_TRUE(MakeLink(data + "COMMON.ENV", outside + "\\victim.txt", false));
    ASSERT_TRUE(MakeLink(data + "Linked", outside));
    const Listing before = ListAll(outside);
    m_list->SetString("Files2", "bad", "1,1,TRUNC.EX_,T.EXE,$(AppPath)");
    Texts texts = Install(0);
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ(SetupText::kAborted, texts[1]);
    EXPECT_EQ(before, ListAll(outside));
    for (const auto& entry : ListAll(StripBackslash(g_productDataDir).CStr()))
        EXPECT_EQ(std::string::npos, entry.first.find(".zu8-undo")) << entry.first;
    RunHost("rm '" + HostPath(data + "Linked") + "'");
}

TEST_F(InstallEngine, CopyPromptsAndBrokenMediaFollowTheAnswers)
{
    // A link that another user planted in the shared data folder.
    const std::string target = m_base + "Target", linked = g_productDataDir.CStr() + std::string("Linked");
    CreateDirectoryA(target.c_str(), nullptr);
    CreateDirectoryA(StripBackslash(g_productDataDir).CStr(), nullptr);
    WriteFileBytes(target + "\\README.TXT", "kept");
    ASSERT_EQ(0, RunHost("ln -s '" + HostPath(target) + "' '" + HostPath(linked) + "'"));
    const std::string second = g_productDataDir.CStr() + std::string("SECOND.TXT");  // a second name of the file
    ASSERT_EQ(0, RunHost("ln '" + HostPath(target + "\\README.TXT") + "' '" + HostPath(second) + "'"));

    const std::string readOnly[] = {m_app + "RO.TXT", g_productDataDir.CStr() + std::string("RO.TXT")};
    CreateDirectoryA(m_app.c_str(), nullptr);
    for (const std::string& ro : readOnly) {
        WriteFileBytes(ro, "ro");
        SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_READONLY);
    }

    const std::string disk2 = "Zuntoria Ver.８ ディスク 2 を " + Media() + " にセットして [OK] ボタンを押して下さい";
    const std::string disk0 = "Zuntoria Ver.８ ディスクを " + Media() + " にセットして [OK] ボタンを押して下さい";
    const std::string confirm = SetupText::kConfirmAbort, lzFailed = "\n\n読み込みに失敗";
    const struct {
        const char* section;
        bool cancelFirst;  // the progress window's cancel pressed before the first file
        std::vector<int> answers;
        int result;
        Texts boxes;
    } rows[] = {
        {"Missing2", false, {IDCANCEL, IDNO, IDOK, IDCANCEL, IDYES}, 0, {disk2, confirm, disk2, disk2, confirm}},
        {"Missing0", false, {IDCANCEL, IDYES}, 0, {disk0, confirm}},
        {"Common", true, {IDNO}, 1, {confirm}},  // asked once: the request is cleared
        {"Common", true, {IDYES}, 0, {confirm}},
        {"Truncated", false, {}, 0, {Media() + "TRUNC.EX_" + lzFailed}},
        {"WrongMethod", false, {}, 0, {Media() + "METHOD.EX_" + lzFailed}},
        {"HeaderOnly", false, {}, 0, {Media() + "HEADER.EX_" + lzFailed}},
        {"Overlong", false, {}, 0, {Media() + "LONG.EX_" + lzFailed}},
        {"Linked", false, {}, 0, {"ファイル[" + linked + "\\README.TXT]へ書き込むことができません\n\n" + Denied()}},
        {"LinkedRemoval", false, {}, 0, {linked + "\\README.TXT を削除できません\n\n" + Denied()}},
        {"SecondName", false, {}, 1, {}},  // the second name is made anew; the other file stays
        {"ReadOnlyRemoval", false, {}, 1, {}},  // read-only is not "in use": no prompt
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.section);
        BoxWatcher boxes(row.answers);
        DoingWnd* progress = new DoingWnd("t", -1, -1, 200, 20, nullptr, DW_CANCELBTN | DW_NOBAR | DW_SHOW);
        progress->m_bCancel = row.cancelFirst;
        EXPECT_EQ(row.result, CopySection(m_list.Get(), progress, String(row.section), String(s_media->Path().c_str()),
                                          String(m_app.c_str())));
        progress->Close();
        ShowQueuedReports(0);  // what waits in the report queue is shown too
        std::vector<SeenBox> seen = boxes.Boxes();
        EXPECT_EQ(row.boxes, TextsOf(seen));
        for (const SeenBox& box : seen)
            EXPECT_EQ(box.text == confirm || row.section[0] != 'M' ? SetupText::kAppTitle : "MISSING.TXTのコピー",
                      box.title);
    }
    // A packed source the plan keeps open for its copy is let go before a
    // disk is asked for: the disk could not be taken out otherwise.
    PlanSection(m_list.Get(), String("Common"), String(m_app.c_str()), String(s_media->Path().c_str()));
    {
        BoxWatcher boxes({IDCANCEL, IDYES});
        DoingWnd* progress = new DoingWnd("t", -1, -1, 200, 20, nullptr, DW_CANCELBTN | DW_NOBAR | DW_SHOW);
        EXPECT_EQ(0, CopySection(m_list.Get(), progress, String("Missing2"), String(s_media->Path().c_str()),
                                 String(m_app.c_str())));
        progress->Close();
    }
    const std::string kept = Media() + "ZUNTOSHL.EX_", moved = Media() + "MOVED.EX_";
    EXPECT_TRUE(MoveFileA(kept.c_str(), moved.c_str()));
    MoveFileA(moved.c_str(), kept.c_str());
    EXPECT_TRUE(Exists(m_app + "TRUNC.EXE"));  // a failed copy stays as far as it got
    EXPECT_FALSE(Exists(readOnly[0]) || Exists(readOnly[1]));
    EXPECT_EQ("kept", ReadFileBytes(target + "\\README.TXT"));
    EXPECT_EQ(ReadFileBytes(Media() + "README.TXT"), ReadFileBytes(second));
    RunHost("rm '" + HostPath(linked) + "' '" + HostPath(second) + "'");
}

TEST_F(InstallEngine, FullDiskEndsInTheWriteErrorThenTheAbort)
{
    // The program folder on a tmpfs of 256 KB, a drive of its own.
    char letter = 'R';
    while (letter < 'Y' && (GetLogicalDrives() & (1u << (letter - 'A')))) ++letter;
    const std::string mount = HostPath(m_root.Path()) + "/small";
    const std::string device = HostPath("C:\\") + "/../dosdevices/" + (char)(letter + 'a' - 'A') + ":";
    if (RunHost("mkdir -p '" + mount + "' && mount -t tmpfs -o size=256k tmpfs '" + mount + "' && ln -s '" + mount +
                "' '" + device + "'") != 0) {
        RunHost("umount '" + mount + "'; rmdir '" + mount + "'");
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): the full-disk case is not run";
    }
    m_app = std::string(1, letter) + ":\\";
    m_options.folder = String(m_app.c_str());
    EXPECT_EQ((Texts{"ファイル[" + m_app + "Main\\ZUNTO8.EXE]へ書き込むことができません\n\n" +
                         SystemErrorText(ERROR_DISK_FULL).CStr(),
                     SetupText::kAborted}),
              Install(0));
    EXPECT_FALSE(Exists(m_app + "Main\\ZUNTOSHL.EXE"));
    RunHost("rm -f '" + device + "'; umount '" + mount + "'; rmdir '" + mount + "'");
}

// The end-to-end runs read the records of a plain folder and of one with 0x5C
// trail bytes; these folders need a quoted icon or keep a 0x72 trail byte.
TEST_F(InstallEngine, RegistryRecordsForAwkwardProgramFolders)
{
    const struct {
        const char* folder;
        const char* keyAppDir;  // full path, ASCII letters upper-cased
        const char* icon;
    } rows[] = {
        {"c:\\zunto\\a,b\\", "C:\\ZUNTO\\A,B\\", "\"c:\\zunto\\a,b\\Main\\ZUNTO8.EXE\",3"},
        {"c:\\表ソ\\ビル\\", "C:\\表ソ\\ビル\\", "c:\\表ソ\\ビル\\Main\\ZUNTO8.EXE,3"},  // ビ: trail byte 0x72, no 'r'
    };
    BoxWatcher boxes;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.folder);
        const std::string folder = row.folder, programIcon = std::string(row.icon, strlen(row.icon) - 1) + "0";
        const char* uninstall = SetupText::kUninstallKey;
        InstallRecord record;
        record.AppDir = String(row.folder);
        ASSERT_TRUE(WriteInstallRecord(&record) && RegisterDocumentType(String(row.folder)) &&
                    WriteUninstallEntry(HKEY_LOCAL_MACHINE, uninstall, MakeUninstallEntry(String(row.folder), 0)));
        EXPECT_EQ(Sz(row.keyAppDir), RegRaw(HKEY_LOCAL_MACHINE, InstallRecordKey(8), "KeyAppDir"));
        EXPECT_EQ(Sz(row.icon), RegRaw(HKEY_CLASSES_ROOT, "TarvoSorvekDocument8\\DefaultIcon", nullptr));
        EXPECT_EQ(Sz("\"" + folder + "Main\\ZUNTOSHL.EXE\" \"%1\""),
                  RegRaw(HKEY_CLASSES_ROOT, "TarvoSorvekDocument8\\shell\\open\\command", nullptr));
        EXPECT_EQ(Sz("\"" + folder + "SETUP.EXE\" /uninstall"), RegRaw(HKEY_LOCAL_MACHINE, uninstall, "UninstallString"));
        EXPECT_EQ(Sz(programIcon), RegRaw(HKEY_LOCAL_MACHINE, uninstall, "DisplayIcon"));
    }
    EXPECT_TRUE(boxes.Boxes().empty());
}
