#include "codec_test_support.h"
#include "fuzzchecks.h"

using namespace bibliora;
using namespace bibliora::test;

namespace {

const std::u16string kHeader = u"HEA    nam0 2200277   450 \r\n";
const std::u16string kGenerated = u"001    01143005\r\n005    20240131143005.0";

MarcRecord build(const std::u16string& text)
{
    return buildIsoRecord(text, kNow);
}

// The field lines shown for the record that the given lines under kHeader build into.
std::u16string rebuilt(const std::u16string& lines)
{
    const std::u16string text = formatRecordText(build(kHeader + lines));
    const std::size_t eol = text.find(u"\r\n");
    return eol == std::u16string::npos ? u"(no record)" : text.substr(eol + 2);
}

} // namespace

TEST(BuildIsoRecord, TakesFiveLeaderCharactersFromTheText)
{
    // Generated 001 and 005 only: 76 bytes, base 49. Positions 10-23 of the header play no
    // part; "?" and "#" become blanks; a text under 8 characters gets the fallback stem.
    EXPECT_EQ(build(u"HEA    cam2a9911111 xyz\r\n\r\n").substr(0, 24), "00076cam2a2200049 xy450 ");
    EXPECT_EQ(build(u"HEA    ?am0#\r\n\r\n").substr(0, 24), "00076 am0 2200049   450 ");
    EXPECT_EQ(build(u"HEA\r\n\r\n").substr(0, 24), "00076nam0 2200049   45  ");
}

TEST(BuildIsoRecord, WritesControlFieldsBeforeDataFieldsByTagWithTwoIndicatorsAndSomeContent)
{
    const TextCases cases = {
        // Control fields: none given, 001 and 005 come from the clock.
        {u"200 1_ ■a题名\r\n", kGenerated + u"\r\n200 1_ ■a题名"},
        // A 005 given is kept; 100 does not end the search, values are trimmed.
        {u"008  新 \r\n001    编号\r\n100 __ ■a2024\r\n005    19991231235959.0\r\n",
         u"001    编号\r\n005    19991231235959.0\r\n008    新\r\n100 __ ■a2024"},
        // 101 does end it.
        {u"101 0_ ■achi\r\n005    19991231235959.0\r\n001    迟\r\n",
         kGenerated + u"\r\n101 0_ ■achi"},
        // 006 and 007 repeat: every line is written, in text order; for the other control
        // tags the last line wins.
        {u"007    sd fsngnnmmned\r\n003    A\r\n007    cr unu\r\n003    B\r\n006    a\r\n",
         u"001    01143005\r\n003    B\r\n005    20240131143005.0\r\n006    a\r\n"
         u"007    sd fsngnnmmned\r\n007    cr unu"},
        // A line typed another way is still trimmed; 002 and 004 without a value are left out.
        {u"001 123 \r\n002\r\n004    \r\n008  x  \r\n200 1_ ■aT\r\n",
         u"001    123\r\n005    20240131143005.0\r\n008    x\r\n200 1_ ■aT"},
        // Data fields: every line of a tag, tags ascending, text order within a tag.
        {u"606 0_ ■a小说\r\n690 __ ■aI247\r\n606 0_ ■a中国\r\n200 1_ ■a红楼梦\r\n",
         kGenerated + u"\r\n200 1_ ■a红楼梦\r\n606 0_ ■a小说\r\n606 0_ ■a中国\r\n690 __ ■aI247"},
        // Missing indicators are blanks; an indicator is one byte, so a Chinese one is a "?".
        {u"200 ■a题名\r\n606 0■a主题\r\n606 中_ ■a主题\r\n",
         kGenerated + u"\r\n200 __ ■a题名\r\n606 0_ ■a主题\r\n606 ?_ ■a主题"},
        // A subfield code is one byte: one given as a byte that would make a character with
        // the value's first byte is a "?".
        {u"300 __ ■\u2881@ xyz\r\n", kGenerated + u"\r\n300 __ ■?@ xyz"},
        // Content of 4 characters or fewer (counted as characters), 009 and free text: left out.
        {u"200 1_ 题名\r\n200 1_ ■a\r\n200 ■a\r\n200 甲_ ■a\r\n009    九\r\n随便\r\n", kGenerated},
    };
    for (const auto& [lines, fields] : cases)
        EXPECT_EQ(rebuilt(lines), fields) << Gbk::toUtf8(lines);
}

TEST(BuildIsoRecord, AnUneditedSaveKeepsEveryRepeatedControlField)
{
    // A sound recording described twice in 007 (disc and remote file), as MARC 21 allows.
    const MarcRecord record =
        support::assembleIso("00000cjm  2200000 a 4500", {{"001", "2019567890"},
                                                          {"005", "20190101120000.0"},
                                                          {"007", "sd fsngnnmmned"},
                                                          {"007", "cr unu"},
                                                          {"008", std::string(40, '|')},
                                                          {"245", "00\037aArias."}});
    EXPECT_EQ(fieldsOf(support::save(record)), fieldsOf(record));
}

TEST(BuildIsoRecord, FailsRatherThanWriteABrokenRecord)
{
    // An empty subfield anywhere, or fewer than two line breaks.
    EXPECT_EQ(rebuilt(u"200 1_ ■a题名■\r\n"), u"(no record)");
    EXPECT_EQ(rebuilt(u"606 0_ ■a一\r\n690 __ ■aX\r\n606 0_ ■a■■b\r\n"), u"(no record)");
    // The delimiter's placeholder ends a subfield as "■" does (the display shows its byte so):
    // given as a code, it leaves an empty subfield before it.
    EXPECT_EQ(rebuilt(u"300 __ ■\u281Ftle\r\n"), u"(no record)");
    EXPECT_EQ(build(u"HEA    nam0 2200277   450 \r\n200 1_ ■a题名"), "");
    // Numbers too wide: a field of 9999 bytes fits, one of 10000 does not ...
    const auto line = [](const std::u16string& data) { return u"200 1_ ■a" + data + u"\r\n"; };
    const std::u16string han(4997, u'汉');
    EXPECT_NE(build(kHeader + line(han)), "");
    EXPECT_EQ(buildIsoRecordChecked(kHeader + line(u"x" + han), kNow).error, BuildError::TooLarge);
    // ... and a record of 99999 bytes fits, one of 100000 does not (base 169, control fields
    // 4 bytes, nine fields of 9983 bytes and a tenth).
    std::u16string text = kHeader + u"001    1\r\n005    x\r\n";
    for (int i = 0; i < 9; ++i)
        text += line(std::u16string(9978, u'x'));
    EXPECT_EQ(build(text + line(std::u16string(9973, u'x'))).substr(0, 5), "99999");
    EXPECT_EQ(buildIsoRecordChecked(text + line(std::u16string(9974, u'x')), kNow).error,
              BuildError::TooLarge);
}
