// Which bytes are invalid in a record's encoding, against the codec's own decoders on random
// bytes drawn mostly from the bytes that matter (lead, trail and single high bytes, delimiters).
#include "bytescan.h"
#include "gbk.h"
#include "utf8text.h"

#include <gtest/gtest.h>

#include <random>

using namespace bibliora;
using bibliora::check::firstInvalidByte;

namespace {

std::string randomBytes(std::mt19937_64& random, const std::vector<unsigned char>& alphabet)
{
    std::string s(random() % 200, '\0');
    for (char& c : s)
        c = static_cast<char>(random() % 4 ? alphabet[random() % alphabet.size()] : random());
    return s;
}

} // namespace

TEST(ByteScan, GbkAsTheCodecDecodesIt)
{
    std::mt19937_64 random(1);
    const std::vector<unsigned char> alphabet = {0x1F, 0x20, 0x3F, 0x40, 0x41, 0x7E, 0x7F, 0x80,
                                                 0x81, 0xA1, 0xB0, 0xC8, 0xD6, 0xFE, 0xFF};
    for (int i = 0; i < 20000; ++i) {
        const std::string s = randomBytes(random, alphabet);
        const std::size_t bad = firstInvalidByte(s, Encoding::Gbk, false);
        const std::u16string text = Gbk::decode(s);
        ASSERT_EQ(bad == std::string::npos, text.find(u'\uFFFD') == std::u16string::npos);
        if (bad != std::string::npos) {
            // Everything before it decodes; from it on, the first character fails.
            ASSERT_EQ(Gbk::decode(s.substr(0, bad)).find(u'\uFFFD'), std::u16string::npos);
            ASSERT_EQ(Gbk::decode(s.substr(bad)).front(), u'\uFFFD');
        }
    }
}

TEST(ByteScan, GbkLeadBytesAtEveryPlaceAroundSixtyFourByteBoundaries)
{
    // Runs of lead bytes ending just before, at and after a multiple of 64, followed by a byte
    // that is no trail byte, by a trail byte below 0x80, or by the end.
    for (const std::size_t length : {63, 64, 65, 127, 128, 129, 130}) {
        for (std::size_t run = 1; run <= 5; ++run) {
            for (std::size_t end = run; end <= length; ++end) {
                for (const char after : {'!', '@', '\0'}) {
                    std::string s(length, 'a');
                    for (std::size_t k = end - run; k < end; ++k)
                        s[k] = '\xB0';
                    if (end < length)
                        s[end] = after;
                    const bool valid = Gbk::decode(s).find(u'\uFFFD') == std::u16string::npos;
                    ASSERT_EQ(firstInvalidByte(s, Encoding::Gbk, false) == std::string::npos, valid)
                        << length << " " << run << " " << end << " " << after;
                }
            }
        }
    }
}

TEST(ByteScan, Utf8AsTheCodecScansIt)
{
    std::mt19937_64 random(2);
    const std::vector<unsigned char> alphabet = {0x20, 0x41, 0x80, 0x8F, 0x90, 0xA0, 0xBF, 0xC0,
                                                 0xC2, 0xDF, 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5};
    for (int i = 0; i < 20000; ++i) {
        const std::string s = randomBytes(random, alphabet);
        const std::size_t bad = firstInvalidByte(s, Encoding::Utf8, false);
        ASSERT_EQ(bad == std::string::npos, Utf8Text::scan(s).invalid == 0);
        if (bad != std::string::npos) {
            ASSERT_EQ(Utf8Text::scan(s.substr(0, bad)).invalid, 0u);
        }
    }
}
