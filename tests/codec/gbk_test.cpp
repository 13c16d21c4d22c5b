// The code page 936 and UTF-8 conversions without ICU (so also in the Windows build): the
// rules for invalid input on examples, and every case of gbk_cases.h against digests of
// ICU's outputs, which gbk_icu_tests checks on Linux.
#include "gbk.h"
#include "gbk_cases.h"

#include <gtest/gtest.h>

using namespace bibliora;
using namespace bibliora::test;
using namespace std::string_literals;

TEST(Gbk, DecodesInvalidSequencesAsIcu)
{
    const std::vector<std::pair<std::string, std::u16string>> cases = {
        {"\x80\xFF", u"\u20AC\uF8F5"},              // the two bytes above 0x7F that stand alone
        {"\x81\x40\xFE\xFE", u"\u4E02\uE4C5"},      // first and last pair, user-defined area
        {"A\x81", u"A\uFFFD"},                      // a lead byte at the end
        {std::string("\x81\0A", 3), u"\uFFFD\0A"s}, // no trail byte: the next byte is read again
        {"\x81\x39\x81\x7F\x81\xFF", u"\uFFFD9\uFFFD\x7F\uFFFD\uF8F5"},
        {"\x81\x81\x81", u"\u4E96\uFFFD"}, // a lead byte is a trail byte too
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(Gbk::decode(bytes), text) << bytes;
    std::u16string out = u"x";
    Gbk::appendDecoded(out, "\xB0\xA1");
    EXPECT_EQ(out, u"x\u554A");
}

TEST(Gbk, ConvertsInvalidUtf8AsIcu)
{
    // One U+FFFD for each maximal subpart: the longest start of a well-formed sequence.
    EXPECT_EQ(Gbk::fromUtf8("a\xF1\x80\x80\xE1\x80\xC2"
                            "b\x80"
                            "c\x80\xBF"
                            "d"),
              u"a\uFFFD\uFFFD\uFFFDb\uFFFDc\uFFFD\uFFFDd");
    // Overlong forms, surrogates and code points above U+10FFFF: each byte on its own.
    EXPECT_EQ(Gbk::fromUtf8("\xC0\xAF\xE0\x80\xAF\xED\xA0\x80\xF4\x90\x80\x80"),
              std::u16string(12, u'\uFFFD'));
    EXPECT_EQ(Gbk::fromUtf8("\xF0\x9F\x98\x80\xED\x9F\xBF\xF4\x8F\xBF\xBF"),
              u"\U0001F600\uD7FF\U0010FFFF");
    EXPECT_EQ(Gbk::toUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    // An unpaired surrogate becomes U+FFFD.
    EXPECT_EQ(Gbk::toUtf8(u"\xDC00"
                          "a\xD800"),
              "\xEF\xBF\xBD"
              "a\xEF\xBF\xBD");
}

TEST(GbkDigest, DecodingGivesIcusOutputs)
{
    Fnv1a fnv;
    for (const std::string& bytes : gbkDecodeCases())
        fnv.add(Gbk::decode(bytes));
    EXPECT_EQ(fnv.value(), kDecodeDigest);
}

TEST(GbkDigest, EncodingGivesIcusOutputsAndItsOwnLength)
{
    Fnv1a fnv;
    for (const std::u16string& text : utf16Cases()) {
        const std::string bytes = Gbk::encode(text);
        fnv.add(bytes);
        ASSERT_EQ(Gbk::encodedLength(text), bytes.size()) << Gbk::toUtf8(text);
    }
    EXPECT_EQ(fnv.value(), kEncodeDigest);
}

TEST(GbkDigest, Utf8BothWaysGivesIcusOutputs)
{
    Fnv1a from;
    for (const std::string& utf8 : utf8Cases())
        from.add(Gbk::fromUtf8(utf8));
    EXPECT_EQ(from.value(), kFromUtf8Digest);
    Fnv1a to;
    for (const std::u16string& text : utf16Cases())
        to.add(Gbk::toUtf8(text));
    EXPECT_EQ(to.value(), kToUtf8Digest);
}
