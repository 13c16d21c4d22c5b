// Batch changes: fields added in tag order (or only where missing), fields deleted by tag or
// range (or only where a subfield matches), indicators set; each record written as its save
// plus the change, each untouched record left alone.
#include "edit_test_support.h"

using namespace bibliora;
using namespace bibliora::edit;
using namespace bibliora::test;

namespace {

const std::vector<support::IsoField> kFields = {
    {"001", gbk(u"B1")},         {"005", gbk(u"20240101000000.0")},
    {"200", gbk(u"1 $a红楼梦")}, {"905", gbk(u"  $aXJTU$b书库")},
    {"906", gbk(u"  $aCN")},     {"999", gbk(u"  $z1")}};

std::shared_ptr<const AddFieldChange> adding(const std::u16string& line, bool ifMissing = false)
{
    std::u16string error;
    auto change = AddFieldChange::create(line, ifMissing, error);
    EXPECT_TRUE(change) << Gbk::toUtf8(error);
    return change;
}

std::shared_ptr<const DeleteFieldChange>
deleting(const std::u16string& tags, std::optional<DeleteFieldChange::Condition> condition = {})
{
    std::u16string error;
    auto change = DeleteFieldChange::create(tags, std::move(condition), error);
    EXPECT_TRUE(change) << Gbk::toUtf8(error);
    return change;
}

std::shared_ptr<const IndicatorChange> indicators(const std::u16string& tag,
                                                  const std::u16string& values)
{
    std::u16string error;
    auto change = IndicatorChange::create(tag, values, error);
    EXPECT_TRUE(change) << Gbk::toUtf8(error);
    return change;
}

std::vector<support::IsoField> without(std::vector<support::IsoField> fields,
                                       std::initializer_list<std::size_t> gone)
{
    for (auto i = std::rbegin(gone); i != std::rend(gone); ++i)
        fields.erase(fields.begin() + static_cast<std::ptrdiff_t>(*i));
    return fields;
}

std::vector<support::IsoField> inserted(std::vector<support::IsoField> fields, std::size_t at,
                                        support::IsoField field)
{
    fields.insert(fields.begin() + static_cast<std::ptrdiff_t>(at), std::move(field));
    return fields;
}

} // namespace

TEST(AddField, AddsTheFieldAfterItsTagAndBeforeGreaterTags)
{
    const MarcRecord r = record(kFields);
    const EditOutcome out = applied(*adding(u"905 __ ■aXJTU■b阅览室"), r);
    EXPECT_EQ(out.changes, 1u);
    EXPECT_EQ(out.record, resaved(record(inserted(kFields, 4, {"905", gbk(u"  $aXJTU$b阅览室")}))));
    EXPECT_EQ(applied(*adding(u"300 __ ■a附注"), r).record,
              resaved(record(inserted(kFields, 3, {"300", gbk(u"  $a附注")}))));
    // In UTF-8, the field's bytes are UTF-8.
    const MarcRecord u8 = record({{"001", "U1"}, {"245", utf8(u"10$aAlpha")}});
    EXPECT_EQ(
        applied(*adding(u"246 3_ ■a阿尔法"), u8, Encoding::Utf8).record,
        resaved(record({{"001", "U1"}, {"245", utf8(u"10$aAlpha")}, {"246", utf8(u"3 $a阿尔法")}}),
                Encoding::Utf8));
    // A control field before the first greater tag: a 003 is added, a 001 replaced.
    EXPECT_EQ(applied(*adding(u"003    CN-XJTU"), r).record,
              resaved(record(inserted(kFields, 1, {"003", gbk(u"CN-XJTU")}))));
    std::vector<support::IsoField> renumbered = kFields;
    renumbered[0].data = gbk(u"B2");
    EXPECT_EQ(applied(*adding(u"001    B2"), r).record, resaved(record(renumbered)));
}

TEST(AddField, OnlyWhereMissingLeavesRecordsWithTheTagAlone)
{
    const EditOutcome present = applied(*adding(u"905 __ ■aX", true), record(kFields));
    EXPECT_FALSE(present.changed());
    EXPECT_TRUE(present.record.empty());
    const MarcRecord lacking = record(without(kFields, {3}));
    EXPECT_EQ(applied(*adding(u"905 __ ■aX", true), lacking).record,
              resaved(record(inserted(without(kFields, {3}), 3, {"905", gbk(u"  $aX")}))));
}

TEST(AddField, RefusesLinesThatMakeNoField)
{
    for (const std::u16string& line : std::vector<std::u16string>{
             u"", u"90 __ ■aX", u"HEA    nam", u"000 __ ■aX", u"905 __ ■■bX", u"905 __ ■aX■",
             u"905 __ ", u"905 __ ■a", u"003    ", u"905 __ ■aX\r\n906 __ ■aY",
             u"905 __ ■a" + std::u16string(10000, u'x')}) {
        std::u16string error;
        EXPECT_FALSE(AddFieldChange::create(line, false, error)) << Gbk::toUtf8(line);
        EXPECT_FALSE(error.empty());
    }
}

TEST(DeleteField, DeletesATagOrARange)
{
    const MarcRecord r = record(kFields);
    EXPECT_EQ(applied(*deleting(u"905"), r).record, resaved(record(without(kFields, {3}))));
    const EditOutcome range = applied(*deleting(u"9XX"), r);
    EXPECT_EQ(range.changes, 3u);
    EXPECT_EQ(range.record, resaved(record(without(kFields, {3, 4, 5}))));
    EXPECT_EQ(applied(*deleting(u"90x"), r).record, resaved(record(without(kFields, {3, 4}))));
    EXPECT_EQ(applied(*deleting(u"300"), r).changes, 0u);
    // 005 is generated again by the save, with the time of the change.
    const EditOutcome stamp = applied(*deleting(u"005"), r);
    EXPECT_EQ(fieldsOf(stamp.record)[1], (support::IsoField{"005", "20240131143005.0"}));
    std::u16string error;
    for (const std::u16string tags : {u"90", u"9XXX", u"9 X", u""})
        EXPECT_FALSE(DeleteFieldChange::create(tags, std::nullopt, error)) << Gbk::toUtf8(tags);
}

TEST(DeleteField, DeletesOnlyWhereASubfieldMatches)
{
    const std::vector<support::IsoField> fields = {{"001", gbk(u"B1")},
                                                   {"905", gbk(u"  $aXJTU$b书库")},
                                                   {"905", gbk(u"  $aPKU$bXJTU")},
                                                   {"905", gbk(u"  $axjtu")}};
    const MarcRecord r = record(fields);
    const auto where = [](const std::u16string& text, MatchMode mode, bool caseSensitive) {
        return DeleteFieldChange::Condition{u'a', matcherFor(text, mode, caseSensitive)};
    };
    // Only the first: $a exactly XJTU (the second has XJTU in $b, the third in lower case).
    const EditOutcome exact =
        applied(*deleting(u"905", where(u"XJTU", MatchMode::WholeSubfield, true)), r);
    EXPECT_EQ(exact.changes, 1u);
    EXPECT_EQ(exact.record, resaved(record(without(fields, {1}))));
    EXPECT_EQ(applied(*deleting(u"9XX", where(u"^xjtu$", MatchMode::Regex, false)), r).record,
              resaved(record(without(fields, {1, 3}))));
    EXPECT_EQ(applied(*deleting(u"905", where(u"清华", MatchMode::Contains, true)), r).changes, 0u);
}

TEST(Indicators, SetsEveryFieldOfTheTagThatDiffers)
{
    const std::vector<support::IsoField> fields = {{"001", gbk(u"B1")},
                                                   {"200", gbk(u"1 $a红楼梦")},
                                                   {"702", gbk(u" 0$a曹雪芹")},
                                                   {"702", gbk(u"1 $a高鹗")}};
    const MarcRecord r = record(fields);
    const EditOutcome out = applied(*indicators(u"702", u"_1"), r);
    EXPECT_EQ(out.changes, 2u);
    std::vector<support::IsoField> expected = fields;
    expected[2].data = gbk(u" 1$a曹雪芹");
    expected[3].data = gbk(u" 1$a高鹗");
    EXPECT_EQ(out.record, resaved(record(expected)));
    EXPECT_EQ(applied(*indicators(u"702", u" 1"), record(expected)).changes, 0u);
    EXPECT_EQ(applied(*indicators(u"200", u"1 "), r).changes, 0u);
    std::u16string error;
    for (const auto& [tag, values] : {std::pair{u"008", u"1 "}, std::pair{u"20", u"1 "},
                                      std::pair{u"200", u"1"}, std::pair{u"200", u"1\t"}})
        EXPECT_FALSE(IndicatorChange::create(tag, values, error));
}

TEST(Changes, LeaveRecordsTheyDoNotTouchAsTheyWere)
{
    // Records an unedited save would change: fields out of order, an empty subfield, a stray
    // terminator; in MARC-8. None is rebuilt by a change that does not touch it.
    const std::vector<MarcRecord> records = {
        record({{"905", gbk(u"  $aX")}, {"200", gbk(u"1 $a红楼梦$")}}),
        record({{"200", gbk(u"1 $a红^楼梦")}}),
        record({{"245", "10\x1F"
                        "aCaf\xE2"
                        "e"}},
               "00000nam  2200000 a 4500"),
        std::string("garbage\x1D")};
    std::u16string error;
    const auto none = ReplaceChange::create(matcherFor(u"西游记"), u"X", error);
    for (const MarcRecord& r : records) {
        EXPECT_EQ(applied(*none, r).changes, 0u);
        EXPECT_EQ(applied(*deleting(u"300"), r).changes, 0u);
        EXPECT_EQ(applied(*indicators(u"300", u"11"), r).changes, 0u);
        const EditOutcome added = applied(*adding(u"300 __ ■aX", true), r);
        EXPECT_TRUE(added.changed() || added.error != EditError::None);
    }
}
