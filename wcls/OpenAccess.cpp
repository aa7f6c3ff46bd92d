// OpenAccess.cpp - the security that gives every user full access.
#include "OpenAccess.h"

#include <string.h>

#include "ErrorReport.h"
#include "Handles.h"
#include "LibTexts.h"
#include "SysFolders.h"
#include "PathText.h"
#include "TARVO5/DosError.h"
#include "VerifiedFile.h"

bool g_useFileSecurity;
PSECURITY_DESCRIPTOR g_openAccessSecurity;
SECURITY_ATTRIBUTES* g_openAccessAttributes;

static BOOL SetObjectSecurity(HANDLE object, const char*, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR security)
{
    return SetKernelObjectSecurity(object, what, security);
}

SecurityCalls g_securityCalls = {
    GetVersion, LoadLibraryA, GetProcAddress, FreeLibrary, AllocateAndInitializeSid, FreeSid,
    LocalAlloc, LocalFree, InitializeAcl, InitializeSecurityDescriptor, SetSecurityDescriptorDacl,
    SetObjectSecurity,
};

namespace {

HMODULE s_advapi;
PSID s_everyone;
PACL s_acl;
SECURITY_ATTRIBUTES s_attributes;

const char kLoadFailed[] = "システムエラー！ ADVAPI32.DLLを読み込みできません";
const char kNoAceEx[] = "システムエラー！ AddAccessAllowedAceEx ＡＰＩがありません";
const char kSidFailed[] = "SID の初期化に失敗しました";
const char kNoMemory[] = "メモリの確保に失敗しました";
const char kAclFailed[] = "ACLを初期化できません";
const char kAceFailed[] = "セキュリティ許可ACEを追加できません";
const char kDescriptorFailed[] = "セキュリティ記述子を初期化できません";
const char kDaclFailed[] = "セキュリティACLを設定できません";

bool Failed(const char* message)
{
    ReportSystemCode(ERR_SYSTEM, GetLastError(), message, 0);
    ReleaseOpenAccessSecurity();
    return false;
}

}  // namespace

bool BuildOpenAccessSecurity()
{
    const SecurityCalls& api = g_securityCalls;
    DWORD v = api.getVersion();
    unsigned version = (LOBYTE(LOWORD(v)) << 8) | HIBYTE(LOWORD(v));
    bool nt = (v & 0x80000000u) == 0;
    g_useFileSecurity = nt && version >= 0x500;
    if (!g_useFileSecurity) return true;

    // By its full path: the program's own folder may hold a planted copy.
    String advapi = SystemFolder() + String("ADVAPI32.DLL");
    SetLastError(0);
    s_advapi = api.loadLibrary(advapi.CStr());
    if (!s_advapi) return Failed(kLoadFailed);

    SetLastError(0);
    AddAccessAllowedAceExFn addAce =
        reinterpret_cast<AddAccessAllowedAceExFn>(reinterpret_cast<void*>(api.getProcAddress(s_advapi, "AddAccessAllowedAceEx")));
    if (!addAce) return Failed(kNoAceEx);

    SetLastError(0);
    SID_IDENTIFIER_AUTHORITY world = {SECURITY_WORLD_SID_AUTHORITY};
    if (!api.allocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &s_everyone)) {
        s_everyone = nullptr;
        return Failed(kSidFailed);
    }

    SetLastError(0);
    DWORD aclSize = GetLengthSid(s_everyone) + 20;
    s_acl = static_cast<PACL>(api.localAlloc(LPTR, aclSize));
    if (!s_acl) return Failed(kNoMemory);

    SetLastError(0);
    if (!api.initializeAcl(s_acl, aclSize, ACL_REVISION)) return Failed(kAclFailed);

    SetLastError(0);
    if (!addAce(s_acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, GENERIC_ALL, s_everyone))
        return Failed(kAceFailed);

    SetLastError(0);
    g_openAccessSecurity = api.localAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH);
    if (!g_openAccessSecurity) return Failed(kNoMemory);

    SetLastError(0);
    if (!api.initializeSecurityDescriptor(g_openAccessSecurity, SECURITY_DESCRIPTOR_REVISION))
        return Failed(kDescriptorFailed);

    SetLastError(0);
    if (!api.setSecurityDescriptorDacl(g_openAccessSecurity, TRUE, s_acl, FALSE)) return Failed(kDaclFailed);

    s_attributes.nLength = sizeof(s_attributes);
    s_attributes.lpSecurityDescriptor = g_openAccessSecurity;
    s_attributes.bInheritHandle = FALSE;
    g_openAccessAttributes = &s_attributes;
    return true;
}

void ReleaseOpenAccessSecurity()
{
    const SecurityCalls& api = g_securityCalls;
    g_openAccessAttributes = nullptr;
    if (g_openAccessSecurity) api.localFree(g_openAccessSecurity);
    g_openAccessSecurity = nullptr;
    // The ACL the descriptor points at goes with it.
    if (s_acl) api.localFree(s_acl);
    s_acl = nullptr;
    if (s_everyone) api.freeSid(s_everyone);
    s_everyone = nullptr;
    if (s_advapi) api.freeLibrary(s_advapi);
    s_advapi = nullptr;
}

namespace {

// Gives the open entry the descriptor; reports a failure.
bool Secure(const VerifiedFile& entry, PSECURITY_DESCRIPTOR security, bool folder)
{
    SetLastError(0);
    if (g_securityCalls.setObjectSecurity(entry.Handle(), entry.Path().CStr(), DACL_SECURITY_INFORMATION, security))
        return true;
    const String& path = entry.Path();
    ReportSystemError(GetLastError(), ERR_WRITE, path,
                      Framed(folder ? LibText::kSecureFolderHead : LibText::kSecureFileHead, path.CStr(),
                             LibText::kSecureTail));
    return false;
}

// The open folder, then everything in it, each entry through a handle of
// its own. A link (junction, symbolic link) may point anywhere, and a file
// with other names is another file too: both are left alone, never given
// the open security nor walked into.
bool SecureTree(PSECURITY_DESCRIPTOR security, const VerifiedFile& folder)
{
    if (!Secure(folder, security, true)) return false;
    String dir = folder.Path() + String("\\");
    WIN32_FIND_DATAA fd;
    SetLastError(0);
    UniqueFind find(FindFirstFileA((dir + String("*.*")).CStr(), &fd));
    for (bool more = find.IsValid(); more;) {
        bool isFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        bool dots = strcmp(fd.cFileName, ".") == 0 || strcmp(fd.cFileName, "..") == 0;
        if (!dots) {
            VerifiedFile entry;
            int opened = entry.Open(folder, String(fd.cFileName), WRITE_DAC | READ_CONTROL,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0, nullptr,
                                    isFolder ? VF_FOLDER : 0);
            if (opened == VF_OPENED && !(isFolder ? SecureTree(security, entry) : Secure(entry, security, false)))
                return false;
            if (opened == VF_FAILED) {
                String path = dir + String(fd.cFileName);
                ReportSystemError(GetLastError(), ERR_WRITE, path,
                                  Framed(isFolder ? LibText::kSecureFolderHead : LibText::kSecureFileHead,
                                         path.CStr(), LibText::kSecureTail));
                return false;
            }
        }
        SetLastError(0);
        more = FindNextFileA(find.Get(), &fd) != FALSE;
    }
    DWORD err = GetLastError();
    if (ClassifyError(err) == ECLASS_NOTFOUND) return true;
    ReportSystemError(err, ERR_READ, folder.Path(), Framed(LibText::kReadFolderHead, dir.CStr(), LibText::kReadFolderTail));
    return false;
}

}  // namespace

bool ApplyOpenAccess(PSECURITY_DESCRIPTOR security, const String& folder)
{
    String name;
    VerifiedFile parent, root;
    int opened = parent.OpenFolderOf(StripBackslash(folder), &name);
    if (opened == VF_OPENED)
        opened = root.Open(parent, name, WRITE_DAC | READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                           0, nullptr, VF_FOLDER);
    if (opened == VF_OPENED) return SecureTree(security, root);
    if (opened == VF_REFUSED) return true;  // a link: left alone
    ReportSystemError(opened == VF_MISSING ? (DWORD)ERROR_PATH_NOT_FOUND : GetLastError(), ERR_WRITE, folder,
                      Framed(LibText::kSecureFolderHead, folder.CStr(), LibText::kSecureTail));
    return false;
}
