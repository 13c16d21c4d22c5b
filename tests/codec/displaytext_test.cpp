#include "codec_test_support.h"

using namespace bibliora;
using namespace bibliora::test;

TEST(FormatRecordText, ShowsLeaderAndOneLinePerField)
{
    const MarcRecord record = assemble({
        {"001", u"0100001"},
        {"005", u"20240131143005.0"},
        {"010", u"  $a978-7-02-000220-7$dCNY25.00"},
        {"200", u"1 $a红楼梦$f曹雪芹著"},
        {"606", u"0 $a小说$y中国$z清代"},
        {"606", u"0 $a章回小说"},
    });
    EXPECT_EQ(formatRecordText(record), u"HEA    nam0 2299999   450 \r\n"
                                        u"001    0100001\r\n"
                                        u"005    20240131143005.0\r\n"
                                        u"010 __ ■a978-7-02-000220-7■dCNY25.00\r\n"
                                        u"200 1_ ■a红楼梦■f曹雪芹著\r\n"
                                        u"606 0_ ■a小说■y中国■z清代\r\n"
                                        u"606 0_ ■a章回小说");
}

TEST(FormatRecordText, KeepsDirectoryOrderWithoutSorting)
{
    const MarcRecord record = assemble({{"606", u"0 $a主题"}, {"200", u"1 $a题名"}, {"001", u"7"}});
    EXPECT_EQ(formatRecordText(record),
              u"HEA    nam0 2299999   450 \r\n606 0_ ■a主题\r\n200 1_ ■a题名\r\n001    7");
}

TEST(FormatRecordText, HeaderAloneForEmptyOrUnreadableRecords)
{
    EXPECT_EQ(formatRecordText(""), u"");
    // No field terminator: only the header line.
    EXPECT_EQ(formatRecordText(kOddLeader + "200001000000"), u"HEA    nam0 2299999   450 \r\n");
    // A field terminator before the 25th character.
    EXPECT_EQ(formatRecordText("00000\x1E"
                               "nam0 2299999   450 200"),
              u"HEA    \x1E"
              u"nam0 2299999   450\r\n");
    // A record shorter than a leader shows what there is.
    EXPECT_EQ(formatRecordText("01234nam"), u"HEA    nam\r\n");
    EXPECT_EQ(formatRecordText("0123"), u"HEA    \r\n");
    // Entries that yield no data leave the header line with its CR LF.
    EXPECT_EQ(formatRecordText(kOddLeader + "200000009999\x1E\x1D"),
              u"HEA    nam0 2299999   450 \r\n");
}

TEST(FormatRecordText, WritesIndicatorsWithUnderscoresForBlanks)
{
    const MarcRecord record = assemble({
        {"200", u"  $a空白"},
        {"200", u"__$a下划线"},
        {"200", u"1 $a一"},
        {"200", u" 1$a二"},
    });
    EXPECT_EQ(formatRecordText(record), u"HEA    nam0 2299999   450 \r\n"
                                        u"200 __ ■a空白\r\n"
                                        u"200 __ ■a下划线\r\n"
                                        u"200 1_ ■a一\r\n"
                                        u"200 _1 ■a二");
}

TEST(FormatRecordText, ShowsShortAndIndicatorlessFieldsAsTheyAre)
{
    const MarcRecord record = assemble({
        {"606", u""},           // only its terminator: the tag and two spaces
        {"001", u""},           // a control field with only its terminator
        {"300", u"1"},          // one character: one indicator, no data
        {"200", u"$a题名$b文"}, // no indicators: the delimiter and code stand in for them
    });
    EXPECT_EQ(formatRecordText(record), u"HEA    nam0 2299999   450 \r\n"
                                        u"606  \r\n"
                                        u"001    \r\n"
                                        u"300 1 \r\n"
                                        u"200 \x1F"
                                        u"a 题名■b文");
}

TEST(FormatRecordText, ShowsNonNumericAndLowTagsLikeControlFields)
{
    const MarcRecord record = assemble({
        {"009", u"12$a值"},
        {"ABC", u"1 $a字母$b标签"},
        {"2X0", u"__x"},
    });
    EXPECT_EQ(formatRecordText(record), u"HEA    nam0 2299999   450 \r\n"
                                        u"009    12■a值\r\n"
                                        u"ABC    1 ■a字母■b标签\r\n"
                                        u"2X0    __x");
}

TEST(FormatRecordText, ChangesNothingButDelimitersAndTerminators)
{
    // A "■" or "_" already in the data is shown unchanged; blanks inside data stay blanks.
    const MarcRecord record = assemble({{"330", u"  $a原有■符号_和 空格 "}});
    EXPECT_EQ(formatRecordText(record),
              u"HEA    nam0 2299999   450 \r\n330 __ ■a原有■符号_和 空格 ");
    // Terminators inside a field's range are removed: the length reaches into the next field.
    const std::string data = "1 \x1F"
                             "aAB\x1E"
                             "0 \x1F"
                             "bCD\x1E";
    EXPECT_EQ(formatRecordText(kOddLeader + "200001400000\x1E" + data),
              u"HEA    nam0 2299999   450 \r\n200 1_ ■aAB0 ■bCD");
}

TEST(FormatRecordText, SkipsEntriesThatPointNowhereAndShowsTheRest)
{
    const std::string leader = kOddLeader;
    const std::string data = "1 \x1F"
                             "a" +
                             gbk(u"题名") +
                             "\x1E"
                             "0 \x1F"
                             "aX\x1E";
    // Entry 1 starts beyond the record, entry 2 has a broken length, entry 4 is clipped.
    const std::string directory = "700000509999"
                                  "701x00100000"
                                  "200000900000"
                                  "606009900009";
    EXPECT_EQ(formatRecordText(leader + directory + "\x1E" + data + "\x1D"),
              u"HEA    nam0 2299999   450 \r\n200 1_ ■a题名\r\n606 0_ ■aX\x1D");
}

TEST(FormatRecordText, ReadsPartialDirectoryEntriesItCounts)
{
    const std::string leader = kOddLeader;
    const std::string data = "1 \x1F"
                             "a" +
                             gbk(u"题名") +
                             "\x1E"
                             "0 \x1F"
                             "aX\x1E";
    // 23 characters round to 2 entries; the second, with a start of four digits, still reads.
    EXPECT_EQ(formatRecordText(leader +
                               "200000900000"
                               "60600060009"
                               "\x1E" +
                               data),
              u"HEA    nam0 2299999   450 \r\n200 1_ ■a题名\r\n606 0_ ■aX");
    // 42 characters round half to even: 4 entries, of which the fourth (6 characters) has
    // no start and gives no line.
    const std::string three = "200000900000"
                              "606000600009"
                              "001000100013";
    EXPECT_EQ(formatRecordText(leader + three +
                               "300000"
                               "\x1E" +
                               data),
              u"HEA    nam0 2299999   450 \r\n200 1_ ■a题名\r\n606 0_ ■aX\r\n001    X");
    // 30 characters: 2 entries; the trailing 6 are never read.
    EXPECT_EQ(formatRecordText(leader +
                               "200000900000"
                               "606000600009"
                               "001000"
                               "\x1E" +
                               data),
              u"HEA    nam0 2299999   450 \r\n200 1_ ■a题名\r\n606 0_ ■aX");
}

TEST(FormatRecordText, ShowsEveryFieldOfRecordsWithVeryLongDirectories)
{
    std::vector<FieldSpec> fields;
    for (int i = 0; i < 3000; ++i)
        fields.push_back({"300", u"  $a附注"});
    fields.push_back({"200", u"1 $a最后"});
    const std::u16string text = formatRecordText(assemble(fields));
    const std::u16string tail = u"\r\n200 1_ ■a最后";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    std::size_t lines = 0;
    for (std::size_t p = text.find(u"\r\n"); p != std::u16string::npos;
         p = text.find(u"\r\n", p + 1))
        ++lines;
    EXPECT_EQ(lines, 3001u);
}

TEST(FormatRecordText, KeepsDelimitersAfterInvalidGbkBytes)
{
    // A stray lead byte right before a delimiter must not eat the subfield that follows.
    const MarcRecord record = kOddLeader + "200000800000\x1E"
                                           "1 A\xC3\x1F"
                                           "aB\x1E\x1D";
    const std::u16string text = formatRecordText(record);
    const std::u16string tail = u"■aB";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}
