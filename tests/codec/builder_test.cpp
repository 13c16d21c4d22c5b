#include "codec_test_support.h"

using namespace bibliora;
using namespace bibliora::test;

namespace {

const BuildTime kNow{2024, 1, 31, 14, 30, 5};
const std::u16string kHeader = u"HEA    nam0 2200277   450 \r\n";
// The display of the 001 and 005 that a build at kNow generates.
const std::u16string kGenerated = u"001    01143005\r\n005    20240131143005.0";

MarcRecord build(std::u16string_view text)
{
    return buildIsoRecord(text, kNow);
}

// The field lines of a record's display text (everything after the header line).
std::u16string fieldLines(const MarcRecord& record)
{
    const std::u16string text = formatRecordText(record);
    const std::size_t eol = text.find(u"\r\n");
    return eol == std::u16string::npos ? std::u16string() : text.substr(eol + 2);
}

std::string directoryOf(const MarcRecord& record)
{
    const std::size_t ft = record.find('\x1E');
    return ft == std::string::npos || ft < 24 ? std::string() : record.substr(24, ft - 24);
}

} // namespace

TEST(BuildIsoRecord, BuildsTheWorkedExampleByteForByte)
{
    const std::u16string text = u"HEA    nam0 2200277   450 \r\n"
                                u"001    123\r\n"
                                u"200 1_ ■a题名■fAuthor\r\n"
                                u"606 0_ ■aSubject\r\n";
    const std::string expected = "00124nam0 2200073   450 "
                                 "001000400000"
                                 "005001700004"
                                 "200001700021"
                                 "606001200038"
                                 "\x1E"
                                 "123\x1E"
                                 "20240131143005.0\x1E"
                                 "1 \x1F"
                                 "a\xCC\xE2\xC3\xFB\x1F"
                                 "fAuthor\x1E"
                                 "0 \x1F"
                                 "aSubject\x1E"
                                 "\x1D";
    const BuildResult result = buildIsoRecordChecked(text, kNow);
    EXPECT_EQ(result.error, BuildError::None);
    EXPECT_EQ(result.record.size(), 124u);
    EXPECT_EQ(result.record, expected);
    EXPECT_EQ(buildIsoRecord(text, kNow), expected);
}

TEST(BuildIsoRecord, SavingAnUneditedRecordReproducesIt)
{
    const std::u16string text = u"HEA    cam0 2200000   450 \r\n"
                                u"001    CAL012345\r\n"
                                u"005    20230101120000.0\r\n"
                                u"010 __ ■a978-7-02-000220-7■dCNY25.00\r\n"
                                u"100 __ ■a20230101d2023    em y0chiy0110    ea\r\n"
                                u"200 1_ ■a红楼梦■f曹雪芹著■g高鹗续\r\n"
                                u"606 0_ ■a小说■y中国■z清代\r\n"
                                u"606 0_ ■a章回小说\r\n"
                                u"701 _0 ■a曹雪芹■f1715-1763\r\n";
    const MarcRecord first = build(text);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(std::u16string(fieldLines(first) + u"\r\n"), text.substr(kHeader.size()));
    EXPECT_EQ(build(formatRecordText(first) + u"\r\n"), first);
    EXPECT_EQ(lookupSubfield(first, u"200a"), u"红楼梦");
    EXPECT_EQ(lookupSubfield(first, u"701f"), u"1715-1763");
}

TEST(BuildIsoRecord, NeedsTwoLineBreaksAndNeverReadsTheTextAfterTheLastCr)
{
    EXPECT_EQ(build(u""), "");
    EXPECT_EQ(build(u"HEA    nam0 2200277   450 \r\n200 1_ ■a题名"), "");
    EXPECT_EQ(buildIsoRecordChecked(u"HEA    nam0\r\n", kNow).error, BuildError::TooFewLines);
    // Without the CR LF that save appends, the last line is lost.
    const MarcRecord cut = build(kHeader + u"200 1_ ■a题名\r\n606 0_ ■a主题");
    EXPECT_EQ(fieldLines(cut), u"001    01143005\r\n005    20240131143005.0\r\n200 1_ ■a题名");
    // Two line breaks and nothing else still make a record (fallback leader, generated fields).
    EXPECT_EQ(build(u"\r\n\r\n"), "00076nam0 2200049   45  "
                                  "001000900000"
                                  "005001700009"
                                  "\x1E"
                                  "01143005\x1E"
                                  "20240131143005.0\x1E"
                                  "\x1D");
}

TEST(BuildIsoRecord, TakesOnlyFiveLeaderCharactersFromTheText)
{
    // Positions 10-23 shown on the header line play no part.
    EXPECT_EQ(build(u"HEA    cam2a9911111xyz999 \r\n\r\n").substr(0, 24),
              "00076cam2a2200049   450 ");
    // "?" and "#" become blanks.
    EXPECT_EQ(build(u"HEA    ?am0#\r\n\r\n").substr(0, 24), "00076 am0 2200049   450 ");
    // Characters 8-12 count characters of the text, whatever line they fall on; one that is
    // not printable ASCII becomes a blank, so the leader stays 24 bytes.
    EXPECT_EQ(build(u"HEA    题m\r\n\r\n\r\n").substr(0, 24), "00076 m   2200049   450 ");
    EXPECT_EQ(build(u"HEA    n\r\n200 1_ ■a题\r\n").substr(0, 24), "00095n  202200061   450 ");
    // Fewer than 8 characters: the fallback leader.
    EXPECT_EQ(build(u"HEA\r\n\r\n").substr(0, 24), "00076nam0 2200049   45  ");
    // 8 to 11 characters: the missing positions are blanks.
    EXPECT_EQ(build(u"HEA    a\r\r").substr(0, 24), "00076a    2200049   450 ");
}

TEST(BuildIsoRecord, GeneratesMissingIdentifierAndTimestamp)
{
    const MarcRecord record = build(kHeader + u"200 1_ ■a题名\r\n");
    EXPECT_EQ(lookupSubfield(record, u"001a"), u"01143005");
    EXPECT_EQ(lookupSubfield(record, u"005a"), u"20240131143005.0");
    // Each clock part is two digits.
    const MarcRecord early =
        buildIsoRecord(kHeader + u"200 1_ ■a题名\r\n", BuildTime{987, 2, 3, 4, 5, 6});
    EXPECT_EQ(lookupSubfield(early, u"001a"), u"01040506");
    EXPECT_EQ(lookupSubfield(early, u"005a"), u"09870203040506.0");
    // A 005 that is there is kept as written; an empty 001 line writes an empty 001.
    const MarcRecord kept = build(kHeader + u"001\r\n005    19991231235959.0\r\n200 1_ ■a题名\r\n");
    EXPECT_EQ(directoryOf(kept), "001000100000"
                                 "005001700001"
                                 "200000900018");
    EXPECT_EQ(lookupSubfield(kept, u"005a"), u"19991231235959.0");
}

TEST(BuildIsoRecord, WritesControlFieldsFirstInFixedOrder)
{
    const MarcRecord all = build(kHeader + u"008    980101s1998    ch\r\n"
                                           u"005    20000101000000.0\r\n"
                                           u"003    中图\r\n"
                                           u"001    ID1\r\n"
                                           u"200 1_ ■a题名\r\n");
    // Starts: 0, then 001 + 1, then 001 + 003 + 2, then 001 + 003 + 005 + 3.
    EXPECT_EQ(directoryOf(all), "001000400000"
                                "003000500004"
                                "005001700009"
                                "008001800026"
                                "200000900044");
    EXPECT_EQ(fieldLines(all), u"001    ID1\r\n003    中图\r\n005    20000101000000.0\r\n"
                               u"008    980101s1998    ch\r\n200 1_ ■a题名");
}

TEST(BuildIsoRecord, TrimsControlValuesAndKeepsTheirSquares)
{
    const MarcRecord record = build(kHeader + u"001  ID  7  \r\n"
                                              u"008      1998    ch  \r\n"
                                              u"003    A■B\r\n");
    EXPECT_EQ(lookupSubfield(record, u"001x"), u"ID  7");
    EXPECT_EQ(formatRecordText(record).substr(kHeader.size()),
              u"001    ID  7\r\n003    A■B\r\n005    20240131143005.0\r\n008    1998    ch");
    // The square in a control field is the GBK character, not a subfield delimiter.
    EXPECT_NE(record.find("A\xA1\xF6"
                          "B\x1E"),
              std::string::npos);
}

TEST(BuildIsoRecord, StopsLookingForControlFieldsAfterTheFirstTagAbove100)
{
    // 100 does not stop the pass; 101 does.
    const MarcRecord after100 =
        build(kHeader + u"100 __ ■a20240101\r\n005    19990101000000.0\r\n");
    EXPECT_EQ(lookupSubfield(after100, u"005a"), u"19990101000000.0");
    EXPECT_EQ(lookupSubfield(after100, u"100a"), u"20240101");
    const MarcRecord after101 = build(kHeader + u"101 0_ ■achi\r\n005    19990101000000.0\r\n");
    EXPECT_EQ(lookupSubfield(after101, u"005a"), u"20240131143005.0");
    // A 001 below the 200 line is not seen: a generated 001 is written instead.
    const MarcRecord late = build(kHeader + u"200 1_ ■a题名\r\n001    LATE\r\n");
    EXPECT_EQ(lookupSubfield(late, u"001a"), u"01143005");
    EXPECT_EQ(fieldLines(late), u"001    01143005\r\n005    20240131143005.0\r\n200 1_ ■a题名");
    // Of two 001 lines the later wins; an empty one replaces the generated value.
    EXPECT_EQ(lookupSubfield(build(kHeader + u"001    A\r\n001    B\r\n200 1_ ■a题\r\n"), u"001a"),
              u"B");
    EXPECT_EQ(lookupSubfield(build(kHeader + u"001    A\r\n001   \r\n"), u"001a"), u"");
    // Lines that are no tag do not stop the pass.
    EXPECT_EQ(lookupSubfield(build(kHeader + u"注释\r\nZZZ\r\n\r\n001    X\r\n"), u"001a"), u"X");
}

TEST(BuildIsoRecord, LeavesOutLinesThatAreNoWritableField)
{
    const MarcRecord record =
        build(kHeader + u"002    two\r\n004    four\r\n006    six\r\n007    seven\r\n"
                        u"009    nine\r\n"
                        u"\r\n"
                        u"随便写的一行\r\n"
                        u"20 1_ ■ashort tag\r\n"
                        u"2a0 1_ ■aletter\r\n"
                        u"200 1_ ■a题名\r\n");
    EXPECT_EQ(fieldLines(record), u"001    01143005\r\n005    20240131143005.0\r\n200 1_ ■a题名");
}

TEST(BuildIsoRecord, WritesDataFieldsByTagKeepingTextOrderWithinATag)
{
    const MarcRecord record = build(kHeader + u"701 _0 ■a甲\r\n"
                                              u"606 0_ ■a一\r\n"
                                              u"690 __ ■aI247\r\n"
                                              u"606 0_ ■a二\r\n"
                                              u"200 1_ ■a题名\r\n"
                                              u"701 _0 ■a乙\r\n"
                                              u"010 __ ■a7-02\r\n");
    EXPECT_EQ(fieldLines(record),
              u"001    01143005\r\n005    20240131143005.0\r\n"
              u"010 __ ■a7-02\r\n200 1_ ■a题名\r\n606 0_ ■a一\r\n606 0_ ■a二\r\n"
              u"690 __ ■aI247\r\n701 _0 ■a甲\r\n701 _0 ■a乙");
}

TEST(BuildIsoRecord, ReadsIndicatorsFromColumnsFiveAndSix)
{
    // "_" means a blank in the indicator columns only; text before the first square is lost.
    const MarcRecord record = build(kHeader + u"200 1_ lost ■aTitle_x\r\n");
    EXPECT_EQ(directoryOf(record).substr(24), "200001200026");
    EXPECT_NE(record.find(std::string("1 \x1F"
                                      "aTitle_x\x1E")),
              std::string::npos);
    // Columns count characters: a Chinese indicator is one column.
    EXPECT_NE(build(kHeader + u"200 甲_ ■aT\r\n")
                  .find(gbk(u"甲") + " \x1F"
                                     "aT\x1E"),
              std::string::npos);
    // Missing indicators are blanks, so every data field has two.
    EXPECT_EQ(fieldLines(build(kHeader + u"200 ■a题名\r\n")), kGenerated + u"\r\n200 __ ■a题名");
    EXPECT_EQ(fieldLines(build(kHeader + u"200 1■a题名\r\n")), kGenerated + u"\r\n200 1_ ■a题名");
    EXPECT_EQ(fieldLines(build(kHeader + u"200■a题名\r\n")), kGenerated + u"\r\n200 __ ■a题名");
}

TEST(BuildIsoRecord, DropsDataFieldsOfFourCharactersOrFewer)
{
    const std::u16string& generated = kGenerated;
    // No square at all, a code without data, and blank indicators padded to the same.
    EXPECT_EQ(fieldLines(build(kHeader + u"200 1_ Title\r\n")), generated);
    EXPECT_EQ(fieldLines(build(kHeader + u"200 1_ ■a\r\n")), generated);
    EXPECT_EQ(fieldLines(build(kHeader + u"200 ■a\r\n")), generated);
    // The test counts characters, not bytes: a Chinese indicator does not make it longer.
    EXPECT_EQ(fieldLines(build(kHeader + u"200 甲_ ■a\r\n")), generated);
    // One character of data is enough.
    EXPECT_EQ(fieldLines(build(kHeader + u"200 1_ ■a题\r\n")), generated + u"\r\n200 1_ ■a题");
}

TEST(BuildIsoRecord, FailsOnAnEmptySubfield)
{
    for (const char16_t* line :
         {u"200 1_ ■a题名■\r\n", u"200 1_ ■■a题名\r\n", u"606 0_ ■a一■■b二\r\n", u"200 1_ ■\r\n"}) {
        const BuildResult result = buildIsoRecordChecked(kHeader + u"001    X\r\n" + line, kNow);
        EXPECT_EQ(result.record, "") << Gbk::toUtf8(line);
        EXPECT_EQ(result.error, BuildError::EmptySubfield) << Gbk::toUtf8(line);
        EXPECT_EQ(result.line, 3u) << Gbk::toUtf8(line);
    }
    // Also when another line of the same tag comes first.
    EXPECT_EQ(build(kHeader + u"606 0_ ■a一\r\n690 __ ■aX\r\n606 0_ ■a■\r\n"), "");
    // A square in a control field is only a character.
    EXPECT_NE(build(kHeader + u"001    ■\r\n"), "");
}

TEST(BuildIsoRecord, CountsChineseCharactersAsTwoBytes)
{
    const MarcRecord record = build(kHeader + u"001    编号\r\n"
                                              u"200 1_ ■a中文题名■f作者\r\n"
                                              u"606 0_ ■a主题\r\n");
    // 001: 4 + 1; 005: 17; 200: 2 + 2 + 8 + 2 + 4 + 1 = 19; 606: 2 + 2 + 4 + 1 = 9.
    EXPECT_EQ(directoryOf(record), "001000500000"
                                   "005001700005"
                                   "200001900022"
                                   "606000900041");
    const std::size_t expectedLength = 24 + 48 + 1 + 5 + 17 + 19 + 9 + 1;
    EXPECT_EQ(record.size(), expectedLength);
    EXPECT_EQ(record.substr(0, 5), "00124");
    EXPECT_EQ(record.substr(12, 5), "00073");
    EXPECT_EQ(lookupSubfield(record, u"606a"), u"主题");
}

TEST(BuildIsoRecord, DropsTerminatorsTypedIntoTheText)
{
    const MarcRecord record = build(kHeader + u"001    A\x1D"
                                              u"B\x1E"
                                              u"C\r\n"
                                              u"200 1_ ■a题\x1E"
                                              u"名\x1D\r\n");
    EXPECT_EQ(lookupSubfield(record, u"001a"), u"ABC");
    EXPECT_EQ(lookupSubfield(record, u"200a"), u"题名");
    EXPECT_EQ(record.find('\x1D'), record.size() - 1);
    EXPECT_EQ(directoryOf(record), "001000400000"
                                   "005001700004"
                                   "200000900021");
    // They are gone before the line is read: they take no indicator column, make no
    // subfield and keep no blank from being trimmed.
    EXPECT_EQ(fieldLines(build(kHeader + u"001    X \x1D\r\n606 0\x1D_ ■aY\r\n")),
              u"001    X\r\n005    20240131143005.0\r\n606 0_ ■aY");
    EXPECT_EQ(build(kHeader + u"200 1_ ■a题■\x1D\r\n"), "");
    EXPECT_EQ(fieldLines(build(kHeader + u"200 1_ ■a\x1E\r\n")), kGenerated);
}

TEST(BuildIsoRecord, FailsWhenANumberDoesNotFitItsField)
{
    const auto line = [](std::size_t dataBytes) {
        return u"200 1_ ■a" + std::u16string(dataBytes, u'x') + u"\r\n";
    };
    const std::u16string head = kHeader + u"001    1\r\n005    x\r\n";
    // A field of 9999 bytes fits; one of 10000 does not.
    EXPECT_EQ(directoryOf(build(head + line(9994))).substr(24), "200999900004");
    const BuildResult wide = buildIsoRecordChecked(head + line(9995), kNow);
    EXPECT_EQ(wide.record, "");
    EXPECT_EQ(wide.error, BuildError::TooLarge);
    // A record of 99999 bytes fits; one of 100000 does not. With 12 entries the base is 169,
    // the control fields take 4 bytes, ten 200 fields the remaining 99825.
    std::u16string text = head;
    for (int i = 0; i < 9; ++i)
        text += line(9978); // 9983 bytes each
    const MarcRecord largest = build(text + line(9973));
    ASSERT_EQ(largest.size(), 99999u);
    EXPECT_EQ(largest.substr(0, 5), "99999");
    EXPECT_EQ(largest.substr(12, 5), "00169");
    EXPECT_EQ(buildIsoRecordChecked(text + line(9974), kNow).error, BuildError::TooLarge);
    // Chinese data counts its bytes: 4998 characters make a field of 10001 bytes.
    EXPECT_EQ(build(head + u"200 1_ ■a" + std::u16string(4997, u'汉') + u"\r\n").size(), 10065u);
    EXPECT_EQ(build(head + u"200 1_ ■a" + std::u16string(4998, u'汉') + u"\r\n"), "");
}
