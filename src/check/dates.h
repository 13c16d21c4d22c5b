#pragma once

#include <string_view>

namespace bibliora::check {

// Gregorian dates as MARC writes them, digits only: "20240229". Year 0000 is no year.
bool isRealDate(std::u16string_view yyyymmdd);

// A 005 timestamp "YYYYMMDDHHMMSS.F": a real date, a time of day 00:00:00-23:59:59 and one
// digit of tenths.
bool isRealTimestamp(std::u16string_view text);

} // namespace bibliora::check
