// A literal whose case counts is matched without PCRE2: over subjects that hold repeats,
// overlaps, surrogate pairs and lone surrogates, it finds, counts and replaces exactly what
// PCRE2 does for the same characters written as an expression.
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

std::unique_ptr<Pattern> compiled(const std::u16string& text, Pattern::Kind kind)
{
    std::u16string error;
    auto pattern = Pattern::compile(text, kind, true, error);
    EXPECT_TRUE(pattern) << std::string(error.begin(), error.end());
    return pattern;
}

} // namespace

TEST(Pattern, ALiteralWhoseCaseCountsMatchesAsPcre2Does)
{
    // Pieces of texts: letters, a Chinese character, a surrogate pair, and in subjects alone,
    // lone halves of one.
    const std::u16string pieces[] = {u"a", u"b", u"A", u"中", u"\U0001F4D6", u"aa", u"ab"};
    const std::u16string lone[] = {u"\xD83D", u"\xDCD6"};
    bibliora::support::SplitMix rng(42);
    std::size_t found = 0;
    for (int round = 0; round < 3000; ++round) {
        std::u16string literal;
        for (unsigned n = 1 + rng.below(3); n > 0; --n)
            literal += rng.pick(pieces);
        std::u16string subject;
        for (unsigned n = rng.below(10); n > 0; --n)
            subject += rng.percent(10) ? rng.pick(lone) : rng.pick(pieces);
        const bool whole = round % 3 == 0;
        if (whole && rng.percent(50))
            subject = literal;
        const auto plain =
            compiled(literal, whole ? Pattern::Kind::WholeLiteral : Pattern::Kind::Literal);
        const auto pcre =
            compiled(whole ? u"\\A(?:" + escaped(literal) + u")\\z" : escaped(literal),
                     Pattern::Kind::Expression);
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
    EXPECT_GT(found, 500u);
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
