// MediaSumsTest.cpp - reading SETUP.SUM in every form sha256sum writes, and
// finding a media file's line.
#include <gtest/gtest.h>

#include <string>

#include "setup/MediaSums.h"

namespace {

const std::string kHex = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
const std::string kUpper = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";

}  // namespace

TEST(MediaSums, ReadsEachFormOfTheLineAndPassesOverOthers)
{
    const struct {
        std::string text;
        std::string name;  // empty: no line read
    } cases[] = {
        {kHex + "  SETUP.LST\r\n", "SETUP.LST"},
        {kHex + " *見本/勘定科目表.TX_\n", "見本\\勘定科目表.TX_"},  // binary mark; 表 is 95 5C
        {kUpper + "  ./README.TXT", "README.TXT"},                   // no line end at the end
        {"\\" + kHex + "  a\\\\b\\nc", "a\\b\nc"},                  // escaped
        {"\\" + kHex + "  表\\", "表"},                            // escaped byte by byte: 95 5C 5C is 表
        {"SHA256 (帳票,サンプル.TXT) = " + kHex + "\r\n", "帳票,サンプル.TXT"},
        {"SHA256 (a) = b) = " + kHex, "a) = b"},
        {kHex.substr(1) + "  SHORT", ""},
        {kHex + " SINGLE.BLANK", ""},
        {kHex + "  ", ""},
        {"zz" + kHex.substr(2) + "  NOT.HEX", ""},
        {"MD5 (x) = 0123", ""},
        {"; a comment", ""},
    };
    for (const auto& c : cases) {
        std::vector<MediaSum> sums = ParseMediaSums(c.text);
        ASSERT_EQ(c.name.empty() ? 0u : 1u, sums.size()) << c.text;
        if (sums.empty()) continue;
        EXPECT_EQ(c.name, sums[0].name) << c.text;
        EXPECT_EQ(kHex, sums[0].hex) << c.text;
    }
    EXPECT_EQ(3u, ParseMediaSums(kHex + "  A\r\n\r\n" + kHex + "  B\n" + kHex + "  C").size());
}

TEST(MediaSums, FindsANameAsTheListWritesIt)
{
    std::vector<MediaSum> sums = ParseMediaSums(kHex + "  見本/sub/ア.tx_\n" + kHex + "  readme.txt\n");
    const struct {
        const char* name;
        bool found;
    } cases[] = {
        {"見本\\SUB\\ア.TX_", true}, {"./見本/sub/ア.tx_", true}, {"README.TXT", true},
        {"見本\\sub\\ヂ.tx_", false},  // 83 61 is not 83 41 upper-cased
        {"README.TX", false}, {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.found, FindMediaSum(sums, c.name) != nullptr) << c.name;
}
