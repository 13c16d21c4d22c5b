#pragma once

#include <cstdint>
#include <string_view>

namespace bibliora::check {

// ISBN and ISSN as a subfield holds them: the number first, with or without hyphens (an ISBN
// also with spaces between its digits), then optionally a qualifier ("0-19-852663-6 (pbk.)",
// "7-5004-1234-5(平装)") that is not read. A letter or digit right after the number makes the
// value no number at all.
enum class NumberVerdict : unsigned char
{
    Valid,
    BadCheckDigit, // `expected` holds the right one
    BadPrefix,     // an ISBN-13 that starts with neither 978 nor 979
    NotANumber,    // the wrong count of digits; `digits` holds the count found
};

struct NumberCheck
{
    NumberVerdict verdict = NumberVerdict::NotANumber;
    unsigned digits = 0;   // digits read as the number, the check character X included
    char expected = 0;     // the right check character, '0'-'9' or 'X'
    std::uint64_t key = 0; // a valid ISBN: its ISBN-13 form without the check digit; else 0
};

// ISBN-10 (check character X allowed) or ISBN-13. The key of an ISBN-10 is that of its ISBN-13
// form, so both forms of one book have the same key.
NumberCheck checkIsbn(std::u16string_view value);
// ISSN: "1234-5679" or "12345679", check character X allowed.
NumberCheck checkIssn(std::u16string_view value);

} // namespace bibliora::check
