#include "dates.h"

namespace bibliora::check {
namespace {

// The number written by text[from, from + count), or -1 when a character is no digit.
int digitsAt(std::u16string_view text, std::size_t from, std::size_t count)
{
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (i >= text.size() || text[i] < u'0' || text[i] > u'9')
            return -1;
        value = value * 10 + (text[i] - u'0');
    }
    return value;
}

} // namespace

bool isRealDate(std::u16string_view yyyymmdd)
{
    if (yyyymmdd.size() != 8)
        return false;
    const int year = digitsAt(yyyymmdd, 0, 4);
    const int month = digitsAt(yyyymmdd, 4, 2);
    const int day = digitsAt(yyyymmdd, 6, 2);
    if (year < 1 || month < 1 || month > 12 || day < 1)
        return false;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return day <= kDays[month - 1] + (month == 2 && leap);
}

bool isRealTimestamp(std::u16string_view text)
{
    if (text.size() != 16 || text[14] != u'.' || digitsAt(text, 15, 1) < 0)
        return false;
    const int hour = digitsAt(text, 8, 2);
    const int minute = digitsAt(text, 10, 2);
    const int second = digitsAt(text, 12, 2);
    return isRealDate(text.substr(0, 8)) && hour >= 0 && hour <= 23 && minute >= 0 &&
           minute <= 59 && second >= 0 && second <= 59;
}

} // namespace bibliora::check
