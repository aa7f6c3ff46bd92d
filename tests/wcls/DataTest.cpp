// DataTest.cpp - String: copy-on-write, the append position, tokens, upper-casing.
#include <gtest/gtest.h>

#include <string.h>

#include <functional>

#include "wcls/Data.h"

TEST(String, WritersOfASharedBufferGetTheirOwnAndAppendStartsAtItsPosition)
{
    const std::function<void(String&)> writers[] = {
        [](String& s) { *s.WritableAt(0) = 'J'; },
        [](String& s) { s.GetBuffer(3)[1] = 'a'; },
        [](String& s) { s.SetAppendPosition(s.Length()).Append("!"); },
        [](String& s) { s.AppendChar('?'); },
        [](String& s) { *s.WritableAt(-1) = 'X'; },  // a negative index writes nowhere
    };
    for (const auto& write : writers) {
        String original("hello"), copy = original;
        write(copy);
        EXPECT_STREQ("hello", original.CStr());
    }
    String over("abcdef");  // Append on a text starts at position 0, over it
    over.Append("XY");
    EXPECT_STREQ("XY", over.CStr());
    String self("abc");
    self.SetAppendPosition(3).Append(self.CStr());  // text from its own buffer
    EXPECT_STREQ("abcabc", self.CStr());
    String t("0123456789012345");
    t.SetCapacity(12);  // trimmed below the text: still terminated
    EXPECT_EQ(12u, strlen(t.CStr()));
    EXPECT_STREQ("ズント帳８", String(L"ズント帳８").CStr());
}

TEST(String, TokensAndUpperCase)
{
    const char* p = "  1, 0 ,\"a,b.txt\",表ソ.TXT  ,,\"unclosed, text";
    std::vector<std::string> fields;
    while (*p) fields.push_back(NextToken(&p, ',').CStr());
    EXPECT_EQ((std::vector<std::string>{"1", "0 ", "a,b.txt", "表ソ.TXT  ", "", "unclosed, text"}), fields);
    char text[] = "aテbトc表z";  // テ 83 65, ト 83 67: trail bytes e and g
    EXPECT_STREQ("AテBトC表Z", MakeUpperAscii(text));
}
