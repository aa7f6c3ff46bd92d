// OpenAccessTest.cpp - the open-access descriptor, every failure of its
// construction (nothing may leak), and the walk that applies it.
#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <map>
#include <string>
#include <vector>

#include "common/BoxWatcher.h"
#include "common/TempDir.h"
#include "wcls/ErrorReport.h"
#include "wcls/FEnv2.h"
#include "wcls/OpenAccess.h"

namespace {

// Counts what the builder acquires and gives back, and fails the call
// numbered failAt (0: none).
struct Recorder {
    int failAt = 0;
    int calls = 0;
    std::map<std::string, int> live;
    std::vector<std::string> secured;  // paths given to SetFileSecurity, in order
    std::string failPath;
};
Recorder* g_rec;
SecurityCalls g_real;

bool Fails()
{
    if (++g_rec->calls != g_rec->failAt) return false;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return true;
}

HMODULE WINAPI FakeLoadLibrary(LPCSTR name)
{
    if (Fails()) return nullptr;
    ++g_rec->live["library"];
    return g_real.loadLibrary(name);
}
FARPROC WINAPI FakeGetProcAddress(HMODULE m, LPCSTR name)
{
    return Fails() ? nullptr : g_real.getProcAddress(m, name);
}
BOOL WINAPI FakeFreeLibrary(HMODULE m)
{
    --g_rec->live["library"];
    return g_real.freeLibrary(m);
}
BOOL WINAPI FakeAllocateSid(PSID_IDENTIFIER_AUTHORITY a, BYTE n, DWORD s0, DWORD s1, DWORD s2, DWORD s3,
                            DWORD s4, DWORD s5, DWORD s6, DWORD s7, PSID* sid)
{
    if (Fails()) return FALSE;
    ++g_rec->live["sid"];
    return g_real.allocateAndInitializeSid(a, n, s0, s1, s2, s3, s4, s5, s6, s7, sid);
}
PVOID WINAPI FakeFreeSid(PSID sid)
{
    --g_rec->live["sid"];
    return g_real.freeSid(sid);
}
HLOCAL WINAPI FakeLocalAlloc(UINT flags, SIZE_T size)
{
    if (Fails()) return nullptr;
    ++g_rec->live["local"];
    return g_real.localAlloc(flags, size);
}
HLOCAL WINAPI FakeLocalFree(HLOCAL h)
{
    --g_rec->live["local"];
    return g_real.localFree(h);
}
BOOL WINAPI FakeInitializeAcl(PACL acl, DWORD size, DWORD rev)
{
    return Fails() ? FALSE : g_real.initializeAcl(acl, size, rev);
}
BOOL WINAPI FakeInitializeDescriptor(PSECURITY_DESCRIPTOR sd, DWORD rev)
{
    return Fails() ? FALSE : g_real.initializeSecurityDescriptor(sd, rev);
}
BOOL WINAPI FakeSetDacl(PSECURITY_DESCRIPTOR sd, BOOL present, PACL acl, BOOL defaulted)
{
    return Fails() ? FALSE : g_real.setSecurityDescriptorDacl(sd, present, acl, defaulted);
}
BOOL WINAPI FakeSetFileSecurity(LPCSTR path, SECURITY_INFORMATION info, PSECURITY_DESCRIPTOR sd)
{
    g_rec->secured.push_back(path);
    if (!g_rec->failPath.empty() && g_rec->failPath == path) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return g_real.setFileSecurity(path, info, sd);
}

DWORD WINAPI Windows95Version()
{
    return 0x80000004;  // a 9x-family version 4
}

class OpenAccessTest : public testing::Test {
protected:
    void SetUp() override
    {
        StartErrorThread();
        g_real = g_securityCalls;
        g_rec = &rec;
        g_securityCalls.loadLibrary = FakeLoadLibrary;
        g_securityCalls.getProcAddress = FakeGetProcAddress;
        g_securityCalls.freeLibrary = FakeFreeLibrary;
        g_securityCalls.allocateAndInitializeSid = FakeAllocateSid;
        g_securityCalls.freeSid = FakeFreeSid;
        g_securityCalls.localAlloc = FakeLocalAlloc;
        g_securityCalls.localFree = FakeLocalFree;
        g_securityCalls.initializeAcl = FakeInitializeAcl;
        g_securityCalls.initializeSecurityDescriptor = FakeInitializeDescriptor;
        g_securityCalls.setSecurityDescriptorDacl = FakeSetDacl;
        g_securityCalls.setFileSecurity = FakeSetFileSecurity;
    }
    void TearDown() override
    {
        ReleaseOpenAccessSecurity();
        g_securityCalls = g_real;
        StopErrorThread();
    }
    Recorder rec;
};

const ACCESS_ALLOWED_ACE* OnlyAce(PSECURITY_DESCRIPTOR sd)
{
    BOOL present = FALSE, defaulted = TRUE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted) || !present || !dacl) return nullptr;
    if (dacl->AceCount != 1) return nullptr;
    void* ace = nullptr;
    GetAce(dacl, 0, &ace);
    return static_cast<const ACCESS_ALLOWED_ACE*>(ace);
}

}  // namespace

TEST_F(OpenAccessTest, DescriptorGrantsEveryoneEverythingInherited)
{
    ASSERT_TRUE(BuildOpenAccessSecurity());
    ASSERT_TRUE(g_useFileSecurity);
    ASSERT_NE(nullptr, g_openAccessAttributes);
    EXPECT_EQ(g_openAccessSecurity, g_openAccessAttributes->lpSecurityDescriptor);
    EXPECT_FALSE(g_openAccessAttributes->bInheritHandle);
    EXPECT_EQ(sizeof(SECURITY_ATTRIBUTES), g_openAccessAttributes->nLength);

    const ACCESS_ALLOWED_ACE* ace = OnlyAce(g_openAccessSecurity);
    ASSERT_NE(nullptr, ace);
    EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType);
    EXPECT_EQ(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, ace->Header.AceFlags);
    EXPECT_EQ((DWORD)GENERIC_ALL, ace->Mask);
    char* sid = nullptr;
    ConvertSidToStringSidA((PSID)&ace->SidStart, &sid);
    EXPECT_STREQ("S-1-1-0", sid);
    LocalFree(sid);
    PSID owner = nullptr;
    BOOL ownerDefaulted;
    GetSecurityDescriptorOwner(g_openAccessSecurity, &owner, &ownerDefaulted);
    EXPECT_EQ(nullptr, owner);

    ReleaseOpenAccessSecurity();
    EXPECT_EQ(nullptr, g_openAccessAttributes);
    for (auto& kind : rec.live) EXPECT_EQ(0, kind.second) << kind.first;
}

TEST_F(OpenAccessTest, EveryFailingStepReportsAndLeavesNothing)
{
    const char* messages[] = {
        "システムエラー！ ADVAPI32.DLLを読み込みできません",
        "システムエラー！ AddAccessAllowedAceEx ＡＰＩがありません",
        "SID の初期化に失敗しました",
        "メモリの確保に失敗しました",
        "ACLを初期化できません",
        nullptr,  // the entry point itself is not replaced: it cannot fail here
        "メモリの確保に失敗しました",
        "セキュリティ記述子を初期化できません",
        "セキュリティACLを設定できません",
    };
    int step = 0;
    for (const char* message : messages) {
        ++step;
        if (!message) continue;
        SCOPED_TRACE(step);
        BoxWatcher boxes;
        rec = Recorder();
        rec.failAt = step > 6 ? step - 1 : step;
        EXPECT_FALSE(BuildOpenAccessSecurity());
        EXPECT_EQ(nullptr, g_openAccessAttributes);
        EXPECT_EQ(nullptr, g_openAccessSecurity);
        for (auto& kind : rec.live) EXPECT_EQ(0, kind.second) << kind.first;
        ASSERT_TRUE(boxes.WaitFor(1));
        EXPECT_EQ(std::string("十分なメモリがありません。\n\n") + message, boxes.Boxes()[0].text);
    }
}

TEST_F(OpenAccessTest, OldSystemsBuildNothing)
{
    g_securityCalls.getVersion = Windows95Version;
    EXPECT_TRUE(BuildOpenAccessSecurity());
    EXPECT_FALSE(g_useFileSecurity);
    EXPECT_EQ(nullptr, g_openAccessAttributes);
    EXPECT_EQ(0, rec.calls);
}

TEST_F(OpenAccessTest, WalkSetsEachFolderBeforeItsContentsAndStopsAtAFailure)
{
    ASSERT_TRUE(BuildOpenAccessSecurity());
    TempDir dir;
    std::string root = dir.File("表ソ");
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA((root + "\\..x").c_str(), nullptr);
    CreateDirectoryA((root + "\\.sub").c_str(), nullptr);
    WriteFileBytes(root + "\\..x\\a.txt", "a");
    WriteFileBytes(root + "\\.sub\\h.txt", "h");
    WriteFileBytes(root + "\\top.txt", "t");
    SetFileAttributesA((root + "\\.sub\\h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    CreateDirectoryA((root + "\\empty").c_str(), nullptr);

    EXPECT_TRUE(ApplyOpenAccess(g_openAccessSecurity, String(root.c_str())));
    std::vector<std::string>& seen = rec.secured;
    ASSERT_EQ(7u, seen.size());
    EXPECT_EQ(root, seen[0]);
    auto at = [&](const std::string& p) { return std::find(seen.begin(), seen.end(), root + p) - seen.begin(); };
    for (const char* p : {"\\..x", "\\.sub", "\\empty", "\\top.txt"}) EXPECT_LT(at(p), 7) << p;
    EXPECT_LT(at("\\..x"), at("\\..x\\a.txt"));
    EXPECT_LT(at("\\.sub"), at("\\.sub\\h.txt"));

    // A file that cannot be changed ends the walk with its message.
    BoxWatcher boxes;
    seen.clear();
    rec.failPath = root + "\\top.txt";
    EXPECT_FALSE(ApplyOpenAccess(g_openAccessSecurity, String(root.c_str())));
    EXPECT_EQ(rec.failPath, seen.back());
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ("アクセスは拒否されました。\n\nファイル[" + rec.failPath + "]に対するセキュリティー設定に失敗しました.",
              boxes.Boxes()[0].text);

    rec.failPath = root;
    EXPECT_FALSE(ApplyOpenAccess(g_openAccessSecurity, String(root.c_str())));
    ASSERT_TRUE(boxes.WaitFor(2));
    EXPECT_EQ("アクセスは拒否されました。\n\nフォルダ[" + root + "]に対するセキュリティー設定に失敗しました.",
              boxes.Boxes()[1].text);
}

// Platform difference: Wine maps a DACL onto the host's permission bits and
// reports a synthesized one (SYSTEM and the user in full, Everyone with what
// the host allows others). What survives of ours: Everyone may write.
bool EveryoneMayWrite(const std::string& path)
{
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                              nullptr, &sd) != ERROR_SUCCESS)
        return false;
    bool writes = false;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        GetAce(dacl, i, (void**)&ace);
        char* sid = nullptr;
        ConvertSidToStringSidA((PSID)&ace->SidStart, &sid);
        if (sid && strcmp(sid, "S-1-1-0") == 0 && (ace->Mask & FILE_WRITE_DATA)) writes = true;
        LocalFree(sid);
    }
    LocalFree(sd);
    return writes;
}

// The attributes each lock or ".BAK" file was created with. The library is
// linked into this program, so its CreateFileA calls go through this
// program's import table, where the recorder takes the slot.
std::vector<std::pair<std::string, const void*>> g_created;
HANDLE(WINAPI* g_realCreateFile)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
HANDLE WINAPI RecordCreateFile(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa, DWORD disposition,
                               DWORD attributes, HANDLE templ)
{
    std::string n = name;
    if (n.size() > 4 && (n.substr(n.size() - 4) == ".lc$" || n.substr(n.size() - 4) == ".BAK"))
        g_created.push_back({n.substr(n.rfind('\\') + 1), sa});
    return g_realCreateFile(name, access, share, sa, disposition, attributes, templ);
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

TEST_F(OpenAccessTest, FoldersAreGivenItAndLockAndBakFilesCreatedWithIt)
{
    ASSERT_TRUE(BuildOpenAccessSecurity());
    TempDir dir;
    EXPECT_FALSE(EveryoneMayWrite(dir.Path()));
    ASSERT_TRUE(ApplyOpenAccess(g_openAccessSecurity, String(dir.Path().c_str())));
    EXPECT_TRUE(EveryoneMayWrite(dir.Path()));
    // Platform difference: Wine ignores the security given to CreateFileA
    // (and keeps a file's DACL only as host permission bits), so what the
    // files were created with is watched at the call.
    g_realCreateFile = reinterpret_cast<decltype(g_realCreateFile)>(SwapImport("CreateFileA", (void*)RecordCreateFile));
    ASSERT_NE(nullptr, g_realCreateFile);
    const DWORD flagSets[] = {ENV_KEEPLOCK | ENV_OPENACCESS, ENV_LOCK | ENV_OPENACCESS, ENV_LOCK};
    for (DWORD flags : flagSets) {
        WriteFileBytes(dir.File("A.ENV"), "");
        SafePtr<FEnv2> env(new FEnv2(String(dir.File("A.ENV").c_str()), flags, 1000, 50));
        EXPECT_TRUE(env->SetString("A", "k", "v") && env->Save());
    }
    SwapImport("CreateFileA", (void*)g_realCreateFile);
    const void* open = g_openAccessAttributes;
    EXPECT_EQ((std::vector<std::pair<std::string, const void*>>{
                  {"A.ENV.lc$", open}, {"A.ENV.BAK", open},                          // lock kept
                  {"A.ENV.lc$", open}, {"A.ENV.lc$", open}, {"A.ENV.BAK", open},     // lock taken each time
                  {"A.ENV.lc$", nullptr}, {"A.ENV.lc$", nullptr}, {"A.ENV.BAK", nullptr}}),
              g_created);
}

TEST_F(OpenAccessTest, LinksAreNeverGivenItNorWalked)
{
    ASSERT_TRUE(BuildOpenAccessSecurity());
    TempDir dir;
    std::string target = dir.File("target"), root = dir.File("data");
    CreateDirectoryA(target.c_str(), nullptr);
    CreateDirectoryA(root.c_str(), nullptr);
    WriteFileBytes(target + "\\keep.txt", "k");
    WriteFileBytes(root + "\\own.txt", "o");
    if (!MakeFolderLink(root + "\\link", target)) GTEST_SKIP() << "no folder links here";
    EXPECT_TRUE(ApplyOpenAccess(g_openAccessSecurity, String(root.c_str())));
    EXPECT_EQ((std::vector<std::string>{root, root + "\\own.txt"}), rec.secured);
    rec.secured.clear();
    EXPECT_TRUE(ApplyOpenAccess(g_openAccessSecurity, String((root + "\\link").c_str())));  // a root that is a link
    EXPECT_TRUE(rec.secured.empty());
    EXPECT_FALSE(EveryoneMayWrite(target));
}
