// The byte test that passes records over before decoding them must never miss: it is checked
// against a plain search of the bytes with the field terminators taken out.
#include "bytefinder.h"
#include "splitmix.h"

#include <gtest/gtest.h>

#include <algorithm>

using bibliora::edit::ByteFinder;

namespace {

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool plainSearch(std::string haystack, std::string needle, bool fold)
{
    haystack.erase(std::remove(haystack.begin(), haystack.end(), '\x1E'), haystack.end());
    if (fold) {
        std::transform(haystack.begin(), haystack.end(), haystack.begin(), lower);
        std::transform(needle.begin(), needle.end(), needle.begin(), lower);
    }
    return haystack.find(needle) != std::string::npos;
}

} // namespace

TEST(ByteFinder, FindsWhatAPlainSearchFindsTerminatorsPassedOver)
{
    // Small alphabets, so that runs are found often and near misses are common.
    const std::string alphabet = "aAbB \x1E\xB0\xA1\xC3";
    bibliora::support::SplitMix rng(20240131);
    const auto pick = [&](std::size_t n, std::size_t letters) {
        std::string s;
        for (std::size_t i = 0; i < n; ++i)
            s.push_back(alphabet[rng.next() % letters]);
        return s;
    };
    std::size_t hits = 0;
    for (int round = 0; round < 20000; ++round) {
        const bool fold = round % 2 == 1;
        std::string needle = pick(1 + rng.next() % 4, alphabet.size());
        needle.erase(std::remove(needle.begin(), needle.end(), '\x1E'), needle.end());
        if (needle.empty())
            continue;
        const std::string haystack = pick(rng.next() % 24, alphabet.size());
        const bool expected = plainSearch(haystack, needle, fold);
        ASSERT_EQ(ByteFinder(needle, fold).occursIn(haystack), expected)
            << "needle " << needle << " in " << haystack << (fold ? " folding case" : "");
        hits += expected;
    }
    EXPECT_GT(hits, 3000u);
}

TEST(ByteFinder, FindsAtTheEdges)
{
    const ByteFinder finder("\xBA\xEC\xC2\xA5", false); // 红楼 in GBK
    EXPECT_TRUE(finder.occursIn("\xBA\xEC\xC2\xA5"));
    EXPECT_TRUE(finder.occursIn("x\xBA\xEC\x1E\xC2\xA5"));
    EXPECT_TRUE(finder.occursIn("\x1E\xBA\x1E\xEC\xC2\xA5\x1E"));
    EXPECT_FALSE(finder.occursIn("\xBA\xEC\xC2"));
    EXPECT_FALSE(finder.occursIn(""));
    EXPECT_TRUE(ByteFinder("aB", true).occursIn("xAb"));
    EXPECT_FALSE(ByteFinder("aB", false).occursIn("xAb"));
}
