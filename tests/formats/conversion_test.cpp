#include "conversion.h"
#include "formats_test_support.h"
#include "isofilewriter.h"

using namespace bibliora;
using namespace bibliora::formats;
using namespace bibliora::test;

namespace {

std::string field100(std::string_view sets)
{
    return "  \x1F"
           "a20240131d2024    em y0chiy" +
           std::string(sets) + std::string(4 - sets.size(), ' ') + "  ea";
}

} // namespace

TEST(ConvertRecord, RebuildsInTheNewBytesAndSaysWhatEncodingTheyAre)
{
    const std::string title = "10\x1F"
                              "a" +
                              Gbk::encode(u"红楼梦");
    const MarcRecord cnmarc =
        support::assembleIso("99999nam0 2299999   450 ", {{"100", field100("50")}, {"200", title}},
                             support::LeaderLengths::AsGiven);
    MarcRecord utf8;
    ASSERT_EQ(convertRecord(cnmarc, Encoding::Gbk, Encoding::Utf8, utf8), Conversion::Done);
    EXPECT_EQ(utf8, support::assembleIso("00000nam0 2200000   450 ", {{"100", field100("50  ")},
                                                                      {"200", "10\x1F"
                                                                              "a红楼梦"}}));
    MarcRecord gbk;
    ASSERT_EQ(convertRecord(utf8, Encoding::Utf8, Encoding::Gbk, gbk), Conversion::Done);
    EXPECT_EQ(gbk, support::assembleIso("00000nam0 2200000   450 ",
                                        {{"100", field100("0120")}, {"200", title}}));

    const MarcRecord marc21 =
        support::assembleIso("00000nam  2200000   4500", {{"245", title}, {"008", "x"}});
    ASSERT_EQ(convertRecord(marc21, Encoding::Gbk, Encoding::Utf8, utf8), Conversion::Done);
    EXPECT_EQ(utf8.substr(9, 1), "a");
    ASSERT_EQ(convertRecord(utf8, Encoding::Utf8, Encoding::Gbk, gbk), Conversion::Done);
    EXPECT_EQ(gbk, marc21);

    // Five thousand Chinese characters fit a field in GBK, not in UTF-8.
    const MarcRecord large = support::assembleIso(
        "00000nam  2200000   4500", {{"245", "10\x1F"
                                             "a" +
                                                 Gbk::encode(std::u16string(4000, u'书'))}});
    EXPECT_EQ(convertRecord(large, Encoding::Gbk, Encoding::Utf8, utf8), Conversion::FieldTooLarge);
    EXPECT_EQ(convertRecord("not a record", Encoding::Gbk, Encoding::Utf8, utf8),
              Conversion::Unreadable);
}

TEST(UnholdableCharacters, NamesTheFieldsAndCharactersGbkCannotHold)
{
    const MarcRecord record =
        support::assembleIso("00000nam a2200000   4500", {{"245", "10\x1F"
                                                                  "a한국 红 한\xFF"},
                                                          {"500", "  \x1F"
                                                                  "a红楼梦"},
                                                          {"600", "  \x1F"
                                                                  "a😀"}});
    const std::vector<Unholdable> found =
        unholdableCharacters(record, Encoding::Utf8, Encoding::Gbk);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].tag, "245");
    EXPECT_EQ(found[0].characters, u"한국");
    EXPECT_EQ(found[1].tag, "600");
    EXPECT_EQ(found[1].characters, u"😀");
    EXPECT_TRUE(unholdableCharacters(record, Encoding::Utf8, Encoding::Utf8).empty());

    IsoFileWriter writer(false, Encoding::Gbk);
    const std::string out = writeAll(writer, {{record, Encoding::Utf8}});
    EXPECT_EQ(writer.counts().placeholders, 1u);
    EXPECT_EQ(partsOf(out)[0].data, "10\x1F"
                                    "a?? " +
                                        Gbk::encode(u"红") + " ?\xFF");
}

TEST(IsoFileWriter, WritesRecordsOneALineOrBackToBack)
{
    const MarcRecord a = support::assembleIso("00000nam  2200000   4500", {{"001", "1"}});
    const MarcRecord unterminated = a.substr(0, a.size() - 1);
    IsoFileWriter lines(true, std::nullopt);
    EXPECT_EQ(writeAll(lines, {{a, Encoding::Gbk}, {unterminated, Encoding::Gbk}}),
              a + "\r\n" + a + "\r\n");
    IsoFileWriter standard(false, std::nullopt);
    EXPECT_EQ(writeAll(standard, {{a, Encoding::Gbk}, {unterminated, Encoding::Utf8}}), a + a);
}
