#include "formats_test_support.h"
#include "marcxmlwriter.h"

using namespace bibliora;
using namespace bibliora::formats;
using namespace bibliora::test;

TEST(MarcXmlWriter, WritesWhatXmlCannotCarryAsWhatReadsBackToTheSameBytes)
{
    // CR and LF, a control character, a Braille pattern of the record's own, bytes that are no
    // UTF-8, markup characters, text before the first subfield, a missing indicator.
    const std::vector<support::IsoField> fields = {
        {"001", "a\rb\nc\x01"
                "d"},
        {"245", "10\x1F"
                "a<&>\"\xE2\xA0\x81\xFF\xC3\x1F"
                "b\t"},
        {"500", "  text\x1F"
                "aafter"},
        {"650", "0"},
    };
    const MarcRecord record = support::assembleIso("00000nam a2200000   4500", fields);
    MarcXmlWriter writer;
    const std::string xml = writeAll(writer, {{record, Encoding::Utf8}});
    EXPECT_NE(xml.find("a&#13;b\nc\xE2\xA0\x81"
                       "d"),
              std::string::npos)
        << xml;
    EXPECT_EQ(writer.counts().placeholders, 1u);
    EXPECT_EQ(writer.counts().outsideSchema, 1u);
    const ReadResult back = readAll(xml);
    ASSERT_EQ(back.records.size(), 1u) << back.error;
    EXPECT_EQ(partsOf(back.records[0].first), partsOf(record));
}

TEST(MarcXmlWriter, GivesMarc21ItsUnicodeLeaderAndCountsRecordsOutsideTheSchema)
{
    const MarcRecord gbk =
        support::assembleIso("01234nam  2201234   450 ", {{"008", "240131s2024"},
                                                          {"245", "10\x1F"
                                                                  "a" +
                                                                      Gbk::encode(u"红楼梦")},
                                                          {"246", "-0\x1F"
                                                                  "ax"}});
    MarcXmlWriter writer;
    const std::string xml = writeAll(writer, {{gbk, Encoding::Gbk}});
    const std::string leader =
        support::assembleIso("00000nam a2200000   4500", {{"008", "240131s2024"},
                                                          {"245", "10\x1F"
                                                                  "a红楼梦"},
                                                          {"246", "-0\x1F"
                                                                  "ax"}})
            .substr(0, 24);
    EXPECT_NE(xml.find("<leader>" + leader + "</leader>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("红楼梦"), std::string::npos);
    EXPECT_EQ(writer.counts().outsideSchema, 1u);
    EXPECT_EQ(writer.counts().written, 1u);
}
