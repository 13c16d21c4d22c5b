// A record written in one piece from fields at hand is the record that adding them one by one
// writes: the same bytes, and the same refusal of a field or a record too long for its digits.
#include "isowriter.h"
#include "splitmix.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace bibliora;

namespace {

constexpr std::string_view kStem = "00000nam0 2200000   450 ";

struct Written
{
    bool fits = false;
    MarcRecord record;
};

Written byAdding(const std::vector<std::pair<std::string, std::string>>& fields)
{
    IsoWriter writer;
    Written w;
    w.fits = true;
    for (const auto& [tag, content] : fields)
        w.fits = w.fits && writer.add(tag, content);
    w.fits = w.fits && writer.finish(std::string(kStem), w.record);
    return w;
}

// The fields with their terminators, every other run of them one after another in one buffer
// (copied as one run) and the rest each in a buffer of its own.
Written inOnePiece(const std::vector<std::pair<std::string, std::string>>& fields,
                   support::SplitMix& rng)
{
    std::string together;
    for (const auto& [tag, content] : fields)
        together += content + '\x1E';
    std::vector<std::string> apart(fields.size());
    std::vector<IsoWriter::TerminatedField> pieces;
    std::size_t at = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t size = fields[i].second.size() + 1;
        std::string_view bytes = std::string_view(together).substr(at, size);
        if (rng.percent(30)) {
            apart[i] = std::string(bytes);
            bytes = apart[i];
        }
        pieces.push_back({fields[i].first, bytes});
        at += size;
    }
    Written w;
    w.fits = IsoWriter::write(kStem, pieces.data(), pieces.size(), w.record);
    return w;
}

} // namespace

TEST(IsoWriter, WritingAtOnceMakesTheRecordAddingMakes)
{
    support::SplitMix rng(7);
    std::size_t refused = 0;
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::pair<std::string, std::string>> fields(rng.below(12));
        for (auto& [tag, content] : fields) {
            tag = std::to_string(rng.between(100, 999));
            // Now and then a field at the length a directory entry can just hold or cannot,
            // or enough of them to pass the five digits of the record length.
            const unsigned length = rng.percent(5)    ? rng.between(9997, 9999)
                                    : rng.percent(10) ? rng.between(4000, 9000)
                                                      : rng.below(40);
            content.assign(length, static_cast<char>('a' + rng.below(26)));
        }
        const Written expected = byAdding(fields);
        const Written got = inOnePiece(fields, rng);
        ASSERT_EQ(got.fits, expected.fits) << "round " << round;
        if (expected.fits) {
            ASSERT_EQ(got.record, expected.record) << "round " << round;
        }
        refused += expected.fits ? 0 : 1;
    }
    EXPECT_GT(refused, 50u);
    EXPECT_LT(refused, 1500u);
}
