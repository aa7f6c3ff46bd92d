// OpenAccessTest.cpp - the open-access descriptor, its failures, the walk, the files made with it.
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>
#include <winternl.h>

#include <map>
#include <string>
#include <vector>

#include "common/BoxWatcher.h"
#include "common/TempDir.h"
#include "wcls/ErrorReport.h"
#include "wcls/FEnv2.h"
#include "wcls/OpenAccess.h"
#include "wcls/VerifiedFile.h"

namespace {

// Counts what the builder acquires and gives back, fails the call numbered
// failAt (0: none), and records the paths given new security.
struct Recorder {
    int failAt = 0, calls = 0;
    std::map<std::string, int> live;
    std::vector<std::string> secured;
    std::string failPath;
} g_rec;
SecurityCalls g_real;

bool Fails()
{
    if (++g_rec.calls != g_rec.failAt) return false;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return true;
}

HMODULE WINAPI FakeLoadLibrary(LPCSTR n) { if (Fails()) return nullptr; ++g_rec.live["library"]; return g_real.loadLibrary(n); }
FARPROC WINAPI FakeGetProcAddress(HMODULE m, LPCSTR n) { return Fails() ? nullptr : g_real.getProcAddress(m, n); }
BOOL WINAPI FakeFreeLibrary(HMODULE m) { --g_rec.live["library"]; return g_real.freeLibrary(m); }
BOOL WINAPI FakeAllocateSid(PSID_IDENTIFIER_AUTHORITY a, BYTE n, DWORD s0, DWORD s1, DWORD s2, DWORD s3, DWORD s4,
                            DWORD s5, DWORD s6, DWORD s7, PSID* sid)
{
    if (Fails()) return FALSE;
    ++g_rec.live["sid"];
    return g_real.allocateAndInitializeSid(a, n, s0, s1, s2, s3, s4, s5, s6, s7, sid);
}
PVOID WINAPI FakeFreeSid(PSID sid) { --g_rec.live["sid"]; return g_real.freeSid(sid); }
HLOCAL WINAPI FakeLocalAlloc(UINT f, SIZE_T n) { if (Fails()) return nullptr; ++g_rec.live["local"]; return g_real.localAlloc(f, n); }
HLOCAL WINAPI FakeLocalFree(HLOCAL h) { --g_rec.live["local"]; return g_real.localFree(h); }
BOOL WINAPI FakeInitializeAcl(PACL acl, DWORD n, DWORD r) { return !Fails() && g_real.initializeAcl(acl, n, r); }
BOOL WINAPI FakeInitializeDescriptor(PSECURITY_DESCRIPTOR sd, DWORD r) { return !Fails() && g_real.initializeSecurityDescriptor(sd, r); }
BOOL WINAPI FakeSetDacl(PSECURITY_DESCRIPTOR sd, BOOL p, PACL acl, BOOL d) { return !Fails() && g_real.setSecurityDescriptorDacl(sd, p, acl, d); }
BOOL FakeSetObjectSecurity(HANDLE object, const char* path, SECURITY_INFORMATION info, PSECURITY_DESCRIPTOR sd)
{
    g_rec.secured.push_back(path);
    if (g_rec.failPath == path) SetLastError(ERROR_ACCESS_DENIED);
    return g_rec.failPath != path && g_real.setObjectSecurity(object, path, info, sd);
}

class OpenAccessTest : public testing::Test {
protected:
    void SetUp() override
    {
        StartErrorThread();
        g_real = g_securityCalls;
        g_rec = Recorder();
        g_securityCalls = {g_real.getVersion, FakeLoadLibrary, FakeGetProcAddress, FakeFreeLibrary,
                           FakeAllocateSid, FakeFreeSid, FakeLocalAlloc, FakeLocalFree, FakeInitializeAcl,
                           FakeInitializeDescriptor, FakeSetDacl, FakeSetObjectSecurity};
    }
    void TearDown() override
    {
        ReleaseOpenAccessSecurity();
        for (auto& kind : g_rec.live) EXPECT_EQ(0, kind.second) << kind.first;
        g_securityCalls = g_real;
        StopErrorThread();
    }
};

TEST_F(OpenAccessTest, DescriptorGrantsEveryoneEverythingInherited)
{
    ASSERT_TRUE(BuildOpenAccessSecurity() && g_useFileSecurity && g_openAccessAttributes);
    EXPECT_EQ(g_openAccessSecurity, g_openAccessAttributes->lpSecurityDescriptor);
    EXPECT_FALSE(g_openAccessAttributes->bInheritHandle);
    char* sddl = nullptr;
    ConvertSecurityDescriptorToStringSecurityDescriptorA(g_openAccessSecurity, SDDL_REVISION_1,
                                                         OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                                         &sddl, nullptr);
    EXPECT_STREQ("D:(A;OICI;GA;;;WD)", sddl);  // no owner; Everyone, GENERIC_ALL, inherited
    LocalFree(sddl);
    ReleaseOpenAccessSecurity();
    EXPECT_EQ(nullptr, g_openAccessAttributes);
}

TEST_F(OpenAccessTest, EveryFailingStepReportsAndLeavesNothing)
{
    const char* messages[] = {
        "システムエラー！ ADVAPI32.DLLを読み込みできません", "システムエラー！ AddAccessAllowedAceEx ＡＰＩがありません",
        "SID の初期化に失敗しました", "メモリの確保に失敗しました", "ACLを初期化できません",
        "メモリの確保に失敗しました", "セキュリティ記述子を初期化できません", "セキュリティACLを設定できません",
    };
    for (int step = 1; step <= 8; ++step) {
        SCOPED_TRACE(step);
        BoxWatcher boxes;
        g_rec = Recorder();
        g_rec.failAt = step;
        EXPECT_FALSE(BuildOpenAccessSecurity());
        EXPECT_EQ(nullptr, g_openAccessAttributes);
        EXPECT_EQ(nullptr, g_openAccessSecurity);
        for (auto& kind : g_rec.live) EXPECT_EQ(0, kind.second) << kind.first;
        ASSERT_TRUE(boxes.WaitFor(1));
        EXPECT_EQ(std::string("十分なメモリがありません。\n\n") + messages[step - 1], boxes.Boxes()[0].text);
    }
}

TEST_F(OpenAccessTest, WalkSetsEachFolderBeforeItsContentsStopsAtAFailureAndNeverFollowsLinks)
{
    ASSERT_TRUE(BuildOpenAccessSecurity());
    TempDir dir;
    std::string root = dir.File("表ソ");
    for (const char* sub : {"", "\\..x", "\\.sub", "\\empty"}) CreateDirectoryA((root + sub).c_str(), nullptr);
    for (const char* file : {"\\..x\\a.txt", "\\.sub\\h.txt", "\\top.txt"}) WriteFileBytes(root + file, "x");
    SetFileAttributesA((root + "\\.sub\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);

    EXPECT_TRUE(ApplyOpenAccess(g_openAccessSecurity, String(root.c_str())));
    std::vector<std::string>& seen = g_rec.secured;
    ASSERT_EQ(7u, seen.size());
    EXPECT_EQ(root, seen[0]);
    auto at = [&](const char* p) { return std::find(seen.begin(), seen.end(), root + p) - seen.begin(); };
    EXPECT_LT(at("\\..x"), at("\\..x\\a.txt"));
    EXPECT_LT(at("\\.sub"), at("\\.sub\\h.txt"));
    EXPECT_LT(std::max(at("\\empty"), at("\\top.txt")), 7);

    BoxWatcher boxes;  // the first entry that cannot be changed ends the walk
    for (std::string fail : {root + "\\top.txt", root}) {
        seen.clear();
        g_rec.failPath = fail;
        EXPECT_FALSE(ApplyOpenAccess(g_openAccessSecurity, String(root.c_str())));
        EXPECT_EQ(fail, seen.back());
    }
    ASSERT_TRUE(boxes.WaitFor(2));
    EXPECT_EQ("アクセスは拒否されました。\n\nファイル[" + root + "\\top.txt]に対するセキュリティー設定に失敗しました.",
              boxes.Boxes()[0].text);
    EXPECT_EQ("アクセスは拒否されました。\n\nフォルダ[" + root + "]に対するセキュリティー設定に失敗しました.",
              boxes.Boxes()[1].text);

    // Links are never given it nor walked.
    std::string target = dir.File("target");
    root = dir.File("data");
    CreateDirectoryA(target.c_str(), nullptr);
    CreateDirectoryA(root.c_str(), nullptr);
    g_rec.failPath.clear();
    g_rec.secured.clear();
    WriteFileBytes(target + "\\keep.txt", "k");
    WriteFileBytes(root + "\\own.txt", "o");
    if (!MakeLink(root + "\\link", target)) GTEST_SKIP() << "no folder links here";
    EXPECT_TRUE(ApplyOpenAccess(g_openAccessSecurity, String(root.c_str())));
    EXPECT_EQ((std::vector<std::string>{root, root + "\\own.txt"}), g_rec.secured);
    g_rec.secured.clear();
    EXPECT_TRUE(ApplyOpenAccess(g_openAccessSecurity, String((root + "\\link").c_str())));  // a root that is a link
    EXPECT_TRUE(g_rec.secured.empty());
}

// The attributes each lock or ".BAK" file was created with: the library's
// CreateFileA calls go through this program's import table, to the recorder.
// The lock and ".BAK" files created, with the security they were given.
std::vector<std::pair<std::string, const void*>> g_created;
void RecordCreated(std::string name, const void* security)
{
    if (name.size() > 4 && (name.substr(name.size() - 4) == ".lc$" || name.substr(name.size() - 4) == ".BAK"))
        g_created.push_back({name.substr(name.rfind('\\') + 1), security});
}
HANDLE(WINAPI* g_realCreateFile)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
HANDLE WINAPI RecordCreateFile(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa, DWORD disposition,
                               DWORD attributes, HANDLE templ)
{
    if (disposition != OPEN_EXISTING) RecordCreated(name, sa ? sa->lpSecurityDescriptor : nullptr);
    return g_realCreateFile(name, access, share, sa, disposition, attributes, templ);
}
NtCreateFileFn g_realNtCreateFile;
LONG NTAPI RecordNtCreateFile(HANDLE* file, ACCESS_MASK access, void* object, void* status, LARGE_INTEGER* size,
                              ULONG attributes, ULONG share, ULONG disposition, ULONG options, void* ea, ULONG eaLength)
{
    auto* o = static_cast<OBJECT_ATTRIBUTES*>(object);
    if (disposition != 1 /* FILE_OPEN: a file is first looked at as it is */)
        RecordCreated(std::string(String(o->ObjectName->Buffer, o->ObjectName->Length / 2).CStr()),
                      o->SecurityDescriptor);
    return g_realNtCreateFile(file, access, object, status, size, attributes, share, disposition, options, ea,
                              eaLength);
}

void* SwapImport(const char* name, void* replacement)
{
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    DWORD rva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + rva); imp->Name; ++imp) {
        auto names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) ||
                strcmp(reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name, name) != 0)
                continue;
            DWORD protect;
            VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &protect);
            void* previous = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof(void*), protect, &protect);
            return previous;
        }
    }
    return nullptr;
}

TEST_F(OpenAccessTest, LockAndBakFilesAreCreatedWithIt)
{
    ASSERT_TRUE(BuildOpenAccessSecurity());
    TempDir dir;
    // Platform difference: Wine ignores the security given to CreateFileA, so
    // what the lock and ".BAK" files are created with is watched at the call.
    g_created.clear();
    g_realCreateFile = reinterpret_cast<decltype(g_realCreateFile)>(SwapImport("CreateFileA", (void*)RecordCreateFile));
    ASSERT_NE(nullptr, g_realCreateFile);
    g_realNtCreateFile = g_ntCreateFile;
    g_ntCreateFile = RecordNtCreateFile;
    const DWORD flagSets[] = {ENV_KEEPLOCK | ENV_OPENACCESS, ENV_LOCK | ENV_OPENACCESS, ENV_LOCK};
    for (DWORD flags : flagSets) {
        WriteFileBytes(dir.File("A.ENV"), "");
        SafePtr<FEnv2> env(new FEnv2(String(dir.File("A.ENV").c_str()), flags, 1000, 50));
        EXPECT_TRUE(env->SetString("A", "k", "v") && env->Save());
    }
    SwapImport("CreateFileA", (void*)g_realCreateFile);
    g_ntCreateFile = g_realNtCreateFile;
    const void* open = g_openAccessSecurity;
    EXPECT_EQ((std::vector<std::pair<std::string, const void*>>{
                  {"A.ENV.lc$", open}, {"A.ENV.BAK", open},                       // lock kept
                  {"A.ENV.lc$", open}, {"A.ENV.lc$", open}, {"A.ENV.BAK", open},  // lock taken each time
                  {"A.ENV.lc$", nullptr}, {"A.ENV.lc$", nullptr}, {"A.ENV.BAK", nullptr}}),
              g_created);
}

}  // namespace
