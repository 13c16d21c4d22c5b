// A format's table as a cataloguer may extend it: patterns, subfield requirements and
// indicator values, read the way the checker uses them.
#include "fieldtable.h"

#include <gtest/gtest.h>

using namespace bibliora::check;

TEST(FieldTable, RowsAsTheCheckerReadsThem)
{
    const FieldRuleRow rows[] = {
        {"245", "题名", true, false, "a|k", "01", "0-9"},
        {"2XX", "题名等", false, false, "", "", ""},
        {"700", "个人名称", false, true, "a,4|e", "#0-2a", ""},
    };
    const FieldTable table(rows, 3);
    ASSERT_EQ(table.rules().size(), 3u);
    // Tag order, the pattern after the tags it covers.
    EXPECT_EQ(table.rules()[0].tag, "245");
    EXPECT_EQ(table.rules()[1].tag, "2XX");
    EXPECT_EQ(table.exactRule(245), 0);
    EXPECT_EQ(table.patternRule(245), 1);
    EXPECT_EQ(table.exactRule(250), FieldTable::kNoRule);
    EXPECT_EQ(table.patternRule(250), 1);
    EXPECT_EQ(table.patternRule(300), FieldTable::kNoRule);

    const FieldRule& title = table.rules()[0];
    EXPECT_EQ(title.requiredSubfields,
              std::vector<std::uint64_t>{FieldTable::codeBit('a') | FieldTable::codeBit('k')});
    EXPECT_TRUE(title.indicator1['0'] && title.indicator1['1'] && !title.indicator1[' ']);
    EXPECT_TRUE(title.indicator2['0'] && title.indicator2['9'] && !title.indicator2['a']);
    EXPECT_EQ(title.indicator2Text, "0–9");
    EXPECT_TRUE(table.rules()[1].anyIndicator1);

    const FieldRule& name = table.rules()[2];
    EXPECT_EQ(name.requiredSubfields,
              (std::vector<std::uint64_t>{FieldTable::codeBit('a'),
                                          FieldTable::codeBit('4') | FieldTable::codeBit('e')}));
    EXPECT_EQ(name.indicator1Text, "空格、0–2、a");
    EXPECT_TRUE(name.indicator1[' '] && name.indicator1['2'] && name.indicator1['a']);
    EXPECT_FALSE(name.indicator1['3'] || name.indicator1['b']);
    EXPECT_TRUE(name.repeatable && !name.mandatory);
}
