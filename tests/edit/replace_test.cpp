// Replacing: a record a replacement touches is written as its unedited save plus the change,
// every other byte as the save writes it; refused replacements change nothing; a record is
// left as it was when its replacement cannot be written.
#include "edit_test_support.h"

using namespace bibliora;
using namespace bibliora::edit;
using namespace bibliora::test;

namespace {

std::shared_ptr<const ReplaceChange> replacing(const std::u16string& find,
                                               const std::u16string& with,
                                               MatchMode mode = MatchMode::Contains,
                                               bool caseSensitive = true,
                                               const std::u16string& scope = u"")
{
    std::u16string error;
    auto change = ReplaceChange::create(matcherFor(find, mode, caseSensitive, scope), with, error);
    EXPECT_TRUE(change) << Gbk::toUtf8(error);
    return change;
}

std::u16string refusal(const std::u16string& find, const std::u16string& with,
                       MatchMode mode = MatchMode::Contains)
{
    std::u16string error;
    EXPECT_FALSE(ReplaceChange::create(matcherFor(find, mode), with, error)) << Gbk::toUtf8(with);
    return error;
}

// The directory deliberately out of tag order, and no 005.
const std::vector<support::IsoField> kFields = {{"001", gbk(u"B1")},
                                                {"200", gbk(u"1 $a红楼梦$f曹雪芹著$f高鹗续")},
                                                {"010", gbk(u"  $a978-7-02-000220-7$dCNY35.00")},
                                                {"606", gbk(u"0 $a小说$x研究")}};

std::vector<support::IsoField> with(std::vector<support::IsoField> fields, std::size_t i,
                                    std::string data)
{
    fields[i].data = std::move(data);
    return fields;
}

} // namespace

TEST(Replace, WritesTheSaveOfTheRecordWithTheNewValue)
{
    const MarcRecord r = record(kFields);
    const EditOutcome out = applied(*replacing(u"红楼梦", u"石头记"), r);
    ASSERT_TRUE(out.changed());
    EXPECT_EQ(out.changes, 1u);
    EXPECT_EQ(out.record, resaved(record(with(kFields, 1, gbk(u"1 $a石头记$f曹雪芹著$f高鹗续")))));
    // Every other field keeps its bytes; the save sorted them and added 005.
    const std::vector<support::IsoField> fields = fieldsOf(out.record);
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_EQ(fields[0], kFields[0]);
    EXPECT_EQ(fields[1].tag, "005");
    EXPECT_EQ(fields[2], kFields[2]);
    EXPECT_EQ(fields[3].data, gbk(u"1 $a石头记$f曹雪芹著$f高鹗续"));
    EXPECT_EQ(fields[4], kFields[3]);
}

TEST(Replace, ReplacesEveryMatchAndCountsTheValuesChanged)
{
    const MarcRecord r = record(kFields);
    // Two subfields of one field, three matches.
    EXPECT_EQ(applied(*replacing(u"著", u"撰"), r).changes, 1u);
    const EditOutcome both = applied(*replacing(u"[著续]", u"", MatchMode::Regex), r);
    EXPECT_EQ(both.changes, 2u);
    EXPECT_EQ(both.record, resaved(record(with(kFields, 1, gbk(u"1 $a红楼梦$f曹雪芹$f高鹗")))));
    // Only the scope, only whole values.
    EXPECT_EQ(applied(*replacing(u"7", u"X", MatchMode::Contains, true, u"010$d"), r).changes, 0u);
    const EditOutcome whole =
        applied(*replacing(u"小说", u"长篇小说", MatchMode::WholeSubfield, true, u"606$a"), r);
    EXPECT_EQ(whole.record, resaved(record(with(kFields, 3, gbk(u"0 $a长篇小说$x研究")))));
    EXPECT_EQ(applied(*replacing(u"小", u"大", MatchMode::WholeSubfield), r).changes, 0u);
    // Case ignored, and a replacement that leaves every value as it was is no change.
    EXPECT_EQ(applied(*replacing(u"cny", u"RMB", MatchMode::Contains, false), r).changes, 1u);
    const EditOutcome same = applied(*replacing(u"小说", u"小说"), r);
    EXPECT_FALSE(same.changed());
    EXPECT_TRUE(same.record.empty());
}

TEST(Replace, ExpandsGroupsOfAnExpression)
{
    const MarcRecord r = record(kFields);
    EXPECT_EQ(applied(*replacing(u"^(\\d+)-(\\d)-", u"$2/$1/", MatchMode::Regex), r).record,
              resaved(record(with(kFields, 2, gbk(u"  $a7/978/02-000220-7$dCNY35.00")))));
    EXPECT_EQ(
        applied(*replacing(u"(?<cur>CNY)(?<n>[\\d.]+)", u"${n} ${cur} $$", MatchMode::Regex), r)
            .record,
        resaved(record(with(kFields, 2, gbk(u"  $a978-7-02-000220-7$d") + "35.00 CNY $"))));
    // $ in a literal replacement is a dollar sign.
    EXPECT_EQ(applied(*replacing(u"CNY", u"$1"), r).record,
              resaved(record(with(kFields, 2, gbk(u"  $a978-7-02-000220-7$d") + "$135.00"))));
}

TEST(Replace, WritesInTheRecordsOwnEncoding)
{
    // A character code page 936 cannot hold is written as the builder writes it: "?".
    const MarcRecord r = record(kFields);
    EXPECT_EQ(applied(*replacing(u"小说", u"小説\U0001F4D6"), r).record,
              resaved(record(with(kFields, 3, gbk(u"0 $a小説?$x研究")))));
    // UTF-8 keeps it; MARC-8 writes a numeric character reference.
    const MarcRecord u8 =
        record({{"001", "U1"}, {"245", utf8(u"10$aAlpha$cBeta")}}, "00000nam a2200000 a 4500");
    const EditOutcome out8 = applied(*replacing(u"Beta", u"贝塔\U0001F4D6"), u8, Encoding::Utf8);
    EXPECT_EQ(fieldsOf(out8.record).back().data, utf8(u"10$aAlpha$c贝塔\U0001F4D6"));
    EXPECT_EQ(out8.record,
              resaved(record({{"001", "U1"}, {"245", utf8(u"10$aAlpha$c贝塔\U0001F4D6")}},
                             "00000nam a2200000 a 4500"),
                      Encoding::Utf8));
    const MarcRecord m8 = record({{"001", "M1"},
                                  {"245", "10\x1F"
                                          "aCaf\xE2"
                                          "e"}},
                                 "00000nam  2200000 a 4500");
    const EditOutcome outM =
        applied(*replacing(u"Cafe\u0301", u"Cafe\u0301 红\U0001F4D6"), m8, Encoding::Marc8);
    EXPECT_EQ(fieldsOf(outM.record).back().data, "10\x1F"
                                                 "aCaf\xE2"
                                                 "e \x1B$1'Pr\x1B(B&#x1F4D6;");
}

TEST(Replace, ReachesControlFieldsAndTheLeader)
{
    const MarcRecord r =
        record({{"001", gbk(u"B1")}, {"008", gbk(u"880101s1999    ch")}, {"200", gbk(u"1 $aT")}});
    EXPECT_EQ(
        applied(*replacing(u"1999", u"2000", MatchMode::Contains, true, u"008"), r).record,
        resaved(record(
            {{"001", gbk(u"B1")}, {"008", gbk(u"880101s2000    ch")}, {"200", gbk(u"1 $aT")}})));
    EXPECT_EQ(applied(*replacing(u"^nam", u"cam", MatchMode::Regex, true, u"LDR"), r).record,
              resaved(record(
                  {{"001", gbk(u"B1")}, {"008", gbk(u"880101s1999    ch")}, {"200", gbk(u"1 $aT")}},
                  "00000cam0 2200000   450 ")));
}

TEST(Replace, RefusesReplacementsThatWouldChangeTheStructure)
{
    for (const std::u16string with :
         {u"a■b",
          u"a\x1F"
          u"b",
          u"\x1E", u"\x1D", u"\r", u"\n", u"\u2800", u"\u28FF", u"x\u281Fy"})
        EXPECT_EQ(refusal(u"说", with).rfind(u"替换内容不能含有 ■", 0), 0u) << Gbk::toUtf8(with);
    EXPECT_FALSE(refusal(u"(说)", u"$2", MatchMode::Regex).empty());
    EXPECT_FALSE(refusal(u"(?<a>说)", u"${b}", MatchMode::Regex).empty());
    EXPECT_FALSE(refusal(u"说", u"x$", MatchMode::Regex).empty());
    EXPECT_FALSE(refusal(u"说", u"${1", MatchMode::Regex).empty());
    std::u16string error;
    EXPECT_TRUE(ReplaceChange::create(matcherFor(u"(说)", MatchMode::Regex), u"$1$$", error));
}

TEST(Replace, ARecordWhoseReplacementCannotBeWrittenIsLeftAsItWas)
{
    // A byte that is no character shows as its placeholder; copying it through a group would
    // put a placeholder into the text, which the save would write as a byte of structure.
    const MarcRecord r = record({{"200", gbk(u"1 $a天") + "\x81"}});
    const EditOutcome doubled = applied(*replacing(u"(.)$", u"$1$1", MatchMode::Regex), r);
    EXPECT_EQ(doubled.error, EditError::Structure);
    EXPECT_FALSE(doubled.changed());
    EXPECT_TRUE(doubled.record.empty());
    // Replacing around it keeps it, as a byte.
    const EditOutcome kept = applied(*replacing(u"天", u"地"), r);
    EXPECT_EQ(kept.record, resaved(record({{"200", gbk(u"1 $a地") + "\x81"}})));
    // Past 99,999 bytes.
    const MarcRecord big = record({{"200", "1 \x1F"
                                           "a" +
                                               std::string(9000, 'x')},
                                   {"300", "1 \x1F"
                                           "a" +
                                               std::string(9000, 'y')}});
    EXPECT_EQ(applied(*replacing(u"x", u"xxxxxxxxxxxx"), big).error, EditError::TooLarge);
    EXPECT_EQ(applied(*replacing(u"xx", u"x"), big).error, EditError::None);
    // An expression that runs away.
    const MarcRecord runaway = record({{"200", "1 \x1F"
                                               "a" +
                                                   std::string(5000, 'a') + "b"}});
    EXPECT_EQ(applied(*replacing(u"(a+)+$", u"", MatchMode::Regex), runaway).error,
              EditError::MatchLimit);
}

TEST(Replace, ARecordNotTouchedIsNotRebuilt)
{
    // A record whose save would change it (an empty subfield) is left alone when nothing in it
    // matches, and is still found and rebuilt where something does.
    const MarcRecord odd = record({{"200", gbk(u"1 $a红楼梦$")}, {"300", gbk(u"  $a附注")}});
    const EditOutcome none = applied(*replacing(u"西游记", u"X"), odd);
    EXPECT_EQ(none.changes, 0u);
    EXPECT_EQ(none.error, EditError::None);
    EXPECT_TRUE(none.record.empty());
    EXPECT_EQ(applied(*replacing(u"附注", u"X"), odd).error, EditError::EmptySubfield);
}

TEST(Replace, OneChangeServesSeveralThreads)
{
    const MarcRecord r = record(kFields);
    const auto change = replacing(u"(\\p{Han})著", u"$1撰", MatchMode::Regex);
    const MarcRecord expected = change->apply(r, Encoding::Gbk, kNow).record;
    ASSERT_FALSE(expected.empty());
    std::atomic<int> same{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 100; ++i)
                same += change->apply(r, Encoding::Gbk, kNow).record == expected ? 1 : 0;
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(same, 400);
}
