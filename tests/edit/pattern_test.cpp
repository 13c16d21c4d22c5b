// A literal whose case counts, or of ASCII but K and S whose case is ignored, is matched
// without PCRE2: over subjects that hold repeats, overlaps, surrogate pairs, lone surrogates
// and the characters that fold to ASCII, it finds, counts and replaces exactly what PCRE2
// does for the same characters written as an expression.
#include "pattern.h"
#include "splitmix.h"

#include <gtest/gtest.h>

using bibliora::edit::Pattern;

namespace {

// Every character of a valid text as \x{...}: the same characters as an expression.
std::u16string escaped(std::u16string_view text)
{
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        char digits[16];
        std::snprintf(digits, sizeof digits, "\\x{%X}", static_cast<unsigned>(c));
        for (const char* d = digits; *d; ++d)
            out.push_back(static_cast<char16_t>(*d));
    }
    return out;
}

std::unique_ptr<Pattern> compiled(const std::u16string& text, Pattern::Kind kind,
                                  bool caseSensitive = true)
{
    std::u16string error;
    auto pattern = Pattern::compile(text, kind, caseSensitive, error);
    EXPECT_TRUE(pattern) << std::string(error.begin(), error.end());
    return pattern;
}

} // namespace

TEST(Pattern, APlainLiteralMatchesAsPcre2Does)
{
    // Pieces of texts: letters, a Chinese character, a surrogate pair, and in subjects alone,
    // lone halves of one and the characters whose case is an ASCII letter's or near one.
    const std::u16string pieces[] = {u"a",  u"b",          u"A",  u"Z",  u"1", u"-",
                                     u"中", u"\U0001F4D6", u"aa", u"ab", u"k", u"S"};
    const std::u16string odd[] = {u"\xD83D", u"\xDCD6", u"\u212A", u"\u017F",
                                  u"\u0130", u"\u0131", u"\u00E9", u"\u00C9"};
    bibliora::support::SplitMix rng(42);
    std::size_t found = 0;
    for (int round = 0; round < 6000; ++round) {
        std::u16string literal;
        for (unsigned n = 1 + rng.below(3); n > 0; --n)
            literal += rng.pick(pieces);
        std::u16string subject;
        for (unsigned n = rng.below(10); n > 0; --n)
            subject += rng.percent(15) ? rng.pick(odd) : rng.pick(pieces);
        const bool whole = round % 3 == 0;
        const bool caseSensitive = round % 2 == 0;
        if (whole && rng.percent(50))
            subject = literal;
        const auto plain = compiled(
            literal, whole ? Pattern::Kind::WholeLiteral : Pattern::Kind::Literal, caseSensitive);
        const auto pcre =
            compiled(whole ? u"\\A(?:" + escaped(literal) + u")\\z" : escaped(literal),
                     Pattern::Kind::Expression, caseSensitive);
        Pattern::Scratch a;
        Pattern::Scratch b;
        const std::string where = "round " + std::to_string(round);
        ASSERT_EQ(plain->search(subject, a), pcre->search(subject, b)) << where;
        const Pattern::Count countPlain = plain->count(subject, a);
        const Pattern::Count countPcre = pcre->count(subject, b);
        ASSERT_EQ(countPlain.matches, countPcre.matches) << where;
        ASSERT_FALSE(countPlain.limit || countPcre.limit) << where;
        std::u16string outPlain;
        std::u16string outPcre;
        const auto substitutedPlain = plain->substitute(subject, u"X中", outPlain, a);
        ASSERT_EQ(substitutedPlain, pcre->substitute(subject, u"X中", outPcre, b)) << where;
        if (substitutedPlain == Pattern::Substituted::Changed) {
            ASSERT_EQ(outPlain, outPcre) << where;
        }
        found += countPlain.matches > 0 ? 1 : 0;
    }
    EXPECT_GT(found, 1000u);
}

TEST(Pattern, NoCharacterButKelvinAndLongSIgnoringCaseMatchesAnAsciiCharacter)
{
    // What comparing ASCII letters in either case stands on: every other character, of every
    // plane, left alone by a caseless search for each ASCII character.
    std::u16string others;
    for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        if (c < 0x10000) {
            others.push_back(static_cast<char16_t>(c));
        } else {
            others.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            others.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    for (char16_t a = 0x21; a < 0x7F; ++a) {
        const auto pcre = compiled(escaped(std::u16string(1, a)), Pattern::Kind::Expression, false);
        Pattern::Scratch scratch;
        const std::size_t expected = a == u'k' || a == u'K' || a == u's' || a == u'S' ? 1 : 0;
        EXPECT_EQ(pcre->count(others, scratch).matches, expected) << char(a);
    }
}

TEST(Pattern, AWholeLiteralMayBeEmpty)
{
    const auto empty = compiled(u"", Pattern::Kind::WholeLiteral);
    Pattern::Scratch scratch;
    EXPECT_EQ(empty->search(u"", scratch), Pattern::Found::Yes);
    EXPECT_EQ(empty->search(u"a", scratch), Pattern::Found::No);
    EXPECT_EQ(empty->count(u"", scratch).matches, 1u);
    std::u16string out;
    EXPECT_EQ(empty->substitute(u"", u"X", out, scratch), Pattern::Substituted::Changed);
    EXPECT_EQ(out, u"X");
}
