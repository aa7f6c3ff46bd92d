// FEnv2.h - the ENV settings file: bracketed sections of key=value lines in
// the ANSI code page, read whole into one memory image, edited there and
// written back whole through a ".BAK" file. The installed application
// reads and writes the same files, so every byte of the image matters.
#pragma once

#include <windows.h>
#include <stdint.h>

#include <string>
#include <unordered_map>

#include "Data.h"
#include "FObject.h"
#include "FileLock.h"

class VerifiedFile;

// Options and state bits of FEnv2 (the values are shared with the
// application).
enum {
    ENV_LOADED = 0x02,      // state: read (or a non-empty image cleared); only then may it be saved
    ENV_MODIFIED = 0x04,    // state: the image changed since loading
    ENV_CREATE = 0x08,      // a missing file is created empty
    ENV_LOCK = 0x10,        // hold the ".lc$" lock while reading and while saving
    ENV_KEEPLOCK = 0x20,    // hold the ".lc$" lock exclusively for the object's life
    ENV_OPENACCESS = 0x40,  // create the ".BAK" and lock files open to every user; the
                            // folder is open to every user too, so links there are refused
    ENV_HIDDEN = 0x80,      // create files hidden
};

// Matches a NUL-terminated name against the bytes at p (up to end) the way
// ENV names compare: a double-byte character must be equal, single bytes
// are equal after upper-casing ASCII letters. Returns the byte after the
// matched bytes, or null.
const char* MatchEnvName(const char* name, const char* p, const char* end);

class FEnv2 : public SafeObject {
public:
    // Loads the file at once; test IsLoaded to learn whether it was read.
    // Load failures are reported here.
    FEnv2(const String& fileName, DWORD flags, DWORD lockTimeout = 10000, DWORD lockInterval = 100);
    ~FEnv2() override;

    bool IsLoaded() const { return (m_dwFlags & ENV_LOADED) != 0; }
    DWORD Flags() const { return m_dwFlags; }

    // The value of the entry, or a copy of def when the section or the key is
    // missing; *found gets 1 or 0. A null section is the part before the
    // first header.
    virtual String GetString(const char* sec, const char* key, const char* def, int* found = nullptr);
    // Sets the entry; a null value deletes it. 0 (image unchanged, nothing
    // reported) when a name or the value holds a byte it may not hold.
    virtual bool SetString(const char* sec, const char* key, const char* value);
    // The value read as a decimal integer (a present, non-numeric value is 0).
    virtual int32_t GetNumber(const char* sec, const char* key, int32_t def, int* found = nullptr);
    virtual bool SetNumber(const char* sec, const char* key, int32_t value);
    // The section's keys as a NUL-separated list closed by one more NUL.
    virtual String GetKeyNames(const char* sec);
    // Writes the image through the ".BAK" file, which then replaces the file
    // in one step. Reports its own failures.
    virtual bool Save();
    // Empties a non-empty image (a following Save writes an empty file).
    virtual void Clear();

    // The image, for inspection.
    const char* Image() const { return m_buff; }
    uint32_t ImageSize() const { return m_sizeData; }
    uint32_t ImageCapacity() const { return m_cbCapacity; }
    const String& FileName() const { return m_strFile; }

private:
    void Load();
    void ReadImage();
    bool TakeLock(DWORD lockFlags, int kind, const char* detailTail);
    bool WriteBak(const String& bak, VerifiedFile* keep);
    bool Grow(uint64_t need, bool quiet);
    uint32_t NextLine(uint32_t pos) const;
    bool FindSection(const char* sec, uint32_t* start) const;
    bool FindKey(uint32_t start, const char* key, uint32_t* lineStart, uint32_t* valueStart) const;
    bool FindValue(const char* sec, const char* key, uint32_t* valueStart) const;

    char* m_buff;           // the image; null until something is held
    uint32_t m_cbCapacity;  // bytes allocated for m_buff
    uint32_t m_sizeData;    // bytes of the image in use
    String m_strFile;
    DWORD m_dwFlags;
    uint32_t m_cbMinimum;   // smallest allocation of the image
    uint32_t m_cbSlack;     // room added whenever the image grows
    SafePtr<FileLock> m_lock;
    String m_strLockFile;   // file name + ".lc$"
    DWORD m_dwLockTimeout;
    DWORD m_dwLockInterval;
    // The keys of the section looked up last, by name, built at the first
    // look-up in it and dropped when the image changes: reading a section key
    // by key costs one pass over it, not one per key.
    uint32_t m_generation = 0;  // counts the changes of the image
    mutable uint32_t m_indexGeneration = 0;
    mutable bool m_indexed = false;
    mutable bool m_indexSafe = true;
    mutable std::string m_indexedSection;
    mutable std::unordered_map<std::string, uint32_t> m_keyIndex;  // name -> start of its value
};
