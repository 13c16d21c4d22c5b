// The byte test that passes records over before decoding them must never miss: it is checked
// against a plain search of the bytes with the field terminators taken out.
#include "bytefinder.h"
#include "splitmix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

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

TEST(ByteFinder, StopsInsideEveryFieldThatHoldsTheBytesWhenFieldsLieEndToEnd)
{
    // What a change relies on to pass over fields: a search of all the fields at once from
    // where a field starts stops inside that field whenever the field alone holds the bytes.
    const std::string alphabet = "aAbB \xB0\xA1";
    bibliora::support::SplitMix rng(7);
    std::size_t inside = 0;
    for (int round = 0; round < 5000; ++round) {
        const bool fold = round % 2 == 1;
        std::string needle;
        for (unsigned n = 1 + rng.below(3); n > 0; --n)
            needle.push_back(alphabet[rng.below(static_cast<unsigned>(alphabet.size()))]);
        const ByteFinder finder(needle, fold);
        std::string area;
        std::vector<std::size_t> starts;
        for (unsigned f = 1 + rng.below(5); f > 0; --f) {
            starts.push_back(area.size());
            for (unsigned n = rng.below(8); n > 0; --n)
                area.push_back(alphabet[rng.below(static_cast<unsigned>(alphabet.size()))]);
            area.push_back('\x1E');
        }
        starts.push_back(area.size());
        ASSERT_EQ(finder.find(area, 0) != ByteFinder::npos, finder.occursIn(area));
        for (std::size_t i = 0; i + 1 < starts.size(); ++i) {
            const std::size_t at = finder.find(area, starts[i]);
            ASSERT_TRUE(at == ByteFinder::npos || at >= starts[i]);
            if (finder.occursIn(
                    std::string_view(area).substr(starts[i], starts[i + 1] - starts[i]))) {
                ASSERT_LT(at, starts[i + 1]) << "needle " << needle << " in " << area;
                ++inside;
            }
        }
    }
    EXPECT_GT(inside, 1000u);
}
