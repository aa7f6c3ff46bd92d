// Data.cpp - String, its buffer blocks and the text helpers beside it.
#include "Data.h"

#include <windows.h>
#include <stdlib.h>
#include <string.h>

#include "Assert.h"
#include "Memory.h"

static const char kSource[] = "wcls/Data";
static const int32_t kMinCapacity = 10;

// ---- DataObjStr ------------------------------------------------------

// The empty buffer lives in static storage and is never freed: its first
// reference is never given back.
alignas(DataObjStr) static unsigned char s_NullBuff[sizeof(DataObjStr) + 1];
static DataObjStr* s_pNull;

DataObjStr* DataObjStr::NullBuff()
{
    if (!s_pNull) {
        DataObjStr* pNull = new (s_NullBuff) DataObjStr;
        LIB_ASSERT((void *)pNull==(void *)s_NullBuff, kSource);
        pNull->m_nRef = 1;
        pNull->m_nCapacity = 1;
        pNull->m_nAppend = 0;
        pNull->m_ach[0] = '\0';
        s_pNull = pNull;
    }
    return s_pNull;
}

// Header bytes before the characters, measured on the static empty block.
static size_t HeaderSize()
{
    static size_t s_size;
    if (!s_size) {
        DataObjStr* p = DataObjStr::NullBuff();
        s_size = (size_t)(p->m_ach - reinterpret_cast<char*>(p));
    }
    return s_size;
}

DataObjStr* DataObjStr::Alloc(int32_t capacity)
{
    if (capacity < kMinCapacity) capacity = kMinCapacity;
    // One guard byte behind the capacity keeps CStr a terminated text even
    // when the characters fill the whole capacity.
    void* block = MemAlloc(HeaderSize() + (size_t)capacity + 1);
    DataObjStr* p = new (block) DataObjStr;
    p->m_nRef = 1;
    p->m_nCapacity = capacity;
    p->m_nAppend = 0;
    p->m_ach[0] = '\0';
    p->m_ach[capacity] = '\0';
    return p;
}

void DataObjStr::Free(DataObjStr* p)
{
    p->~DataObjStr();
    MemFree(p);
}

// Scans the syntax of a floating-point number and converts that prefix only.
double DataObjStr::ToDouble() const
{
    const char* p = m_ach;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    const char* start = p;
    if (*p == '+' || *p == '-') ++p;
    bool digits = false;
    while (*p >= '0' && *p <= '9') { ++p; digits = true; }
    if (*p == '.') {
        ++p;
        while (*p >= '0' && *p <= '9') { ++p; digits = true; }
    }
    if (!digits) return 0.0;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '+' || *q == '-') ++q;
        if (*q >= '0' && *q <= '9') {
            while (*q >= '0' && *q <= '9') ++q;
            p = q;
        }
    }
    char buf[64];
    size_t n = (size_t)(p - start);
    if (n >= sizeof(buf)) n = sizeof(buf) - 1;
    memcpy(buf, start, n);
    buf[n] = '\0';
    return strtod(buf, nullptr);
}

int32_t DataObjStr::ToLong() const
{
    return TextToLong(m_ach);
}

String DataObjStr::ToString()
{
    return String(this);
}

// ---- String ----------------------------------------------------------

String::String() : m_p(DataObjStr::NullBuff())
{
    ++m_p->m_nRef;
}

String::String(DataObjStr* shared) : m_p(shared)
{
    ++m_p->m_nRef;
}

String::String(const char* ps, int len)
{
    LIB_ASSERT(ps, kSource);
    if (len < 0) len = (int)strlen(ps);
    m_p = DataObjStr::Alloc(len + 1);
    memcpy(m_p->m_ach, ps, (size_t)len);
    m_p->m_ach[len] = '\0';
}

String::String(char c) : m_p(DataObjStr::Alloc(kMinCapacity))
{
    m_p->m_ach[0] = c;
    m_p->m_ach[1] = '\0';
}

String::String(const wchar_t* pw, int len)
{
    LIB_ASSERT(pw, kSource);
    if (len < 0) len = (int)wcslen(pw);
    m_p = DataObjStr::Alloc(2 * len + 1);
    int ret = 0;
    if (len > 0)
        ret = WideCharToMultiByte(CP_ACP, 0, pw, len, m_p->m_ach, 2 * len + 1, nullptr, nullptr);
    LIB_ASSERT(ret>=0, kSource);
    m_p->m_ach[ret] = '\0';
    Realloc(ret + 1);
}

String::String(const String& o) : m_p(o.m_p)
{
    ++m_p->m_nRef;
}

String::~String()
{
    ReleaseBlock(m_p);
}

String& String::operator=(const String& o)
{
    if (m_p != o.m_p) {
        DataObjStr* old = m_p;
        m_p = o.m_p;
        ++m_p->m_nRef;
        ReleaseBlock(old);
    }
    return *this;
}

void String::ReleaseBlock(DataObjStr* p)
{
    if (--p->m_nRef == 0) DataObjStr::Free(p);
}

int String::Length() const
{
    return (int)strnlen(m_p->m_ach, (size_t)m_p->m_nCapacity);
}

// Moves the handle to a new private block of the given capacity, keeping
// the append position and as much of the text as fits.
void String::Realloc(int capacity)
{
    DataObjStr* old = m_p;
    DataObjStr* p = DataObjStr::Alloc(capacity);
    p->m_nAppend = old->m_nAppend;
    if (old != DataObjStr::NullBuff()) {
        int n = p->m_nCapacity < old->m_nCapacity ? p->m_nCapacity : old->m_nCapacity;
        memcpy(p->m_ach, old->m_ach, (size_t)n);
    }
    m_p = p;
    ReleaseBlock(old);
}

// The single growth point: a private block with room for `count` bytes at
// `offset`, grown by a quarter plus one when too small.
char* String::Room(int offset, int count)
{
    int need = offset + count;
    if (m_p->m_nCapacity >= need) {
        if (m_p->m_nRef >= 2) Realloc(m_p->m_nCapacity);
    } else {
        Realloc(need + need / 4 + 1);
    }
    return m_p->m_ach + offset;
}

char* String::GetBuffer(int n)
{
    if (m_p->m_nCapacity < n)
        Realloc(n);
    else if (m_p->m_nRef >= 2)
        Realloc(m_p->m_nCapacity);
    return m_p->m_ach;
}

char* String::WritableAt(int index)
{
    static char s_scratch;
    if (index < 0) return &s_scratch;
    if (m_p->m_nRef < 2 && index + 1 < m_p->m_nCapacity) return m_p->m_ach + index;
    return Room(index, 1);
}

void String::SetCapacity(int n)
{
    if (m_p->m_nRef < 2 && m_p->m_nCapacity != n) Realloc(n);
}

String& String::Append(const char* text)
{
    LIB_ASSERT(text, kSource);
    int len = (int)strlen(text);
    // The text may lie in this very buffer, which Room may free.
    const char* begin = m_p->m_ach;
    if (text >= begin && text <= begin + m_p->m_nCapacity) {
        String copy(text, len);
        return Append(copy.CStr());
    }
    char* dst = Room(m_p->m_nAppend, len + 1);
    memcpy(dst, text, (size_t)len + 1);
    m_p->m_nAppend += len;
    return *this;
}

String& String::SetAppendPosition(int n)
{
    LIB_ASSERT(n>=0, kSource);
    if (m_p->m_nRef >= 2) Realloc(m_p->m_nCapacity);
    m_p->m_nAppend = n;
    return *this;
}

String& String::AppendChar(char c)
{
    int pos = m_p->m_nAppend;
    char* dst;
    if (m_p->m_nRef < 2 && m_p->m_nCapacity > pos + 1)
        dst = m_p->m_ach + pos;
    else
        dst = Room(pos, 2);
    dst[0] = c;
    dst[1] = '\0';
    m_p->m_nAppend = pos + 1;
    return *this;
}

String operator+(const String& a, const String& b)
{
    // The result starts as a second handle on a's block, so the room rule
    // copies it and a is never changed (b may be a itself).
    String r(a);
    int lenA = a.Length();
    int lenB = b.Length();
    char* dst = r.Room(lenA, lenB + 1);
    memcpy(dst, b.CStr(), (size_t)lenB);
    dst[lenB] = '\0';
    return r;
}

// ---- text helpers ----------------------------------------------------

bool IsLeadByte(unsigned char c)
{
    return IsDBCSLeadByte(c) != FALSE;
}

String NextToken(const char** pp, char delim)
{
    const char* p = *pp;
    while (*p == ' ') ++p;
    String token;
    if (*p == '"') {
        const char* start = ++p;
        while (*p && *p != '"') ++p;
        token = String(start, (int)(p - start));
        if (*p == '"') ++p;
    } else {
        const char* start = p;
        while (*p && *p != delim) ++p;
        token = String(start, (int)(p - start));
    }
    if (*p && *p == delim) ++p;
    *pp = p;
    return token;
}

int32_t TextToLong(const char* text)
{
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    uint32_t value = 0;
    while (*p >= '0' && *p <= '9') value = value * 10u + (uint32_t)(*p++ - '0');
    return (int32_t)(negative ? 0u - value : value);
}

char* MakeUpperAscii(char* psz)
{
    for (char* p = psz; *p;) {
        if (*p >= 'a' && *p <= 'z') *p = (char)(*p - 'a' + 'A');
        p = const_cast<char*>(NextChar(p));
    }
    return psz;
}
