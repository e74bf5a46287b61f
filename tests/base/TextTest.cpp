#include "base/AsciiText.h"
#include "base/NumberText.h"
#include "base/Utf8.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

namespace {

TEST(AsciiText, CaseTouchesOnlyAsciiLettersAndTrimsDropWhatTheySay)
{
    EXPECT_EQ(UpperAscii("abz AZ 09 \xE4\xF6"), "ABZ AZ 09 \xE4\xF6");
    EXPECT_EQ(LowerAscii("ABZ az \xC4"), "abz az \xC4");
    EXPECT_TRUE(EqualsIgnoringCase("Whois.Example", "WHOIS.example"));
    EXPECT_FALSE(EqualsIgnoringCase("\xC4", "\xE4"));
    EXPECT_FALSE(EqualsIgnoringCase("ab", "abc"));

    EXPECT_EQ(Trim(" \t\r x y \x01\n"), "x y");
    EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(TrimSpaces(" \tx\r\t "), "x\r");
}

TEST(AsciiText, ReplacesLeftToRightWithoutOverlap)
{
    EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(ReplaceAll("No match for %DOMAIN%.", "%DOMAIN%", "example.com"), "No match for example.com.");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceAll("a-b-c", "-", ""), "abc");
    EXPECT_EQ(ReplaceAll("x", "x", "xx"), "xx");
    EXPECT_EQ(ReplaceAll("%domain%", "%DOMAIN%", "x"), "%domain%");
}

TEST(NumberText, WholeTextMustBeTheNumber)
{
    int value = 7;
    EXPECT_TRUE(ParseDecimal("+42", value));
    EXPECT_EQ(value, 42);
    EXPECT_TRUE(ParseDecimal("-2147483648", value));
    EXPECT_EQ(value, INT_MIN);
    for (const char* bad : {"", "+", "-", "+-1", "2147483648", "1 ", " 1", "1e3", "0x10", "12a"}) {
        value = 7;
        EXPECT_FALSE(ParseDecimal(bad, value)) << bad;
        EXPECT_EQ(value, 7) << bad;
    }
    unsigned count = 0;
    EXPECT_FALSE(ParseDecimal("-1", count));

    EXPECT_TRUE(ParseHex("7fffFFFF", value));
    EXPECT_EQ(value, INT_MAX);
    for (const char* bad : {"", "80000000", "-1", "+1", "0x1", "g"})
        EXPECT_FALSE(ParseHex(bad, value)) << bad;
}

TEST(Utf8, OnlyWellFormedUtf8Passes)
{
    for (const char* good : {"", "plain", "\xC3\xA4", "\xE0\xA0\x80", "\xE2\x82\xAC", "\xED\x9F\xBF", "\xEE\x80\x80",
                             "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"})
        EXPECT_TRUE(IsValidUtf8(good)) << good;
    const char* bad[] = {
        "\xC0\xAF",         // overlong "/"
        "\xC1\xBF",         // overlong, two bytes
        "\xE0\x80\xAF",     // overlong, three bytes
        "\xE0\x9F\xBF",     // overlong U+07FF, the last that two bytes hold
        "\xF0\x80\x80\xAF", // overlong, four bytes
        "\xED\xA0\x80",     // high surrogate
        "\xED\xBF\xBF",     // low surrogate
        "\xF4\x90\x80\x80", // above U+10FFFF
        "\xF8\x88\x80\x80\x80",
        "\x80",
        "\xC3",     // cut short
        "\xE2\x82", // cut short
        "\xC3\x28",
    };
    for (const char* text : bad)
        EXPECT_FALSE(IsValidUtf8(text)) << text;
    // Cut short where the bytes after the end would complete the sequence.
    EXPECT_FALSE(IsValidUtf8(std::string_view("\xE2\x82\xAC", 2)));
    EXPECT_FALSE(IsValidUtf8(std::string_view("\xC3\xA4", 1)));
}

TEST(Utf8, Latin1BytesOfUtf8TextUpToU00FF)
{
    std::string latin1 = "stale";
    EXPECT_TRUE(Latin1FromUtf8("caf\xC3\xA9 \xC2\xA0\xC3\xBF", latin1));
    EXPECT_EQ(latin1, "caf\xE9 \xA0\xFF");
    EXPECT_EQ(Utf8OrLatin1(latin1), "caf\xC3\xA9 \xC2\xA0\xC3\xBF");
    latin1 = "stale";
    EXPECT_FALSE(Latin1FromUtf8("\xE2\x82\xAC", latin1)); // the euro sign is beyond U+00FF
    EXPECT_FALSE(Latin1FromUtf8("caf\xE9", latin1));      // not UTF-8 at all
    EXPECT_FALSE(Latin1FromUtf8("\xC4\x80", latin1));     // U+0100
    EXPECT_EQ(latin1, "stale");
}

TEST(Utf8, InvalidTextIsReadAsLatin1)
{
    EXPECT_EQ(Utf8OrLatin1("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(Utf8OrLatin1("caf\xE9"), "caf\xC3\xA9");
    // One bad sequence turns the whole text to its Latin-1 reading, so it reads the same throughout.
    EXPECT_EQ(Utf8OrLatin1("\xC3\xA4\xED\xA0\x80"), "\xC3\x83\xC2\xA4\xC3\xAD\xC2\xA0\xC2\x80");
    EXPECT_TRUE(IsValidUtf8(Utf8OrLatin1(std::string("\xC0\xAF\xFF\x00", 4))));
}

} // namespace
