// The code page 936 and UTF-8 conversions without ICU (so also in the Windows build): every
// case of gbk_cases.h, invalid input included, against digests of ICU's outputs, which
// gbk_icu_tests checks on Linux.
#include "gbk.h"
#include "gbk_cases.h"

#include <gtest/gtest.h>

using namespace bibliora;
using namespace bibliora::test;

TEST(GbkDigest, EveryCaseGivesIcusOutputs)
{
    const auto encode = [](const std::u16string& text) {
        const std::string bytes = Gbk::encode(text);
        EXPECT_EQ(Gbk::encodedLength(text), bytes.size()) << Gbk::toUtf8(text);
        return bytes;
    };
    const auto toUtf8 = [](const std::u16string& text) { return Gbk::toUtf8(text); };
    EXPECT_EQ(digestOf(gbkDecodeCases(), Gbk::decode), kDecodeDigest);
    EXPECT_EQ(digestOf(utf16Cases(), encode), kEncodeDigest);
    EXPECT_EQ(digestOf(utf8Cases(), Gbk::fromUtf8), kFromUtf8Digest);
    EXPECT_EQ(digestOf(utf16Cases(), toUtf8), kToUtf8Digest);
    // Appending decodes as decoding does, after what is there.
    std::u16string out = u"x";
    Gbk::appendDecoded(out, "\xB0\xA1");
    EXPECT_EQ(out, u"x\u554A");
}
