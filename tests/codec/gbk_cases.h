#pragma once

// The inputs on which gbk_icu_test.cpp checks the code page 936 and UTF-8 conversions
// against ICU, invalid input included.

#include "splitmix.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bibliora::test {

using Units = std::vector<unsigned>;

inline Units span(unsigned low, unsigned high)
{
    Units units;
    for (unsigned u = low; u <= high; ++u)
        units.push_back(u);
    return units;
}

// Every string with one unit of positions[0], then one of positions[1], ..., in the order of
// nested loops with the first position outermost.
template <typename String>
void addProducts(std::vector<String>& cases, std::vector<Units> positions)
{
    std::vector<std::size_t> at(positions.size(), 0);
    for (int i = 0; i >= 0;) {
        String s;
        for (std::size_t p = 0; p < positions.size(); ++p)
            s.push_back(static_cast<typename String::value_type>(positions[p][at[p]]));
        cases.push_back(std::move(s));
        for (i = int(positions.size()) - 1; i >= 0 && ++at[i] == positions[i].size(); --i)
            at[i] = 0;
    }
}

// Seeded random strings of about 300,000 units in all. `ranges` holds inclusive low, high
// pairs; a unit comes from a pair drawn uniformly, so a pair listed twice is drawn twice as
// often.
template <typename String>
void addRandomStrings(std::vector<String>& cases, std::uint64_t seed, const Units& ranges)
{
    support::SplitMix random(seed);
    for (int s = 0; s < 300; ++s) {
        String text(random.between(1, 2000), 0);
        for (auto& c : text) {
            const unsigned pair = 2 * random.below(static_cast<unsigned>(ranges.size() / 2));
            c = static_cast<typename String::value_type>(
                random.between(ranges[pair], ranges[pair + 1]));
        }
        cases.push_back(std::move(text));
    }
}

// Every byte alone; every lead byte with every byte after it; every run of three bytes at the
// edges of the lead and trail ranges; random strings heavy in lead bytes and bytes that
// cannot be trail bytes.
inline std::vector<std::string> gbkDecodeCases()
{
    std::vector<std::string> cases;
    const Units edges = {0x00, 0x30, 0x3F, 0x40, 0x7E, 0x7F, 0x80, 0x81, 0xA0, 0xA1, 0xFE, 0xFF};
    addProducts(cases, {span(0, 0xFF)});
    addProducts(cases, {span(0x81, 0xFE), span(0, 0xFF)});
    addProducts(cases, {edges, edges, edges});
    addRandomStrings(cases, 936,
                     {0x81, 0xFE, 0x81, 0xFE, 0x20, 0x7F, 0x00, 0xFF, 0x00, 0x00, 0x3F, 0x40, 0x7E,
                      0x81, 0xA0, 0xA1, 0xFE, 0xFF});
    return cases;
}

// UTF-16 for encoding and for toUtf8: every code unit alone (lone surrogates included);
// surrogates in pairs, reversed and doubled; random strings of ASCII, ideographs, symbols,
// private use, characters without a GBK form, default-ignorable characters and surrogates.
inline std::vector<std::u16string> utf16Cases()
{
    std::vector<std::u16string> cases;
    addProducts(cases, {span(0, 0xFFFF)});
    addProducts(cases, {span(0xD800, 0xDBFF), {0xDC00, 0xDE01, 0xDFFF}, {u'A'}});
    addProducts(cases, {span(0xDC00, 0xDFFF), {0xD800, 0xDBFF}});
    cases.push_back(u"\xD800\xD800\xDC00\xDC00");
    addRandomStrings(cases, 1252, {0x20,   0x7E,   0x4E00, 0x9FFF, 0xE000, 0xF8FF, 0xD800,
                                   0xDFFF, 0xD800, 0xDFFF, 0x00AD, 0x00AD, 0x200B, 0x200F,
                                   0xFEFF, 0xFEFF, 0xFFFD, 0xFFFF, 0x20AC, 0x20AC, 0xF8F5,
                                   0xF8F5, 0xE5E5, 0xE5E5, 0x0000, 0xFFFF, 0x0000, 0xFFFF});
    return cases;
}

// UTF-8 for fromUtf8: every string of one and two bytes; every lead byte with two bytes after
// it from the edges of the continuation ranges, and every well-formed three-byte sequence;
// four-byte leads with edge bytes; random strings of lead, continuation and invalid bytes.
inline std::vector<std::string> utf8Cases()
{
    std::vector<std::string> cases;
    addProducts(cases, {span(0, 0xFF)});
    addProducts(cases, {span(0, 0xFF), span(0, 0xFF)});
    const Units edges = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0,
                         0xC2, 0xDF, 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
    addProducts(cases, {span(0xC0, 0xFF), edges, edges});
    addProducts(cases, {span(0xE0, 0xEF), span(0x80, 0xBF), span(0x80, 0xBF)});
    addProducts(cases, {span(0xF0, 0xF7), edges, edges, edges});
    addRandomStrings(cases, 65001,
                     {0x20, 0x7E, 0x80, 0xBF, 0x80, 0xBF, 0xC0, 0xDF, 0xE0, 0xEF, 0xF0, 0xFF});
    return cases;
}

} // namespace bibliora::test
