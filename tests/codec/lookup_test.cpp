#include "codec_test_support.h"

using namespace bibliora;
using namespace bibliora::test;

namespace {

const std::vector<FieldSpec> kNovel = {
    {"001", u"0100001"},
    {"005", u"20240131143005.0"},
    {"010", u"  $a978-7-02-000220-7$dCNY25.00"},
    {"200", u"1 $a红楼梦$f曹雪芹著"},
    {"606", u"0 $a小说$y中国$z清代"},
};

} // namespace

TEST(LookupSubfield, FindsChineseValuesByGbkByteOffsets)
{
    const MarcRecord record = assemble(kNovel);
    EXPECT_EQ(lookupSubfield(record, u"200a"), u"红楼梦");
    EXPECT_EQ(lookupSubfield(record, u"200f"), u"曹雪芹著");
    // 606 starts behind the Chinese 200 field: its start counts two bytes per character.
    EXPECT_EQ(lookupSubfield(record, u"606a"), u"小说");
    EXPECT_EQ(lookupSubfield(record, u"606z"), u"清代");
    EXPECT_EQ(lookupSubfield(record, u"010a"), u"978-7-02-000220-7");
    EXPECT_EQ(lookupSubfield(record, u"010d"), u"CNY25.00");
}

TEST(LookupSubfield, TakesTheBaseFromTheFirstFieldTerminatorNotTheLeader)
{
    // Record length and base address in the leader are wrong on purpose (kOddLeader).
    EXPECT_EQ(lookupSubfield(assemble(kNovel), u"200a"), u"红楼梦");
    EXPECT_EQ(lookupSubfield(assemble(kNovel, "00000nam0 2200000   450 "), u"200a"), u"红楼梦");
}

TEST(LookupSubfield, ReturnsControlFieldsWholeWhateverTheCode)
{
    const MarcRecord record = assemble(kNovel);
    EXPECT_EQ(lookupSubfield(record, u"001a"), u"0100001");
    EXPECT_EQ(lookupSubfield(record, u"001 "), u"0100001");
    EXPECT_EQ(lookupSubfield(record, u"005x"), u"20240131143005.0");
    // Other control fields are searched for subfields like any field, and have none.
    const MarcRecord with008 = assemble({{"001", u"1"}, {"008", u"040101s2004    ch"}});
    EXPECT_EQ(lookupSubfield(with008, u"008a"), u"");
}

TEST(LookupSubfield, AcceptsOnlyFourCharacterSpecs)
{
    const MarcRecord record = assemble(kNovel);
    EXPECT_EQ(lookupSubfield(record, u""), u"");
    EXPECT_EQ(lookupSubfield(record, u"200"), u"");
    EXPECT_EQ(lookupSubfield(record, u"200aa"), u"");
    EXPECT_EQ(lookupSubfield("", u"200a"), u"");
}

TEST(LookupSubfield, MatchesTagAndCodeExactly)
{
    const MarcRecord record = assemble({{"200", u"1 $a题名$Ab"}});
    EXPECT_EQ(lookupSubfield(record, u"200a"), u"题名");
    EXPECT_EQ(lookupSubfield(record, u"200A"), u"b");
    EXPECT_EQ(lookupSubfield(record, u"20 a"), u"");
    EXPECT_EQ(lookupSubfield(assemble({{"200", u"1 $A题名"}}), u"200a"), u"");
}

TEST(LookupSubfield, SearchesRepeatedFieldsAndStopsAtTheFirstMatchingSubfield)
{
    // The first 200 has no $a: the second 200 is searched.
    EXPECT_EQ(lookupSubfield(assemble({{"200", u"1 $f著者"}, {"200", u"1 $a第二"}}), u"200a"),
              u"第二");
    // Two $a in one field: the first wins.
    EXPECT_EQ(lookupSubfield(assemble({{"200", u"1 $aFirst$aSecond"}}), u"200a"), u"First");
    // An empty first $a ends the search, even with a later non-empty $a.
    EXPECT_EQ(lookupSubfield(assemble({{"200", u"1 $a$f著"}, {"200", u"1 $a第二"}}), u"200a"), u"");
    EXPECT_EQ(lookupSubfield(assemble({{"200", u"1 $a$a第二"}}), u"200a"), u"");
    // An empty piece (two delimiters in a row) has no code and is passed over.
    EXPECT_EQ(lookupSubfield(assemble({{"200", u"1 $$a题"}}), u"200a"), u"题");
}

TEST(LookupSubfield, ReturnsTheValueUntrimmed)
{
    const MarcRecord record = assemble({{"200", u"1 $a  红楼梦 : 新版 / $f曹雪芹"}});
    EXPECT_EQ(lookupSubfield(record, u"200a"), u"  红楼梦 : 新版 / ");
}

TEST(LookupSubfield, GivesNothingForUnreadableRecords)
{
    const std::string leader = kOddLeader;
    const std::string field = "1 \x1F"
                              "a" +
                              gbk(u"题名") + "\x1E";
    // No field terminator at all.
    EXPECT_EQ(lookupSubfield(leader + "200001100000", u"200a"), u"");
    // A field terminator before the 25th character.
    EXPECT_EQ(lookupSubfield("0123\x1E" + leader + "200001100000\x1E" + field, u"200a"), u"");
    // A directory of 23 characters: not a multiple of 12, even though the 200 entry is whole.
    EXPECT_EQ(lookupSubfield(leader + "200000900000" + "60000090000" + "\x1E" + field, u"200a"),
              u"");
    // A matching entry whose length or start is not a number.
    EXPECT_EQ(lookupSubfield(leader + "2000x0900000\x1E" + field, u"200a"), u"");
    EXPECT_EQ(lookupSubfield(leader + "20000090000y\x1E" + field, u"200a"), u"");
    // ... but a broken entry of another tag is never read.
    EXPECT_EQ(lookupSubfield(leader + "606xxxxyyyyy200000900000\x1E" + field, u"200a"), u"题名");
}

TEST(LookupSubfield, ClipsFieldsAtTheEndOfTheRecord)
{
    const std::string leader = kOddLeader;
    // Length beyond the record's end: the bytes that exist are used.
    EXPECT_EQ(lookupSubfield(leader + "200999900000\x1E"
                                      "1 \x1F"
                                      "aAB",
                             u"200a"),
              u"AB");
    // A start beyond the end gives nothing, and the next 200 is still searched.
    EXPECT_EQ(lookupSubfield(leader + "200000509999200000700000\x1E"
                                      "1 \x1F"
                                      "aCD\x1E\x1D",
                             u"200a"),
              u"CD");
}

TEST(LookupSubfield, RemovesFieldTerminatorsFromTheFieldText)
{
    // A length reaching into the next field: the terminator between them is dropped and
    // the value runs on into the next field's bytes.
    const std::string leader = kOddLeader;
    const std::string data = "1 \x1F"
                             "aAB\x1E"
                             "0 \x1F"
                             "bCD\x1E";
    EXPECT_EQ(lookupSubfield(leader + "200001300000\x1E" + data, u"200a"), u"AB0 ");
    EXPECT_EQ(lookupSubfield(leader + "200001300000\x1E" + data, u"200b"), u"CD");
    EXPECT_EQ(lookupSubfield(leader + "001000700000\x1E"
                                      "12\x1E"
                                      "34\x1E",
                             u"0010"),
              u"1234");
}

TEST(LookupSubfield, ReadsRecordsWhoseDirectoryIsLongerThan32767Bytes)
{
    std::vector<FieldSpec> fields;
    for (int i = 0; i < 3000; ++i)
        fields.push_back({"300", u"  $a附注" + std::u16string(1, char16_t(u'0' + i % 10))});
    fields.push_back({"200", u"1 $a最后的题名"});
    const MarcRecord record = assemble(fields);
    ASSERT_GT(record.find('\x1E'), 32767u);
    EXPECT_EQ(lookupSubfield(record, u"200a"), u"最后的题名");
    EXPECT_EQ(lookupSubfield(record, u"300a"), u"附注0");
}
