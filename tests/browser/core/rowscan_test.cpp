#include "rowscan.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace bibliora;

TEST(RowScan, FindsWhatOneThreadFindsWhereverTheMatchesAre)
{
    constexpr std::size_t rows = 300000; // over the threshold: every thread at work
    const RowScan scan(4);
    // No match; the first and last rows; rows at block edges; a match in every row; and
    // matches before `begin`, which do not count.
    const std::vector<std::vector<std::size_t>> cases = {
        {}, {0}, {rows - 1}, {8191, 8192, 16383}, {150000, 290000}, {5, 77777}};
    for (const std::size_t begin : {std::size_t(0), std::size_t(10), std::size_t(100000)}) {
        for (const std::vector<std::size_t>& matches : cases) {
            std::vector<char> hit(rows, 0);
            for (const std::size_t r : matches)
                hit[r] = 1;
            const auto test = [&](std::size_t r) { return hit[r] != 0; };
            std::optional<std::size_t> first;
            std::vector<std::size_t> all;
            for (std::size_t r = begin; r < rows; ++r) {
                if (test(r)) {
                    first = first.value_or(r);
                    all.push_back(r);
                }
            }
            EXPECT_EQ(scan.first(begin, rows, test), first);
            EXPECT_EQ(scan.all(begin, rows, test), all);
        }
        std::vector<std::size_t> every;
        for (std::size_t r = begin; r < rows; ++r)
            every.push_back(r);
        EXPECT_EQ(scan.all(begin, rows, [](std::size_t) { return true; }), every);
    }
    EXPECT_EQ(scan.first(5, 5, [](std::size_t) { return true; }), std::nullopt);
}

TEST(RowScan, ThrowsWhatATestThrowsOnceEveryThreadStopped)
{
    const RowScan scan(4);
    const auto failing = [](std::size_t r) {
        if (r == 200000)
            throw std::runtime_error("test failed");
        return false;
    };
    EXPECT_THROW(scan.first(0, 300000, failing), std::runtime_error);
    EXPECT_THROW(scan.all(0, 300000, failing), std::runtime_error);
}
