// ISBN, ISSN and dates as the checker reads them. The ISBN and ISSN verdicts of these tables
// were put to MARC::Lint's check_020 and Business::ISSN by hand, as tests/check/peers.pl puts
// the numbers of real files to them; they agree except where a comment says otherwise (Lint
// also warns of the "ISBN " before a number, as "may have invalid characters").
#include "dates.h"
#include "standardnumbers.h"

#include <gtest/gtest.h>

using namespace bibliora::check;

namespace {

struct NumberCase
{
    std::u16string value;
    NumberVerdict verdict;
    char expected; // the right check character, for Valid and BadCheckDigit
};

} // namespace

TEST(StandardNumbers, Isbn)
{
    const NumberCase cases[] = {
        {u"080442957X", NumberVerdict::Valid, 'X'},
        {u"0-8044-2957-X", NumberVerdict::Valid, 'X'},
        {u"0 8044 2957 X", NumberVerdict::Valid, 'X'}, // Lint takes hyphens only
        {u"080442957x", NumberVerdict::Valid, 'X'},    // MARC::Lint wants a capital X
        {u"9787301123454", NumberVerdict::Valid, '4'},
        {u"978-7-301-12345-4", NumberVerdict::Valid, '4'},
        {u"  9787500412342 (pbk.) :", NumberVerdict::Valid, '2'},
        {u"7-301-12345-0(平装)", NumberVerdict::Valid, '0'},
        {u"7301123450 (v. 1)", NumberVerdict::Valid, '0'},
        {u"9791000000015", NumberVerdict::Valid, '5'},
        {u"7-301-12345-1", NumberVerdict::BadCheckDigit, '0'},
        {u"0804429570", NumberVerdict::BadCheckDigit, 'X'},
        {u"978-7-301-12345-5 (pbk.)", NumberVerdict::BadCheckDigit, '4'},
        {u"1234567890128", NumberVerdict::BadPrefix, 0}, // MARC::Lint checks the digit only
        {u"7-301-12345", NumberVerdict::NotANumber, 0},
        {u"97873011234540", NumberVerdict::NotANumber, 0},
        {u"0-397-47189-17 (v. 1) :", NumberVerdict::NotANumber, 0},
        {u"978730112345X", NumberVerdict::NotANumber, 0},
        {u"7301123450pbk", NumberVerdict::NotANumber, 0},
        {u"ISBN 7301123450", NumberVerdict::NotANumber, 0},
        {u"cw", NumberVerdict::NotANumber, 0},
    };
    for (const NumberCase& c : cases) {
        const NumberCheck check = checkIsbn(c.value);
        const std::string value(c.value.begin(), c.value.end());
        EXPECT_EQ(check.verdict, c.verdict) << value;
        if (c.expected) {
            EXPECT_EQ(check.expected, c.expected) << value;
        }
        EXPECT_EQ(check.key != 0, c.verdict == NumberVerdict::Valid) << value;
    }
}

TEST(StandardNumbers, IsbnTenAndThirteenOfOneBookShareTheirKey)
{
    EXPECT_EQ(checkIsbn(u"7-301-12345-0").key, 978730112345u);
    EXPECT_EQ(checkIsbn(u"978-7-301-12345-4 (平装)").key, 978730112345u);
    EXPECT_EQ(checkIsbn(u"9791000000015").key, 979100000001u);
}

TEST(StandardNumbers, Issn)
{
    const NumberCase cases[] = {
        {u"0378-5955", NumberVerdict::Valid, '5'},
        {u"03785955", NumberVerdict::Valid, '5'},
        {u"2434-561X", NumberVerdict::Valid, 'X'},
        {u"2434-561x", NumberVerdict::Valid, 'X'},
        {u"1671-5675 (print)", NumberVerdict::Valid, '5'},
        {u"0378-5956", NumberVerdict::BadCheckDigit, '5'},
        {u"2434-5610", NumberVerdict::BadCheckDigit, 'X'},
        {u"0378-595", NumberVerdict::NotANumber, 0},
        {u"0378-59555", NumberVerdict::NotANumber, 0},
        {u"03785955a", NumberVerdict::NotANumber, 0},  // Business::ISSN drops letters,
        {u"0378--5955", NumberVerdict::NotANumber, 0}, // and every hyphen, and so reads
        {u"037-85955", NumberVerdict::NotANumber, 0},  // these three as valid
        {u"BC", NumberVerdict::NotANumber, 0},
    };
    for (const NumberCase& c : cases) {
        const NumberCheck check = checkIssn(c.value);
        const std::string value(c.value.begin(), c.value.end());
        EXPECT_EQ(check.verdict, c.verdict) << value;
        if (c.expected) {
            EXPECT_EQ(check.expected, c.expected) << value;
        }
    }
}

TEST(Dates, RealDatesAndTimestamps)
{
    const std::pair<std::u16string, bool> dates[] = {
        {u"20240229", true},  {u"20000229", true},  {u"20230229", false}, {u"19000229", false},
        {u"20230231", false}, {u"20230431", false}, {u"20231231", true},  {u"20231301", false},
        {u"20230100", false}, {u"00000101", false}, {u"2023011", false},  {u"2023-1-1", false},
    };
    for (const auto& [date, real] : dates)
        EXPECT_EQ(isRealDate(date), real) << std::string(date.begin(), date.end());
    const std::pair<std::u16string, bool> stamps[] = {
        {u"20240131143005.0", true},  {u"20240229235959.9", true},   {u"20240131240000.0", false},
        {u"20240131236000.0", false}, {u"20240131235960.0", false},  {u"20230229120000.0", false},
        {u"20240131143005", false},   {u"20240131143005.00", false}, {u"20240131143005,0", false},
        {u"20020810      .0", false}, {u"a19900313111708.5", false}, {u"00000000000000.0", false},
    };
    for (const auto& [stamp, real] : stamps)
        EXPECT_EQ(isRealTimestamp(stamp), real) << std::string(stamp.begin(), stamp.end());
}
