// FEnv2.cpp - the ENV settings file.
#include "FEnv2.h"

#include <stdio.h>
#include <string.h>

#include "Assert.h"
#include "ErrorReport.h"
#include "FileOps.h"
#include "Handles.h"
#include "LibTexts.h"
#include "Memory.h"
#include "OpenAccess.h"
#include "VerifiedFile.h"

namespace {

const char kSource[] = "wcls/fenv2";

// Texts and names; the messages are joined to file names without a blank.
namespace EnvText {
const char kLockTail[] = ".lc$";
const char kBakTail[] = ".BAK";
const char kSharingViolation[] = "の共有違反が発生しました";
const char kCannotLock[] = "をロックすることができません";
const char kCannotRead[] = "を読み込むことができません";
const char kCannotWrite[] = "へ書き込むことができません";
const char kNotLoaded[] = "読み込みに成功していないので保存はできません";
const char kBakNotWritten[] = "に書き込みできません";
}  // namespace EnvText

const DWORD kOptionBits = ENV_CREATE | ENV_LOCK | ENV_KEEPLOCK | ENV_OPENACCESS | ENV_HIDDEN;
const uint32_t kMinimumCapacity = 10240;
const uint32_t kGrowthSlack = 2048;
// Larger images are outside the design (sizes are 32-bit, files far smaller).
const uint64_t kMaxImage = 0x7FFFFFFFu - kGrowthSlack;

inline char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c;
}

// True when text holds none of the bytes of `forbidden` as a single-byte
// character (the bytes of a double-byte character are never looked at).
bool HoldsNone(const char* text, const char* forbidden)
{
    for (const char* p = text; *p; p = NextChar(p)) {
        bool doubleByte = IsLeadByte((unsigned char)*p) && p[1] != '\0';
        if (!doubleByte && strchr(forbidden, *p)) return false;
    }
    return true;
}

String Joined(const String& name, const char* tail)
{
    return name + String(tail);
}

}  // namespace

const char* MatchEnvName(const char* name, const char* p, const char* end)
{
    while (*name) {
        if (IsLeadByte((unsigned char)*name) && name[1] != '\0') {
            if (end - p < 2 || p[0] != name[0] || p[1] != name[1]) return nullptr;
            name += 2;
            p += 2;
        } else {
            if (p >= end || UpperAscii(*p) != UpperAscii(*name)) return nullptr;
            ++name;
            ++p;
        }
    }
    return p;
}

// ---- construction and loading ----------------------------------------------

FEnv2::FEnv2(const String& fileName, DWORD flags, DWORD lockTimeout, DWORD lockInterval)
    : m_buff(nullptr),
      m_cbCapacity(0),
      m_sizeData(0),
      m_strFile(fileName),
      m_dwFlags(flags & kOptionBits),  // state bits are ours alone
      m_cbMinimum(kMinimumCapacity),
      m_cbSlack(kGrowthSlack),
      m_lock(new FileLock),
      m_strLockFile(Joined(fileName, EnvText::kLockTail)),
      m_dwLockTimeout(lockTimeout),
      m_dwLockInterval(lockInterval)
{
    Load();
}

FEnv2::~FEnv2()
{
    MemFree(m_buff);
    m_buff = nullptr;
    // A lock still held (ENV_KEEPLOCK) goes, with its file, with the FileLock.
}

// Takes the lock file; a time-out is reported here, other failures have
// been reported by the lock.
bool FEnv2::TakeLock(DWORD lockFlags, int kind, const char* detailTail)
{
    if (m_dwFlags & ENV_OPENACCESS) lockFlags |= LOCK_OPENACCESS;
    if (m_lock->Lock(m_strLockFile, lockFlags, m_dwLockTimeout, m_dwLockInterval)) return true;
    if (m_lock->Flags() & LOCK_WAITING) {
        String text = Joined(m_strLockFile, EnvText::kSharingViolation);
        String detail = Joined(m_strFile, detailTail);
        ReportError(kind, text.CStr(), detail.CStr(), 0);
    }
    return false;
}

void FEnv2::Load()
{
    if (m_dwFlags & ENV_KEEPLOCK) {
        m_dwFlags &= ~(DWORD)ENV_LOCK;
        m_lock->Unlock();
        if (!TakeLock(LOCK_DELETE, ERR_READ, EnvText::kCannotLock)) return;
    } else if (m_dwFlags & ENV_LOCK) {
        m_lock->Unlock();
        if (!TakeLock(LOCK_SHARED | LOCK_DELETE, ERR_READ, EnvText::kCannotRead)) return;
    }

    ReadImage();
    if (m_dwFlags & ENV_LOCK) m_lock->Unlock();
}

// Reads the whole file into the image and normalises its end.
void FEnv2::ReadImage()
{
    const DWORD disposition = (m_dwFlags & ENV_CREATE) ? OPEN_ALWAYS : OPEN_EXISTING;
    const DWORD attributes = (m_dwFlags & ENV_HIDDEN) ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL;
    // A file open to every user lies in a folder where every user may
    // create names: it is opened once and checked through its handle.
    VerifiedFile shared;
    UniqueFile own;
    if (m_dwFlags & ENV_OPENACCESS) {
        if (!OpenVerifiedWithRetry(&shared, m_strFile, GENERIC_READ, FILE_SHARE_READ, disposition, attributes,
                                   nullptr))
            return;  // reported by the open
    } else {
        own.Reset(OpenWithRetry(m_strFile, GENERIC_READ, FILE_SHARE_READ, nullptr, disposition, attributes, nullptr,
                                g_dwFileTimeout, g_dwFileInterval, 0));
        if (!own) return;  // reported by the open
    }
    HANDLE file = shared.IsOpen() ? shared.Handle() : own.Get();

    SetLastError(0);
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    bool read = !(size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR);
    if (read) {
        if (high != 0 || !Grow(size, true)) return;  // too large to hold: given up quietly
        DWORD got = 0;
        read = size == 0 || (ReadFile(file, m_buff, size, &got, nullptr) && got == size);
    }
    if (!read) {
        DWORD err = GetLastError();
        ReportSystemError(err, ERR_OPENFILE, m_strFile, Joined(m_strFile, EnvText::kCannotRead));
        return;
    }
    shared.Close();
    own.Close();
    m_dwFlags |= ENV_LOADED;

    // One Ctrl-Z, then one LF, then one CR go; a non-empty image then ends
    // in one CR LF of ours.
    uint32_t n = size;
    if (n && m_buff[n - 1] == '\x1A') --n;
    if (n && m_buff[n - 1] == '\n') --n;
    if (n && m_buff[n - 1] == '\r') --n;
    if (n) {
        Grow((uint64_t)n + 2, false);  // within the slack
        m_buff[n++] = '\r';
        m_buff[n++] = '\n';
    }
    m_sizeData = n;
    ++m_generation;
}

// Capacity rule: a block too small for `need` bytes becomes
// max(need + slack, minimum); it never shrinks. Quiet growth gives up
// without a message when memory runs out; the other kind ends the process.
bool FEnv2::Grow(uint64_t need, bool quiet)
{
    if (need <= m_cbCapacity) return true;
    if (need > kMaxImage) return false;
    uint64_t capacity = need + m_cbSlack;
    if (capacity < m_cbMinimum) capacity = m_cbMinimum;
    void* p = quiet ? MemTryRealloc(m_buff, (size_t)capacity) : MemRealloc(m_buff, (size_t)capacity);
    if (!p) return false;
    m_buff = static_cast<char*>(p);
    m_cbCapacity = (uint32_t)capacity;
    return true;
}

// ---- lookups -------------------------------------------------------------------

// The start of the line after pos: just past the next CR LF, or the end.
uint32_t FEnv2::NextLine(uint32_t pos) const
{
    const char* end = m_buff + m_sizeData;
    for (const char* p = m_buff + pos; p < end;) {
        const char* cr = static_cast<const char*>(memchr(p, '\r', (size_t)(end - p)));
        if (!cr || cr + 1 >= end) break;
        if (cr[1] == '\n') return (uint32_t)(cr + 2 - m_buff);
        p = cr + 1;
    }
    return m_sizeData;
}

// The first line of the section (a null name: of the part before the first
// header); the end of the image when no header names it.
bool FEnv2::FindSection(const char* sec, uint32_t* start) const
{
    *start = 0;
    if (!sec) return true;
    const char* end = m_buff + m_sizeData;
    for (uint32_t pos = 0; pos < m_sizeData; pos = NextLine(pos)) {
        if (m_buff[pos] != '[') continue;
        const char* after = MatchEnvName(sec, m_buff + pos + 1, end);
        if (after && after < end && *after == ']') {
            *start = NextLine(pos);
            return true;
        }
    }
    *start = m_sizeData;
    return false;
}

// Walks the lines from start up to the next line starting with '['. When
// not found, *lineStart is where the walk stopped: where a new entry goes.
bool FEnv2::FindKey(uint32_t start, const char* key, uint32_t* lineStart, uint32_t* valueStart) const
{
    const char* end = m_buff + m_sizeData;
    uint32_t pos = start;
    for (; pos < m_sizeData; pos = NextLine(pos)) {
        if (m_buff[pos] == '[') break;
        const char* after = MatchEnvName(key, m_buff + pos, end);
        if (after && after < end && *after == '=') {
            *lineStart = pos;
            *valueStart = (uint32_t)(after + 1 - m_buff);
            return true;
        }
    }
    *lineStart = pos;
    *valueStart = pos;
    return false;
}

// A name as the look-ups compare it: ASCII letters upper-cased, double-byte
// characters as they are.
std::string ComparedName(const char* p, const char* end)
{
    std::string name;
    while (p < end && *p) {
        if (IsLeadByte((unsigned char)*p) && p + 1 < end && p[1] != '\0') {
            name.append(p, 2);
            p += 2;
        } else {
            name += UpperAscii(*p++);
        }
    }
    return name;
}

// FindSection and FindKey through the index of the section: the first line
// of each name, as they find it. A name the index does not hold, and any name
// in a section where a name ends in the first byte of a character (which
// the look-ups may read either way), is looked for line by line.
bool FEnv2::FindValue(const char* sec, const char* key, uint32_t* valueStart) const
{
    std::string section = ComparedName(sec, sec + strlen(sec));
    if (!m_indexed || m_indexGeneration != m_generation || section != m_indexedSection) {
        m_keyIndex.clear();
        m_indexed = true;
        m_indexGeneration = m_generation;
        m_indexedSection = section;
        m_indexSafe = true;
        uint32_t pos;
        const char* end = m_buff + m_sizeData;
        if (FindSection(sec, &pos)) {
            for (; pos < m_sizeData && m_buff[pos] != '['; pos = NextLine(pos)) {
                // The name runs to the first '=' (never the second byte of a
                // character); a line without one has none.
                const char* line = m_buff + pos;
                const char* p = line;
                while (p < end && *p != '=' && *p != '\r' && *p != '\0') {
                    bool lead = IsLeadByte((unsigned char)*p) && p + 1 < end && p[1] != '\r' && p[1] != '\0';
                    if (lead && p[1] == '=') m_indexSafe = false;
                    p += lead && p[1] != '=' ? 2 : 1;
                }
                if (p < end && *p == '=')
                    m_keyIndex.emplace(ComparedName(line, p), (uint32_t)(p + 1 - m_buff));
            }
        }
    }
    auto found = m_indexSafe ? m_keyIndex.find(ComparedName(key, key + strlen(key))) : m_keyIndex.end();
    if (found != m_keyIndex.end()) {
        *valueStart = found->second;
        return true;
    }
    uint32_t start, lineStart;
    return FindSection(sec, &start) && FindKey(start, key, &lineStart, valueStart);
}

String FEnv2::GetString(const char* sec, const char* key, const char* def, int* found)
{
    uint32_t start, lineStart, valueStart;
    bool present = key && (sec ? FindValue(sec, key, &valueStart)
                               : FindSection(sec, &start) && FindKey(start, key, &lineStart, &valueStart));
    if (present) {
        if (found) *found = 1;
        const char* value = m_buff + valueStart;
        const char* p = m_buff + NextLine(valueStart);
        if (p - value >= 2 && p[-2] == '\r' && p[-1] == '\n') p -= 2;
        LIB_ASSERT(p<=m_buff+m_sizeData, kSource);
        return String(value, (int)(p - value));
    }
    if (found) *found = 0;
    return String(def ? def : "");
}

int32_t FEnv2::GetNumber(const char* sec, const char* key, int32_t def, int* found)
{
    int present = 0;
    String value = GetString(sec, key, "", &present);
    if (found) *found = present;
    return present ? TextToLong(value.CStr()) : def;
}

String FEnv2::GetKeyNames(const char* sec)
{
    String list;
    uint32_t pos;
    if (FindSection(sec, &pos)) {
        const char* end = m_buff + m_sizeData;
        for (; pos < m_sizeData && m_buff[pos] != '['; pos = NextLine(pos)) {
            const char* line = m_buff + pos;
            if (*line == ';') continue;
            // The key runs to the first '='; a CR, a NUL or the end first
            // means the line has none. A lead byte right before a CR or NUL
            // is a cut character, not the first half of a pair with it.
            const char* p = line;
            while (p < end && *p != '=' && *p != '\r' && *p != '\0') {
                bool pair = IsLeadByte((unsigned char)*p) && p + 1 < end && p[1] != '\r' && p[1] != '\0';
                p += pair ? 2 : 1;
            }
            if (p >= end || *p != '=' || p == line) continue;
            list.Append(String(line, (int)(p - line)).CStr()).AppendChar('\0');
        }
    }
    list.AppendChar('\0');
    return list;
}

// ---- edits ---------------------------------------------------------------------

bool FEnv2::SetString(const char* sec, const char* key, const char* value)
{
    if (!sec || !key) return false;
    // A key starting with '[' would write a line that ends its own section
    // (or reads as another section's header): refused like a ';'.
    if (!HoldsNone(sec, "\r\n]") || !HoldsNone(key, "\r\n=") || key[0] == ';' || key[0] == '[') return false;
    if (value && !HoldsNone(value, "\r\n")) return false;

    const uint64_t secLen = strlen(sec), keyLen = strlen(key), valueLen = value ? strlen(value) : 0;
    const uint64_t lineLen = value ? keyLen + valueLen + 3 : 0;

    uint32_t start;
    if (!FindSection(sec, &start)) {
        if (!value) return true;
        const uint64_t headerLen = secLen + 4;
        if (!Grow(m_sizeData + headerLen + lineLen, false)) return false;
        char* w = m_buff + m_sizeData;
        *w++ = '[';
        memcpy(w, sec, (size_t)secLen);
        w += secLen;
        memcpy(w, "]\r\n", 3);
        m_sizeData += (uint32_t)headerLen;
        m_dwFlags |= ENV_MODIFIED;
        ++m_generation;
        start = m_sizeData;
    }

    uint32_t lineStart, valueStart, replacedEnd;
    if (FindKey(start, key, &lineStart, &valueStart)) {
        if (value && (uint64_t)valueStart + valueLen + 2 <= m_sizeData &&
            memcmp(m_buff + valueStart, value, (size_t)valueLen) == 0 &&
            m_buff[valueStart + valueLen] == '\r' && m_buff[valueStart + valueLen + 1] == '\n')
            return true;  // the same bytes: nothing to change
        replacedEnd = NextLine(lineStart);
    } else {
        if (!value) return true;
        replacedEnd = lineStart;  // before the next header, or at the end
    }

    const uint64_t newSize = lineStart + lineLen + (m_sizeData - replacedEnd);
    if (!Grow(newSize, false)) return false;
    m_dwFlags |= ENV_MODIFIED;
    ++m_generation;
    memmove(m_buff + lineStart + lineLen, m_buff + replacedEnd, m_sizeData - replacedEnd);
    m_sizeData = (uint32_t)newSize;
    if (!value) return true;

    // The key as the caller spells it: a replaced key may change its case.
    char* w = m_buff + lineStart;
    memcpy(w, key, (size_t)keyLen);
    w += keyLen;
    *w++ = '=';
    memcpy(w, value, (size_t)valueLen);
    w += valueLen;
    memcpy(w, "\r\n", 2);
    return true;
}

bool FEnv2::SetNumber(const char* sec, const char* key, int32_t value)
{
    char text[20];
    snprintf(text, sizeof(text), "%ld", (long)value);
    return SetString(sec, key, text);
}

void FEnv2::Clear()
{
    if (m_sizeData == 0) return;
    m_sizeData = 0;
    ++m_generation;
    m_dwFlags |= ENV_LOADED | ENV_MODIFIED;
}

// ---- saving --------------------------------------------------------------------

bool FEnv2::Save()
{
    const bool lockEach = (m_dwFlags & ENV_LOCK) != 0;
    if (lockEach) {
        m_lock->Unlock();
        if (!TakeLock(LOCK_DELETE, ERR_WRITE, EnvText::kCannotWrite)) return false;
    }
    bool saved = false;
    if (!IsLoaded()) {
        ReportError(ERR_GENERAL, EnvText::kNotLoaded, m_strFile.CStr(), 0);
    } else if (!ReportIfReadOnly(m_strFile)) {  // the replace would only say "access denied"
        String bak = Joined(m_strFile, EnvText::kBakTail);
        // One atomic replace: at every moment the file's name holds either
        // the old or the new content, for readers that take no lock too.
        if (m_dwFlags & ENV_OPENACCESS) {
            // In a shared folder the ".BAK" is written and moved through
            // one handle: a name swapped meanwhile is never what is moved.
            VerifiedFile written;
            saved = WriteBak(bak, &written) &&
                    ReplaceThroughHandle(&written, m_strFile, g_dwFileTimeout, g_dwFileInterval) == 1;
        } else {
            saved = WriteBak(bak, nullptr) &&
                    ReplaceWithRetry(bak, m_strFile, g_dwFileTimeout, g_dwFileInterval) == 1;
        }
    }
    if (lockEach) m_lock->Unlock();  // on every path: a refused save keeps no lock
    return saved;
}

// Writes the whole image to the ".BAK" file and flushes it to the disk;
// with `keep` (a shared folder) through a checked handle that stays open.
bool FEnv2::WriteBak(const String& bak, VerifiedFile* keep)
{
    SetLastError(0);
    SECURITY_ATTRIBUTES* sa =
        ((m_dwFlags & ENV_OPENACCESS) && g_useFileSecurity) ? g_openAccessAttributes : nullptr;
    const DWORD attributes = (m_dwFlags & ENV_HIDDEN) ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL;
    UniqueFile own;
    if (keep) {
        if (!OpenVerifiedWithRetry(keep, bak, GENERIC_WRITE | DELETE, 0, CREATE_ALWAYS, attributes, sa)) {
            ReportSystemError(GetLastError(), ERR_WRITE, bak, Joined(bak, EnvText::kBakNotWritten));
            return false;
        }
    } else {
        own.Reset(OpenWithRetry(bak, GENERIC_WRITE, 0, sa, CREATE_ALWAYS, attributes, nullptr, g_dwFileTimeout,
                                g_dwFileInterval, 0));
    }
    HANDLE file = keep ? keep->Handle() : own.Get();
    bool ok = file != INVALID_HANDLE_VALUE;
    DWORD err = ok ? 0 : GetLastError();
    if (ok && m_sizeData != 0) {
        DWORD written = 0;
        if (!WriteFile(file, m_buff, m_sizeData, &written, nullptr)) {
            ok = false;
            err = GetLastError();
        } else if (written != m_sizeData) {
            ok = false;
            err = ERROR_DISK_FULL;
        }
    }
    if (ok && !FlushFileBuffers(file)) {
        ok = false;
        err = GetLastError();
    }
    if (ok && !keep && !own.Close()) {
        ok = false;
        err = GetLastError();
    }
    if (!ok) ReportSystemError(err, ERR_WRITE, bak, Joined(bak, EnvText::kBakNotWritten));
    return ok;
}
