// Data.h - the library's byte string: a handle onto a shared, counted,
// copy-on-write buffer of characters in the ANSI code page.
#pragma once

#include <stdint.h>
#include <wchar.h>

#include "FObject.h"

class String;

// An abstract value with conversions to a number or a string.
class DataObj : public FObject {
public:
    virtual double ToDouble() const = 0;
    virtual int32_t ToLong() const = 0;
    virtual String ToString() = 0;

    uint32_t m_dwBase;  // not used by String
};

// The buffer block of a String: header fields followed by the characters.
class DataObjStr : public DataObj {
public:
    double ToDouble() const override;
    int32_t ToLong() const override;
    String ToString() override;

    int32_t m_nRef;       // handles sharing the block
    int32_t m_nCapacity;  // bytes for characters, the terminating NUL included
    int32_t m_nAppend;    // where Append and AppendChar write next
    char m_ach[1];        // m_nCapacity bytes, then one guard NUL

    // Allocates a block with at least 10 bytes of capacity, count 1,
    // append position 0 and an empty text.
    static DataObjStr* Alloc(int32_t capacity);
    static void Free(DataObjStr* p);
    static DataObjStr* NullBuff();  // the shared empty buffer
};

class String {
public:
    String();
    String(const char* ps, int len = -1);
    explicit String(char c);
    explicit String(const wchar_t* pw, int len = -1);
    String(const String& o);
    ~String();
    String& operator=(const String& o);

    const char* CStr() const { return m_p->m_ach; }
    int Length() const;
    bool IsEmpty() const { return m_p->m_ach[0] == '\0'; }

    char* GetBuffer(int n);
    char* WritableAt(int index);
    void SetCapacity(int n);
    String& Append(const char* text);
    String& SetAppendPosition(int n);
    String& AppendChar(char c);

    int Capacity() const { return m_p->m_nCapacity; }
    int AppendPosition() const { return m_p->m_nAppend; }
    int RefCount() const { return m_p->m_nRef; }

    friend String operator+(const String& a, const String& b);

private:
    friend class DataObjStr;
    explicit String(DataObjStr* shared);  // adds a reference

    char* Room(int offset, int count);
    void Realloc(int capacity);
    static void ReleaseBlock(DataObjStr* p);

    DataObjStr* m_p;
};

// Reads the next field at *pp up to `delim` (a double-quoted field up to
// its closing quote) and steps over the delimiter.
String NextToken(const char** pp, char delim);

// Reads a decimal integer: leading white space skipped, an optional sign,
// digits up to the first other byte (none give 0); overflow wraps.
int32_t TextToLong(const char* text);

// Upper-cases the ASCII letters in place, leaving double-byte characters
// alone; returns psz.
char* MakeUpperAscii(char* psz);

// True when c is a lead byte of a double-byte character in the ANSI code page.
bool IsLeadByte(unsigned char c);

// Steps over one character: two bytes for a complete double-byte character,
// one otherwise (a lead byte before the NUL is one byte).
inline const char* NextChar(const char* p)
{
    return (IsLeadByte((unsigned char)*p) && p[1] != '\0') ? p + 2 : p + 1;
}
