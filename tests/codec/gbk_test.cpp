// The code page 936 and UTF-8 conversions at the edges of every byte range and on each kind
// of ill-formed input, with ICU's results (windows-936-2000, "?" for what it cannot hold).
// The tables behind them are ICU's own: where ICU is, ctest's gbktables.current writes them
// again from ICU and compares them with the checked-in file.
#include "gbk.h"

#include <gtest/gtest.h>

using namespace bibliora;

TEST(Gbk, DecodesTheEdgesOfEveryRangeAndReadsTheByteAfterABadLeadAgain)
{
    const std::pair<std::string, std::u16string> cases[] = {
        {"Az\x7F", u"Az\x7F"},
        {"\x80", u"\u20AC"},
        {"\xFF", u"\uF8F5"},
        {"\x81\x40", u"\u4E02"},
        {"\x81\x7E", u"\u4E8A"},
        {"\x81\x80", u"\u4E90"},
        {"\x81\xFE", u"\u4FA2"},
        {"\xFE\x40", u"\uFA0C"},
        {"\xFE\xFE", u"\uE4C5"},
        {"\xA1\xA1", u"\u3000"},
        {"\xA1\xF6", u"\u25A0"},
        {"\xAA\xA1", u"\uE000"},
        {"\xA1\x40", u"\uE4C6"},
        {"\xD7\xFA", u"\uE810"},
        {"a\xB0\xA1\x62", u"a\u554Ab"},
        // A lead byte before a byte that cannot follow it, or before nothing, is U+FFFD.
        {"\x81\x7F", u"\uFFFD\x7F"},
        {"\x81\x3F", u"\uFFFD?"},
        {"\x81\x30", u"\uFFFD0"},
        {"\x81", u"\uFFFD"},
        {"\x81\xFF", u"\uFFFD\uF8F5"},
        {"\x81\x81\x40", u"\u4E96@"}};
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(Gbk::decode(bytes), text) << Gbk::toUtf8(text);
}

TEST(Gbk, EncodesWhatItCanAndOneQuestionMarkForEachCharacterItCannot)
{
    // ICU drops U+00AD, a default-ignorable character it cannot hold; the codec keeps its place.
    const std::pair<std::u16string, std::string> cases[] = {
        {u"Az\x7F", "Az\x7F"},   {std::u16string(1, 0), std::string(1, 0)},
        {u"\u20AC", "\x80"},     {u"\u4E02", "\x81\x40"},
        {u"\u3000", "\xA1\xA1"}, {u"\uE000", "\xAA\xA1"},
        {u"\uE5E5", "\xA3\xA0"}, {u"\uF8F5", "\xFF"},
        {u"\u00E9", "\xA8\xA6"}, {u"\u25A0", "\xA1\xF6"},
        {u"\u0100", "?"},        {u"\U0001F600", "?"},
        {u"\xD800", "?"},        {u"\xDC00\x0061", "?a"},
        {u"\uFFFF", "?"},        {u"\u00AD", "?"}};
    for (const auto& [text, bytes] : cases) {
        EXPECT_EQ(Gbk::encode(text), bytes) << Gbk::toUtf8(text);
        EXPECT_EQ(Gbk::encodedLength(text), bytes.size()) << Gbk::toUtf8(text);
        // The comparison that builds nothing says the same, and tells every other byte string
        // from it: one byte short, one more, the last one changed.
        EXPECT_TRUE(Gbk::encodesTo(text, bytes)) << Gbk::toUtf8(text);
        EXPECT_FALSE(Gbk::encodesTo(text, bytes.substr(0, bytes.size() - 1)));
        EXPECT_FALSE(Gbk::encodesTo(text, bytes + "?"));
        std::string changed = bytes;
        changed.back() = static_cast<char>(changed.back() ^ 1);
        EXPECT_FALSE(Gbk::encodesTo(text, changed)) << Gbk::toUtf8(text);
    }
    EXPECT_TRUE(Gbk::encodesTo(u"", ""));
    EXPECT_FALSE(Gbk::encodesTo(u"", "a"));
}

TEST(Gbk, ConvertsUtf8BothWaysWithOneReplacementForEachIllFormedPart)
{
    // Overlong, surrogate and too large: a replacement for every byte; a sequence cut short:
    // one for what there is of it.
    const std::pair<std::string, std::u16string> from[] = {
        {"A", u"A"},
        {"\xC2\x80", u"\u0080"},
        {"\xDF\xBF", u"\u07FF"},
        {"\xE0\xA0\x80", u"\u0800"},
        {"\xEF\xBF\xBF", u"\uFFFF"},
        {"\xF0\x90\x80\x80", u"\U00010000"},
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"\xC0\x80", u"\uFFFD\uFFFD"},
        {"\xC1\xBF", u"\uFFFD\uFFFD"},
        {"\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xF5\x80", u"\uFFFD\uFFFD"},
        {"\x80", u"\uFFFD"},
        {"\xFF", u"\uFFFD"},
        {"\xE4\xB8", u"\uFFFD"},
        {"\xE4\xB8\x41", u"\uFFFDA"},
        {"\xF0\x9F\x98", u"\uFFFD"}};
    for (const auto& [utf8, text] : from)
        EXPECT_EQ(Gbk::fromUtf8(utf8), text) << utf8;
    const std::pair<std::u16string, std::string> to[] = {
        {u"A\u0080", "A\xC2\x80"},
        {u"\u4E2D\uFFFF", "\xE4\xB8\xAD\xEF\xBF\xBF"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {u"\xD800\x0041", "\xEF\xBF\xBD\x41"},
        {u"\xDC00\xD800", "\xEF\xBF\xBD\xEF\xBF\xBD"}};
    for (const auto& [text, utf8] : to)
        EXPECT_EQ(Gbk::toUtf8(text), utf8) << utf8;
}
