#include "codec_test_support.h"
#include "placeholder.h"

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

TEST(FieldText, AsciiBytesShowAsTheyDecodeWithLineBreaksAsPlaceholders)
{
    // ASCII fields are shown without the check that their decoding writes them back: the same
    // text, every byte below 0x80 in either kind of field, and next to one byte that is not.
    std::string ascii;
    for (int b = 0; b < 0x80; ++b)
        ascii.push_back(static_cast<char>(b));
    for (const bool control : {false, true}) {
        for (const std::string& bytes : {ascii, ascii + "\xB0\xA1", std::string("\xB0\xA1") + ascii,
                                         std::string("CN\r\n2000"), std::string()}) {
            std::u16string expected = Gbk::decode(bytes);
            for (char16_t& c : expected)
                if (c == u'\r' || c == u'\n')
                    c = placeholderFor(static_cast<unsigned char>(c));
            std::u16string shown = u"x";
            FieldText::appendForDisplay(shown, Encoding::Gbk, bytes, control);
            EXPECT_EQ(shown, u"x" + expected);
        }
    }
}
