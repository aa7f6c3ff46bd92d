// FileHash.cpp - SHA-256 digests computed by the system's cryptographic
// provider.
#include "FileHash.h"

#include "Handles.h"
#include "SystemDll.h"

// Windows XP SP3's AES provider has SHA-256; the headers show it only to
// later targets.
#ifndef CALG_SHA_256
#define CALG_SHA_256 (ALG_CLASS_HASH | ALG_TYPE_ANY | 12)
#endif

namespace {

const DWORD kHashChunk = 256 * 1024;
const DWORD kDigestSize = 32;

// The provider with SHA-256 (the AES one; the base providers lack it),
// without a key container, and a hash object of it.
class Sha256 {
public:
    bool Start()
    {
        // The provider's DLL, loaded here by its full path first: the system
        // loads it by name, which older systems look for beside the program too.
        SystemDllProc("RSAENH.DLL", "CPAcquireContext");
        return CryptAcquireContextA(m_prov.Put(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
               CryptCreateHash(m_prov.Get(), CALG_SHA_256, 0, 0, m_hash.Put());
    }
    bool Add(const void* data, DWORD size)
    {
        return CryptHashData(m_hash.Get(), static_cast<const BYTE*>(data), size, 0) != FALSE;
    }
    bool Finish(String* hex)
    {
        BYTE digest[kDigestSize];
        DWORD size = sizeof(digest);
        if (!CryptGetHashParam(m_hash.Get(), HP_HASHVAL, digest, &size, 0) || size != kDigestSize) return false;
        static const char kDigits[] = "0123456789abcdef";
        char text[2 * kDigestSize + 1];
        for (DWORD i = 0; i < kDigestSize; ++i) {
            text[2 * i] = kDigits[digest[i] >> 4];
            text[2 * i + 1] = kDigits[digest[i] & 15];
        }
        text[2 * kDigestSize] = 0;
        *hex = String(text);
        return true;
    }

private:
    UniqueCryptProv m_prov;  // released after the hash, declared first
    UniqueCryptHash m_hash;
};

bool Rewind(HANDLE file)
{
    LARGE_INTEGER zero = {};
    return SetFilePointerEx(file, zero, nullptr, FILE_BEGIN) != FALSE;
}

}  // namespace

bool Sha256OfHandle(HANDLE file, String* hex)
{
    static char s_buffer[kHashChunk];  // one hash at a time
    Sha256 sha;
    if (!Rewind(file) || !sha.Start()) return false;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, s_buffer, kHashChunk, &got, nullptr)) return false;
        if (got == 0) break;
        if (!sha.Add(s_buffer, got)) return false;
    }
    return sha.Finish(hex) && Rewind(file);
}

bool Sha256OfFile(const String& path, String* hex)
{
    UniqueFile file(CreateFileA(path.CStr(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return false;
    if (GetFileType(file.Get()) != FILE_TYPE_DISK) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    return Sha256OfHandle(file.Get(), hex);
}

bool Sha256OfBytes(const void* data, DWORD size, String* hex)
{
    Sha256 sha;
    return sha.Start() && sha.Add(data, size) && sha.Finish(hex);
}
