#pragma once

// Structural checks on records, shared by the hostile-input tests and the fuzz targets.
// Written from the record layout alone, with no code of the codec, so the codec can be
// checked against them.

#include <string>
#include <string_view>

namespace bibliora::check {

namespace detail {

inline bool digitsAt(std::string_view s, std::size_t pos, std::size_t n, unsigned long long& value)
{
    if (pos + n > s.size())
        return false;
    value = 0;
    for (std::size_t i = pos; i < pos + n; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(s[i] - '0');
    }
    return true;
}

inline std::string at(const char* what, std::size_t entry)
{
    return std::string(what) + " (directory entry " + std::to_string(entry) + ")";
}

} // namespace detail

// Empty when `r` is one well-formed ISO 2709 record as the builder writes it: the record
// length and base address in the leader agree with the bytes, the directory is whole 12-byte
// entries of digits, the fields follow each other from offset 0 without a gap, each ends with
// its own field terminator and holds no other, and the record ends with its only record
// terminator. Otherwise a description of the first fault found.
inline std::string wellFormedProblem(std::string_view r)
{
    using detail::digitsAt;
    constexpr char kFt = '\x1E';
    constexpr char kRt = '\x1D';
    if (r.size() < 26)
        return "only " + std::to_string(r.size()) + " bytes";
    for (std::size_t i = 0; i < 24; ++i)
        if (r[i] < 0x20 || r[i] > 0x7E)
            return "leader byte " + std::to_string(i) + " is not printable ASCII";
    unsigned long long length = 0;
    unsigned long long base = 0;
    if (!digitsAt(r, 0, 5, length))
        return "record length is not five digits";
    if (length != r.size())
        return "record length says " + std::to_string(length) + ", the record has " +
               std::to_string(r.size()) + " bytes";
    if (r.substr(10, 2) != "22")
        return "indicator and subfield-code counts are not 22";
    if (!digitsAt(r, 12, 5, base))
        return "base address is not five digits";
    if (r.back() != kRt || r.find(kRt) != r.size() - 1)
        return "the record terminator is not the last byte, or not the only one";
    if (base < 25 || base >= r.size())
        return "base address " + std::to_string(base) + " lies outside the record";
    if (r[base - 1] != kFt)
        return "no field terminator just before the base address";
    const std::string_view dir = r.substr(24, base - 25);
    if (dir.find(kFt) != std::string_view::npos)
        return "a field terminator inside the directory";
    if (dir.size() % 12 != 0)
        return "directory of " + std::to_string(dir.size()) + " bytes, not whole entries";
    unsigned long long next = 0;
    for (std::size_t e = 0; e < dir.size(); e += 12) {
        const std::size_t k = e / 12;
        unsigned long long tag = 0;
        unsigned long long flen = 0;
        unsigned long long start = 0;
        if (!digitsAt(dir, e, 3, tag) || !digitsAt(dir, e + 3, 4, flen) ||
            !digitsAt(dir, e + 7, 5, start))
            return detail::at("tag, length or start is not digits", k);
        if (start != next)
            return detail::at("field does not start where the one before ended", k);
        if (flen == 0 || base + start + flen > r.size() - 1)
            return detail::at("field is empty or runs past the record", k);
        const std::string_view field = r.substr(base + start, flen);
        if (field.find(kFt) != flen - 1)
            return detail::at("field terminator missing at the field's end or found inside it", k);
        next += flen;
    }
    if (base + next + 1 != r.size())
        return "the fields end at byte " + std::to_string(base + next) + ", the record at " +
               std::to_string(r.size() - 1);
    return {};
}

} // namespace bibliora::check
