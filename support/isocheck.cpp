#include "isocheck.h"

namespace bibliora::support {

std::string wellFormedProblem(std::string_view r)
{
    constexpr std::size_t kBad = std::string_view::npos;
    const auto number = [](std::string_view s, std::size_t pos, std::size_t n) {
        std::size_t value = 0;
        for (std::size_t i = pos; i < pos + n; ++i) {
            if (i >= s.size() || s[i] < '0' || s[i] > '9')
                return kBad;
            value = value * 10 + static_cast<std::size_t>(s[i] - '0');
        }
        return value;
    };
    if (r.size() < 26 || number(r, 0, 5) != r.size())
        return "the record length is not the record's size";
    for (std::size_t i = 0; i < 24; ++i)
        if (r[i] < 0x20 || r[i] > 0x7E)
            return "leader byte " + std::to_string(i) + " is not printable ASCII";
    if (r.substr(10, 2) != "22")
        return "indicator and subfield-code counts are not 22";
    if (r.back() != '\x1D' || r.find('\x1D') != r.size() - 1)
        return "the record terminator is not the last byte, or not the only one";
    const std::size_t base = number(r, 12, 5);
    if (base == kBad || base < 25 || base >= r.size() || r[base - 1] != '\x1E')
        return "no field terminator just before the base address";
    const std::string_view dir = r.substr(24, base - 25);
    if (dir.size() % 12 != 0 || dir.find('\x1E') != kBad)
        return "the directory is not whole 12-byte entries";
    std::size_t next = 0;
    for (std::size_t e = 0; e < dir.size(); e += 12) {
        const std::string entry = "directory entry " + std::to_string(e / 12);
        const std::size_t length = number(dir, e + 3, 4);
        if (number(dir, e, 3) == kBad || length == kBad || number(dir, e + 7, 5) != next)
            return entry + ": not digits, or the field does not start where the last ended";
        if (length == 0 || base + next + length > r.size() - 1 ||
            r.substr(base + next, length).find('\x1E') != length - 1)
            return entry + ": the field does not end at its only field terminator";
        next += length;
    }
    if (base + next + 1 != r.size())
        return "the fields do not end where the record does";
    return {};
}

} // namespace bibliora::support
