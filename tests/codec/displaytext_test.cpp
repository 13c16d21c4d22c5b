#include "codec_test_support.h"

using namespace bibliora;
using namespace bibliora::test;

TEST(FormatRecordText, ShowsTheLeaderAndOneLinePerEntryInDirectoryOrder)
{
    const MarcRecord record = assemble({{"606", u"0 $a小说$y中国"},
                                        {"001", u"0100001"},
                                        {"200", u"1 $a红楼梦$f曹雪芹著"},
                                        {"010", u"__$a7-02"},
                                        {"ABC", u"1 $a字母"},
                                        {"300", u""}});
    EXPECT_EQ(formatRecordText(record),
              u"HEA    nam0 2299999   450 \r\n606 0_ ■a小说■y中国\r\n001    0100001\r\n"
              u"200 1_ ■a红楼梦■f曹雪芹著\r\n010 __ ■a7-02\r\nABC    1 ■a字母\r\n300  ");
    EXPECT_EQ(formatRecordText(""), u"");
}

TEST(FormatRecordText, ReadsWhatTheDirectoryAllowsAndSkipsTheRest)
{
    // 200 at byte 0 (9 bytes), 606 at byte 9 (6 bytes).
    const std::u16string leader = u"00000nam0 2200000   450 ";
    const std::u16string data = u"^1 $a题名^0 $aX^";
    const std::u16string both = u"200 1_ ■a题名\r\n606 0_ ■aX";
    // Entries: 23 characters are 2 entries, the last one short; 30 round to 2; 42 to 4, and a
    // 6-character rest never has a start; an entry starting past the end is skipped.
    const TextCases cases = {
        {u"20000090000060600060009", both},
        {u"200000900000606000600009001000", both},
        {u"200000900000606000600009001000100013300000", both + u"\r\n001    X"},
        {u"700000509999200000900000606000600009", both},
        {u"", u""},
    };
    for (const auto& [directory, lines] : cases)
        EXPECT_EQ(formatRecordText(gbk(leader + directory + data)),
                  u"HEA    nam0 2200000   450 \r\n" + lines)
            << Gbk::toUtf8(directory);
    // No field terminator: the header line alone.
    EXPECT_EQ(formatRecordText(gbk(leader + u"200000900000")), u"HEA    nam0 2200000   450 \r\n");
}
