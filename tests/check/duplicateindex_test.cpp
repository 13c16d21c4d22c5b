// The duplicate index against a plain map, over enough keys to pass through its batches, the
// growth of its filter and table, and chunks of entries.
#include "duplicateindex.h"

#include <gtest/gtest.h>

#include <random>
#include <unordered_map>

using bibliora::check::DuplicateIndex;

TEST(DuplicateIndex, FindsWhatAPlainMapFinds)
{
    for (const bool reserved : {false, true}) {
        DuplicateIndex index;
        if (reserved)
            index.reserve(100000);
        std::unordered_map<std::uint64_t, std::int64_t> first;
        std::mt19937_64 random(5);
        // Keys from a range a little larger than the number of look-ups: about a third are
        // seen again, some many records later, some in the batch not yet moved.
        for (std::int64_t n = 1; n <= 300000; ++n) {
            const std::uint64_t key = random() % 200000 + (n % 7 == 0 ? 1ULL << 40 : 1);
            const auto expected = first.find(key);
            const std::optional<std::int64_t> found = index.findOrInsert(key, n);
            if (expected == first.end()) {
                ASSERT_FALSE(found) << n;
                first.emplace(key, n);
            } else {
                ASSERT_EQ(found, expected->second) << n;
            }
            const std::uint64_t probe = random() % 400000;
            const auto known = first.find(probe);
            ASSERT_EQ(index.find(probe),
                      known == first.end() ? std::nullopt : std::optional(known->second));
        }
        EXPECT_EQ(index.size(), first.size());
    }
}
