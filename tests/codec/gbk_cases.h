#pragma once

// The inputs on which the code page 936 and UTF-8 conversions are checked: against ICU itself
// in gbk_icu_test.cpp (Linux), and against digests of ICU's outputs in gbk_test.cpp (every
// platform, no ICU). Both walk the same lists, so the digests below are ICU's answers.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bibliora::test {

// 64-bit FNV-1a over a sequence of strings, each with its length so that the boundaries count.
class Fnv1a final
{
public:
    void add(std::string_view bytes)
    {
        addLength(bytes.size());
        for (const char b : bytes)
            addByte(static_cast<unsigned char>(b));
    }
    void add(std::u16string_view text)
    {
        addLength(text.size());
        for (const char16_t c : text) {
            addByte(c & 0xFF);
            addByte(c >> 8);
        }
    }
    std::uint64_t value() const { return m_hash; }

private:
    void addByte(unsigned b) { m_hash = (m_hash ^ b) * 0x100000001B3ull; }
    void addLength(std::size_t n)
    {
        for (int i = 0; i < 4; ++i)
            addByte(n >> (8 * i) & 0xFF);
    }
    std::uint64_t m_hash = 0xCBF29CE484222325ull;
};

// ICU's outputs over the lists below (gbk_icu_tests checks them against ICU).
constexpr std::uint64_t kDecodeDigest = 0x3DCB3DDB15A43D5E;
constexpr std::uint64_t kEncodeDigest = 0x69691D44BC62BF5D;
constexpr std::uint64_t kFromUtf8Digest = 0x545ADBFACB9EE46A;
constexpr std::uint64_t kToUtf8Digest = 0x71A7CAD67EEAC3F0;

// SplitMix64: the same numbers from every standard library.
class CaseRandom final
{
public:
    explicit CaseRandom(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    unsigned below(unsigned n) { return static_cast<unsigned>(next() % n); }
    unsigned between(unsigned low, unsigned high) { return low + below(high - low + 1); }

private:
    std::uint64_t m_state;
};

// Inclusive ranges of code units; a random unit comes from a range drawn uniformly, so a
// range listed twice is drawn twice as often.
using UnitRanges = std::vector<std::pair<unsigned, unsigned>>;

// Seeded random strings of about 300,000 units in all.
template <typename String>
void addRandomStrings(std::vector<String>& cases, std::uint64_t seed, const UnitRanges& ranges)
{
    CaseRandom random(seed);
    for (int s = 0; s < 300; ++s) {
        String text(random.between(1, 2000), 0);
        for (auto& c : text) {
            const auto [low, high] = ranges[random.below(static_cast<unsigned>(ranges.size()))];
            c = static_cast<typename String::value_type>(random.between(low, high));
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
    for (unsigned b = 0; b < 0x100; ++b)
        cases.emplace_back(1, static_cast<char>(b));
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
        for (unsigned b = 0; b < 0x100; ++b)
            cases.push_back({static_cast<char>(lead), static_cast<char>(b)});
    const std::vector<unsigned> edges = {0x00, 0x30, 0x3F, 0x40, 0x7E, 0x7F,
                                         0x80, 0x81, 0xA0, 0xA1, 0xFE, 0xFF};
    for (unsigned a : edges)
        for (unsigned b : edges)
            for (unsigned c : edges)
                cases.push_back({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)});
    addRandomStrings(cases, 936,
                     {{0x81, 0xFE},
                      {0x81, 0xFE},
                      {0x20, 0x7F},
                      {0x00, 0xFF},
                      {0x00, 0x00},
                      {0x3F, 0x40},
                      {0x7E, 0x81},
                      {0xA0, 0xA1},
                      {0xFE, 0xFF}});
    return cases;
}

// UTF-16 for encoding and for toUtf8: every code unit alone (lone surrogates included);
// surrogates in pairs, reversed and doubled; random strings of ASCII, ideographs, symbols,
// private use, characters without a GBK form, default-ignorable characters and surrogates.
inline std::vector<std::u16string> utf16Cases()
{
    std::vector<std::u16string> cases;
    for (unsigned u = 0; u < 0x10000; ++u)
        cases.emplace_back(1, static_cast<char16_t>(u));
    for (unsigned high = 0xD800; high <= 0xDBFF; ++high)
        for (char16_t low : {0xDC00, 0xDE01, 0xDFFF})
            cases.push_back({static_cast<char16_t>(high), low, u'A'});
    for (unsigned low = 0xDC00; low <= 0xDFFF; ++low)
        for (char16_t high : {0xD800, 0xDBFF})
            cases.push_back({static_cast<char16_t>(low), high});
    cases.push_back(u"\xD800\xD800\xDC00\xDC00");
    addRandomStrings(cases, 1252,
                     {{0x20, 0x7E},
                      {0x4E00, 0x9FFF},
                      {0xE000, 0xF8FF},
                      {0xD800, 0xDFFF},
                      {0xD800, 0xDFFF},
                      {0x00AD, 0x00AD},
                      {0x200B, 0x200F},
                      {0xFEFF, 0xFEFF},
                      {0xFFFD, 0xFFFF},
                      {0x20AC, 0x20AC},
                      {0xF8F5, 0xF8F5},
                      {0xE5E5, 0xE5E5},
                      {0x0000, 0xFFFF},
                      {0x0000, 0xFFFF}});
    return cases;
}

// UTF-8 for fromUtf8: every string of one and two bytes; every lead byte with two bytes after
// it from the edges of the continuation ranges, and every well-formed three-byte sequence;
// four-byte leads with edge bytes; random strings of lead, continuation and invalid bytes.
inline std::vector<std::string> utf8Cases()
{
    std::vector<std::string> cases;
    for (unsigned a = 0; a < 0x100; ++a) {
        cases.emplace_back(1, static_cast<char>(a));
        for (unsigned b = 0; b < 0x100; ++b)
            cases.push_back({static_cast<char>(a), static_cast<char>(b)});
    }
    const std::vector<unsigned> edges = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0,
                                         0xC2, 0xDF, 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
    auto bytes = [](std::initializer_list<unsigned> list) {
        std::string s;
        for (unsigned b : list)
            s += static_cast<char>(b);
        return s;
    };
    for (unsigned lead = 0xC0; lead <= 0xFF; ++lead)
        for (unsigned b : edges)
            for (unsigned c : edges)
                cases.push_back(bytes({lead, b, c}));
    for (unsigned lead = 0xE0; lead <= 0xEF; ++lead)
        for (unsigned b = 0x80; b <= 0xBF; ++b)
            for (unsigned c = 0x80; c <= 0xBF; ++c)
                cases.push_back(bytes({lead, b, c}));
    for (unsigned lead = 0xF0; lead <= 0xF7; ++lead)
        for (unsigned b : edges)
            for (unsigned c : edges)
                for (unsigned d : edges)
                    cases.push_back(bytes({lead, b, c, d}));
    addRandomStrings(
        cases, 65001,
        {{0x20, 0x7E}, {0x80, 0xBF}, {0x80, 0xBF}, {0xC0, 0xDF}, {0xE0, 0xEF}, {0xF0, 0xFF}});
    return cases;
}

} // namespace bibliora::test
