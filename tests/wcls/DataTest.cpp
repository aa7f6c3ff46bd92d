// DataTest.cpp - String: sharing, copy-on-write, growth, builders, tokens.
#include <gtest/gtest.h>

#include <string.h>

#include "common/ChildProcess.h"
#include "wcls/Data.h"

TEST(String, EmptyStringsShareOneBufferUntilWritten)
{
    String a, b;
    EXPECT_EQ(0, a.Length());
    EXPECT_STREQ("", a.CStr());
    EXPECT_EQ(a.CStr(), b.CStr());
    int shared = a.RefCount();
    {
        String c;
        EXPECT_EQ(shared + 1, a.RefCount());
    }
    EXPECT_EQ(shared, a.RefCount());

    a.Append("x");
    EXPECT_STREQ("x", a.CStr());
    EXPECT_STREQ("", b.CStr());
    EXPECT_EQ(1, a.RefCount());
    EXPECT_GE(a.Capacity(), 10);

    String d;
    char* p = d.GetBuffer(4);
    EXPECT_NE(p, b.CStr());
    strcpy(p, "abc");
    EXPECT_STREQ("abc", d.CStr());
    EXPECT_STREQ("", b.CStr());

    // Text of length 0 still gets a private block of capacity 10.
    String e("");
    EXPECT_NE(e.CStr(), b.CStr());
    EXPECT_EQ(10, e.Capacity());
    EXPECT_EQ(1, e.RefCount());
}

TEST(String, CopiesShareAndEveryWriterMakesItsOwnBuffer)
{
    String original("hello");
    String copy = original;
    EXPECT_EQ(original.CStr(), copy.CStr());
    EXPECT_EQ(2, original.RefCount());

    copy = copy;  // self-assignment keeps the share
    EXPECT_EQ(2, original.RefCount());

    *copy.WritableAt(0) = 'J';
    EXPECT_STREQ("hello", original.CStr());
    EXPECT_STREQ("Jello", copy.CStr());
    EXPECT_EQ(1, original.RefCount());

    String viaBuffer = original;
    viaBuffer.GetBuffer(3)[1] = 'a';
    EXPECT_STREQ("hello", original.CStr());
    EXPECT_STREQ("hallo", viaBuffer.CStr());

    String viaAppend = original;
    viaAppend.SetAppendPosition(viaAppend.Length()).Append("!");
    EXPECT_STREQ("hello", original.CStr());
    EXPECT_STREQ("hello!", viaAppend.CStr());

    String viaChar = original;
    viaChar.AppendChar('?');  // append position 0: writes over the start
    EXPECT_STREQ("hello", original.CStr());
    EXPECT_STREQ("?", viaChar.CStr());

    // A shared buffer is never trimmed.
    String trimmed = original;
    trimmed.SetCapacity(50);
    EXPECT_EQ(original.CStr(), trimmed.CStr());
}

TEST(String, GrowthFollowsTheRoomRule)
{
    String s;
    s.Append("0123456789");  // need 11 > 10: 11 + 2 + 1
    EXPECT_EQ(14, s.Capacity());
    const char* before = s.CStr();
    s.AppendChar('a').AppendChar('b').AppendChar('c');  // fits: written in place
    EXPECT_EQ(before, s.CStr());
    EXPECT_STREQ("0123456789abc", s.CStr());
    s.AppendChar('d');  // need 15: 15 + 3 + 1
    EXPECT_EQ(19, s.Capacity());
    EXPECT_STREQ("0123456789abcd", s.CStr());

    String g("abc");
    g.GetBuffer(40);
    EXPECT_EQ(40, g.Capacity());
    EXPECT_STREQ("abc", g.CStr());
    g.GetBuffer(20);  // large enough: unchanged
    EXPECT_EQ(40, g.Capacity());
    g.SetCapacity(4);
    EXPECT_EQ(10, g.Capacity());  // never below 10
    EXPECT_STREQ("abc", g.CStr());

    // Trimming below the text keeps a terminated, readable text.
    String t("0123456789012345");
    t.SetCapacity(12);
    EXPECT_EQ(12, t.Length());
    EXPECT_EQ(12u, strlen(t.CStr()));

    // WritableAt past the end grows through the room rule.
    String w("ab");
    *w.WritableAt(20) = 'z';
    EXPECT_EQ(27, w.Capacity());  // need 21: 21 + 5 + 1
    EXPECT_STREQ("ab", w.CStr());
}

TEST(String, BuildersWriteAtTheAppendPosition)
{
    // Append on a text starts at position 0, over the text.
    String s("abcdef");
    s.Append("XY");
    EXPECT_STREQ("XY", s.CStr());
    EXPECT_EQ('d', s.CStr()[3]);

    String folder("C:\\Prog\\");
    folder.SetAppendPosition(folder.Length()).Append("SETUP.LST");
    EXPECT_STREQ("C:\\Prog\\SETUP.LST", folder.CStr());

    String msg;
    msg.Append("ファイル ").Append("A.ENV").Append(" をオープンできません.").AppendChar('\0');
    EXPECT_STREQ("ファイル A.ENV をオープンできません.", msg.CStr());

    // A NUL-separated list: items, each closed by a NUL, and one more NUL.
    String list;
    list.Append("ab").AppendChar('\0').AppendChar('\0');
    EXPECT_EQ(0, memcmp(list.CStr(), "ab\0\0", 4));
    EXPECT_EQ(2, list.Length());

    String keys;
    const char* items[] = {"Version", "AppDir", "表示"};
    for (const char* item : items) keys.Append(item).AppendChar('\0');
    keys.AppendChar('\0');
    std::vector<std::string> walked;
    for (const char* p = keys.CStr(); *p; p += strlen(p) + 1) walked.push_back(p);
    EXPECT_EQ((std::vector<std::string>{"Version", "AppDir", "表示"}), walked);

    // Appending text that lies in the string's own buffer.
    String self("abc");
    self.SetAppendPosition(3);
    self.Append(self.CStr());
    EXPECT_STREQ("abcabc", self.CStr());
}

TEST(String, ConcatenationLeavesOperandsAlone)
{
    String a("abc"), b("de");
    String c = a + b;
    EXPECT_STREQ("abcde", c.CStr());
    EXPECT_STREQ("abc", a.CStr());
    EXPECT_STREQ("de", b.CStr());

    String twice = a + a;
    EXPECT_STREQ("abcabc", twice.CStr());
    EXPECT_STREQ("abc", a.CStr());

    String empty;
    EXPECT_STREQ("abc", (empty + a).CStr());
    EXPECT_STREQ("", empty.CStr());

    // The result keeps the left operand's append position.
    String left;
    left.Append("ab");
    String r = left + String("cd");
    EXPECT_EQ(2, r.AppendPosition());
    r.Append("Z");
    EXPECT_STREQ("abZ", r.CStr());
}

TEST(String, NegativeIndexWritesNowhere)
{
    String s("abc");
    String shared = s;
    char* p = s.WritableAt(-1);
    *p = 'X';
    EXPECT_STREQ("abc", s.CStr());
    EXPECT_EQ(s.CStr(), shared.CStr());  // not even made private
    EXPECT_TRUE(p < s.CStr() || p > s.CStr() + s.Capacity());
}

TEST(String, WideTextIsConvertedToTheAnsiCodePage)
{
    String s(L"ズント帳８");
    EXPECT_STREQ("ズント帳８", s.CStr());
    EXPECT_EQ(10, s.Length());
    EXPECT_EQ(11, s.Capacity());
    String part(L"abcdef", 3);
    EXPECT_STREQ("abc", part.CStr());
    EXPECT_EQ(10, part.Capacity());
    String none(L"");
    EXPECT_STREQ("", none.CStr());
}

TEST(String, BlocksConvertTheirTextToNumbers)
{
    struct Case {
        const char* text;
        int32_t asLong;
        double asDouble;
    } cases[] = {
        {"  -42xyz", -42, -42.0}, {"4294967297", 1, 4294967297.0}, {"abc", 0, 0.0},
        {"+7", 7, 7.0}, {" 1.5e3x", 1, 1500.0}, {"-.5", 0, -0.5}, {"2e", 2, 2.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        DataObjStr* block = DataObjStr::Alloc((int32_t)strlen(c.text) + 1);
        strcpy(block->m_ach, c.text);
        EXPECT_EQ(c.asLong, block->ToLong());
        EXPECT_DOUBLE_EQ(c.asDouble, block->ToDouble());
        {
            String shared = block->ToString();
            EXPECT_EQ(2, shared.RefCount());
            EXPECT_STREQ(c.text, shared.CStr());
        }
        EXPECT_EQ(1, block->m_nRef);
        DataObjStr::Free(block);
    }
}

TEST(Token, NextTokenSplitsFieldsAndQuotes)
{
    const char* p = "\"abc\" ,def";
    EXPECT_STREQ("abc", NextToken(&p, ',').CStr());
    EXPECT_STREQ("", NextToken(&p, ',').CStr());
    EXPECT_STREQ("def", NextToken(&p, ',').CStr());
    EXPECT_STREQ("", NextToken(&p, ',').CStr());
    EXPECT_EQ('\0', *p);

    const char* q = "  1, 0 ,\"a,b.txt\",表ソ.TXT  ,$(AppPath)Main";
    EXPECT_STREQ("1", NextToken(&q, ',').CStr());
    EXPECT_STREQ("0 ", NextToken(&q, ',').CStr());  // trailing blanks stay
    EXPECT_STREQ("a,b.txt", NextToken(&q, ',').CStr());
    EXPECT_STREQ("表ソ.TXT  ", NextToken(&q, ',').CStr());
    EXPECT_STREQ("$(AppPath)Main", NextToken(&q, ',').CStr());

    const char* open = "\"unclosed, text";
    EXPECT_STREQ("unclosed, text", NextToken(&open, ',').CStr());
    EXPECT_EQ('\0', *open);

    const char* empty = "";
    EXPECT_STREQ("", NextToken(&empty, ',').CStr());
    EXPECT_EQ('\0', *empty);
}

TEST(Token, MakeUpperAsciiStepsOverDoubleByteCharacters)
{
    // テ is 83 65 and ト is 83 67: their trail bytes are the letters e and g.
    char text[] = "aテbトc表z";
    EXPECT_EQ(text, MakeUpperAscii(text));
    EXPECT_STREQ("AテBトC表Z", text);

    // A lead byte at the very end is stepped over alone.
    char cut[] = {'a', '\x83', '\0', 'b', '\0'};
    MakeUpperAscii(cut);
    EXPECT_EQ('A', cut[0]);
    EXPECT_EQ('b', cut[3]);
}

CHILD_SCENARIO(NullTextPointer)
{
    String s(static_cast<const char*>(nullptr));
}

TEST(String, NullTextPointerIsAnInternalError)
{
    ChildResult r = RunChildScenario("NullTextPointer");
    ASSERT_TRUE(r.started);
    ASSERT_FALSE(r.timedOut);
    EXPECT_NE(0u, r.exitCode);
    ASSERT_EQ(1u, r.boxes.size());
    const std::string& text = r.boxes[0].text;
    EXPECT_EQ(0u, text.find("内部エラーが発生しました。ソフトウェアの製造元にお問い合わせになってください。\r\nwcls/Data "))
        << text;
    EXPECT_EQ(text.size() - 4, text.rfind("\r\nps")) << text;
}
