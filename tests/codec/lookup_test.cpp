#include "codec_test_support.h"

using namespace bibliora;
using namespace bibliora::test;

TEST(LookupSubfield, FindsValuesByGbkByteOffsets)
{
    // 606 and 008 start behind Chinese text: their starts count two bytes per character.
    const MarcRecord novel = assemble({{"001", u"0100001"},
                                       {"005", u"20240131143005.0"},
                                       {"200", u"1 $a红楼梦$f曹雪芹著"},
                                       {"606", u"0 $a小说$y中国"},
                                       {"008", u"9801"}});
    const TextCases cases = {
        {u"200a", u"红楼梦"},
        {u"200f", u"曹雪芹著"},
        {u"606y", u"中国"},
        {u"001a", u"0100001"},
        {u"005 ", u"20240131143005.0"}, // whole field, code ignored
        {u"008a", u""},                 // no subfields in other 00x
        {u"606Y", u""},                 // codes are case-sensitive
        {u"200", u""},
        {u"200aa", u""},
    };
    for (const auto& [spec, value] : cases)
        EXPECT_EQ(lookupSubfield(novel, spec), value) << Gbk::toUtf8(spec);
}

TEST(LookupSubfield, TakesTheFirstSubfieldOfTheFirstFieldThatHasOneBehindTheFirstTerminator)
{
    // The leader's record length and base address are never used.
    const std::u16string leader = u"00000nam0 2200000   450 ";
    const std::pair<MarcRecord, std::u16string> cases[] = {
        {assemble({{"200", u"1 $f著者"}, {"200", u"1 $a第二"}}), u"第二"},
        {assemble({{"200", u"1 $a第一$a第二"}}), u"第一"},
        {assemble({{"200", u"1 $a$f著"}, {"200", u"1 $a第二"}}), u""}, // an empty $a ends it
        {assemble({{"200", u"1 $a  红楼梦 / "}}), u"  红楼梦 / "},     // not trimmed
        {gbk(leader + u"200000900000^1 $a题名^"), u"题名"},
        {gbk(leader + u"200000509999200000900000^1 $a题名^"), u"题名"}, // first 200 past the end
        {gbk(leader + u"200000900000"), u""},                           // no field terminator
        {gbk(u"0123^" + leader + u"200000900000^1 $a题名^"), u""}, // terminator inside the leader
        {gbk(leader + u"20000090000060000090000^1 $a题名^"), u""}, // 23 characters of directory
        {gbk(leader + u"2000x0900000^1 $a题名^"), u""},            // length not a number
        {gbk(leader + u"200 009    0^1 $a题名^"), u"题名"}, // numbers with blanks around them
        {gbk(leader + u"2000 0900000^1 $a题名^"), u""},     // a blank inside a number
    };
    for (const auto& [record, value] : cases)
        EXPECT_EQ(lookupSubfield(record, u"200a"), value) << record;
}

TEST(RowTextsFor, PrefersCnmarcTitleAndTheFirstStandardNumberInOrder)
{
    const RowTexts row = rowTextsFor(12, assemble({{"245", u"10$a后备"},
                                                   {"011", u"  $a1000-0000"},
                                                   {"200", u"1 $a首选"},
                                                   {"010", u"  $a7-5000"}}));
    EXPECT_EQ(row.sequence + u" " + row.title + u" " + row.standardNumber, u"12 首选 7-5000");
    // No 200 $a: the 245 $a. An empty 010 $a gives way to the next number in line.
    const RowTexts marc21 = rowTextsFor(1, assemble({{"200", u"1 $f著"},
                                                     {"245", u"10$a后备"},
                                                     {"010", u"  $a$dCNY9"},
                                                     {"016", u"7 $aISRC"},
                                                     {"091", u"  $a统一书号"}}));
    EXPECT_EQ(marc21.title + u" " + marc21.standardNumber, u"后备 统一书号");
}
