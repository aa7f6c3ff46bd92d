// FileHash.cpp - the SHA-256 digest of a file, computed by the system's
// cryptographic provider.
#include "FileHash.h"

#include <windows.h>

#include "Handles.h"

// Windows XP SP3's AES provider has SHA-256; the headers show it only to
// later targets.
#ifndef CALG_SHA_256
#define CALG_SHA_256 (ALG_CLASS_HASH | ALG_TYPE_ANY | 12)
#endif

namespace {

const DWORD kHashChunk = 256 * 1024;
const DWORD kDigestSize = 32;

// The provider with SHA-256 (the AES one; the base providers lack it),
// without a key container.
bool AcquireProvider(UniqueCryptProv* prov)
{
    return CryptAcquireContextA(prov->Put(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) != FALSE;
}

bool HashContents(HANDLE file, HCRYPTHASH hash)
{
    static char s_buffer[kHashChunk];  // one hash at a time
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, s_buffer, kHashChunk, &got, nullptr)) return false;
        if (got == 0) return true;
        if (!CryptHashData(hash, reinterpret_cast<const BYTE*>(s_buffer), got, 0)) return false;
    }
}

}  // namespace

bool Sha256OfFile(const String& path, String* hex)
{
    UniqueFile file(CreateFileA(path.CStr(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    UniqueCryptProv prov;
    UniqueCryptHash hash;
    if (!file || !AcquireProvider(&prov) || !CryptCreateHash(prov.Get(), CALG_SHA_256, 0, 0, hash.Put()) ||
        !HashContents(file.Get(), hash.Get()))
        return false;
    BYTE digest[kDigestSize];
    DWORD size = sizeof(digest);
    if (!CryptGetHashParam(hash.Get(), HP_HASHVAL, digest, &size, 0) || size != kDigestSize) return false;
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
