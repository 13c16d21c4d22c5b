#include "standardnumbers.h"

namespace bibliora::check {
namespace {

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool isCheckX(char16_t c)
{
    return c == u'X' || c == u'x';
}

bool isAsciiAlnum(char16_t c)
{
    return isDigit(c) || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

std::size_t skipBlanks(std::u16string_view value)
{
    std::size_t i = 0;
    while (i < value.size() && (value[i] == u' ' || value[i] == u'\u3000'))
        ++i;
    return i;
}

// A check character of the mod-11 schemes: 10 is written X.
char mod11Character(unsigned value)
{
    return value == 10 ? 'X' : static_cast<char>('0' + value);
}

NumberCheck verdict(NumberCheck check, char found, char expected)
{
    check.expected = expected;
    check.verdict = found == expected ? NumberVerdict::Valid : NumberVerdict::BadCheckDigit;
    return check;
}

} // namespace

NumberCheck checkIsbn(std::u16string_view value)
{
    NumberCheck check;
    char digits[13];
    std::size_t i = skipBlanks(value);
    while (i < value.size()) {
        const char16_t c = value[i];
        if (isDigit(c) || (isCheckX(c) && check.digits == 9)) {
            if (check.digits < sizeof digits)
                digits[check.digits] = isCheckX(c) ? 'X' : static_cast<char>(c);
            ++check.digits;
            ++i;
            if (isCheckX(c))
                break;
            continue;
        }
        // A hyphen or blank separates digits only when more of the number follows it.
        if ((c == u'-' || c == u' ') && i + 1 < value.size() &&
            (isDigit(value[i + 1]) || value[i + 1] == u'-' ||
             (isCheckX(value[i + 1]) && check.digits == 9))) {
            ++i;
            continue;
        }
        break;
    }
    // A number that runs on into letters is no number at all, whatever its count.
    if (i < value.size() && isAsciiAlnum(value[i]))
        return check;
    if (check.digits == 10) {
        unsigned sum = 0;
        for (unsigned k = 0; k < 9; ++k)
            sum += (10 - k) * static_cast<unsigned>(digits[k] - '0');
        check = verdict(check, digits[9], mod11Character((11 - sum % 11) % 11));
        if (check.verdict == NumberVerdict::Valid) {
            check.key = 978;
            for (unsigned k = 0; k < 9; ++k)
                check.key = check.key * 10 + static_cast<unsigned>(digits[k] - '0');
        }
        return check;
    }
    if (check.digits != 13)
        return check;
    const std::string_view prefix(digits, 3);
    if (prefix != "978" && prefix != "979") {
        check.verdict = NumberVerdict::BadPrefix;
        return check;
    }
    unsigned sum = 0;
    std::uint64_t key = 0;
    for (unsigned k = 0; k < 12; ++k) {
        const unsigned d = static_cast<unsigned>(digits[k] - '0');
        sum += k % 2 ? 3 * d : d;
        key = key * 10 + d;
    }
    check = verdict(check, digits[12], static_cast<char>('0' + (10 - sum % 10) % 10));
    if (check.verdict == NumberVerdict::Valid)
        check.key = key;
    return check;
}

NumberCheck checkIssn(std::u16string_view value)
{
    NumberCheck check;
    char digits[8];
    std::size_t i = skipBlanks(value);
    bool hyphen = false;
    for (; i < value.size() && check.digits < 8; ++i) {
        const char16_t c = value[i];
        if (c == u'-' && check.digits == 4 && !hyphen) {
            hyphen = true;
            continue;
        }
        if (!isDigit(c) && !(isCheckX(c) && check.digits == 7))
            break;
        digits[check.digits++] = isCheckX(c) ? 'X' : static_cast<char>(c);
    }
    if (check.digits != 8 || (i < value.size() && isAsciiAlnum(value[i])))
        return check;
    unsigned sum = 0;
    for (unsigned k = 0; k < 7; ++k)
        sum += (8 - k) * static_cast<unsigned>(digits[k] - '0');
    return verdict(check, digits[7], mod11Character((11 - sum % 11) % 11));
}

} // namespace bibliora::check
