#include "gbk.h"

#include <gtest/gtest.h>

using bibliora::Gbk;

TEST(Gbk, RoundTripsChineseAndCountsTwoBytesEach)
{
    const std::u16string text = u"题名 Title ■";
    const std::string bytes = Gbk::encode(text);
    EXPECT_EQ(bytes.size(), 4u + 7u + 2u);
    EXPECT_EQ(Gbk::decode(bytes), text);
    EXPECT_EQ(Gbk::encodedLength(text), bytes.size());
}
