#include "gbk.h"

#include <gtest/gtest.h>

using bibliora::Gbk;

TEST(Gbk, CountsAsciiAsOneByteAndChineseAsTwo)
{
    const std::u16string text = u"题名 Title";
    const std::string bytes = Gbk::encode(text);
    EXPECT_EQ(bytes, "\xCC\xE2\xC3\xFB Title");
    EXPECT_EQ(Gbk::encodedLength(text), bytes.size());
    EXPECT_EQ(Gbk::decode(bytes), text);
}

TEST(Gbk, FollowsTheWindowsCodePage)
{
    // 0x80 is the euro sign in code page 936; the display delimiter is A1 F6.
    EXPECT_EQ(Gbk::decode("\x80"), u"\u20AC");
    EXPECT_EQ(Gbk::encode(u"\u20AC"), "\x80");
    EXPECT_EQ(Gbk::encode(u"\u25A0"), "\xA1\xF6");
    EXPECT_EQ(Gbk::decode("\xA1\xF6"), u"\u25A0");
}

TEST(Gbk, KeepsMarcControlBytes)
{
    const std::string control = "\x1D\x1E\x1F\r\n";
    EXPECT_EQ(Gbk::decode(control), u"\x1D\x1E\x1F\r\n");
    EXPECT_EQ(Gbk::encode(u"\x1D\x1E\x1F\r\n"), control);
}

TEST(Gbk, WritesOneQuestionMarkForEachCharacterWithoutGbkForm)
{
    // A supplementary character (a surrogate pair), a lone surrogate and a Thai letter.
    const std::u16string text = u"a\U0001F600b\xD800"
                                u"c\u0E01d";
    const std::string bytes = Gbk::encode(text);
    EXPECT_EQ(bytes, "a?b?c?d");
    EXPECT_EQ(Gbk::encodedLength(text), bytes.size());
}

TEST(Gbk, InvalidBytesDoNotSwallowTheAsciiAfterThem)
{
    // A lead byte whose next byte is not a trail byte: the control byte and what follows
    // must survive, or subfields would be lost in the display.
    const std::u16string decoded = Gbk::decode("A\x81\x1F"
                                               "aB");
    ASSERT_GE(decoded.size(), 4u);
    EXPECT_EQ(decoded.front(), u'A');
    EXPECT_EQ(decoded.substr(decoded.size() - 3), u"\x1F"
                                                  u"aB");
    // A lead byte at the very end is not lost silently either.
    EXPECT_FALSE(Gbk::decode("AB\xC3").empty());
    EXPECT_EQ(Gbk::decode("AB\xC3").substr(0, 2), u"AB");
}

TEST(Gbk, ConvertsUtf8BothWays)
{
    const std::string utf8 = "\xE9\xA2\x98\xE5\x90\x8D \xE2\x96\xA0"; // 题名 ■
    EXPECT_EQ(Gbk::fromUtf8(utf8), u"题名 ■");
    EXPECT_EQ(Gbk::toUtf8(u"题名 ■"), utf8);
    EXPECT_EQ(Gbk::toUtf8(Gbk::fromUtf8("")), "");
}
