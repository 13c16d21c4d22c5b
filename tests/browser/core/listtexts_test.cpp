#include "listtexts.h"

#include <gtest/gtest.h>

#include <vector>

using namespace bibliora;

TEST(ListTexts, EveryTitleAndNumberComesBackAsItWasWhicheverWidthItTakes)
{
    // Empty, ASCII, Latin-1 up to U+00FF, the first character past it, Chinese, a surrogate
    // pair, and a placeholder of the display (U+2800 + byte).
    const std::vector<std::u16string> texts = {
        u"",       u"978-7-5614-9832-3", u"Caf\u00E9 \u00FF", u"\u0100",
        u"红楼梦", u"\U0001F600",        u"a\u2880b"};
    for (const std::u16string& title : texts) {
        for (const std::u16string& number : texts) {
            std::string out = "x"; // appended after what is there
            const std::uint32_t units = ListTexts::append(out, title, number);
            ASSERT_EQ(units, title.size());
            const ListTexts t = ListTexts::of(std::string_view(out).substr(1), units);
            const QString qTitle = QString::fromStdU16String(title);
            const QString qNumber = QString::fromStdU16String(number);
            EXPECT_EQ(ListTexts::toString(t.title, t.titleNarrow), qTitle);
            EXPECT_EQ(ListTexts::toString(t.number, t.numberNarrow), qNumber);
            EXPECT_TRUE(ListTexts::equals(t.title, t.titleNarrow, qTitle));
            EXPECT_TRUE(ListTexts::equals(t.number, t.numberNarrow, qNumber));
            // Another text of the same length, or one character longer, is not equal.
            if (!title.empty()) {
                QString other = qTitle;
                other[0] = other[0] == u'z' ? u'y' : u'z';
                EXPECT_FALSE(ListTexts::equals(t.title, t.titleNarrow, other));
            }
            EXPECT_FALSE(ListTexts::equals(t.number, t.numberNarrow, qNumber + u'0'));
        }
    }
    // A number of ASCII takes a byte a character.
    std::string out;
    ListTexts::append(out, u"红楼梦", u"978-7-5614-9832-3");
    EXPECT_EQ(out.size(), 1 + 3 * 2 + 17u);
}
