#include "isoassembler.h"

#include <stdexcept>

namespace bibliora::support {
namespace {

void appendNumber(std::string& out, std::size_t value, std::size_t width)
{
    std::string digits(width, '0');
    for (std::size_t i = width; i-- > 0; value /= 10)
        digits[i] = static_cast<char>('0' + value % 10);
    if (value != 0)
        throw std::length_error("ISO 2709: a length does not fit in " + std::to_string(width) +
                                " digits");
    out += digits;
}

} // namespace

std::string assembleIso(std::string_view leader, const std::vector<IsoField>& fields,
                        LeaderLengths lengths)
{
    if (leader.size() != 24)
        throw std::length_error("ISO 2709: the leader is not 24 bytes");
    const std::size_t base = 24 + 12 * fields.size() + 1;
    std::size_t total = base + 1;
    for (const IsoField& f : fields)
        total += f.data.size() + 1;

    std::string out;
    out.reserve(total);
    if (lengths == LeaderLengths::Computed) {
        appendNumber(out, total, 5);
        out += leader.substr(5, 7);
        appendNumber(out, base, 5);
        out += leader.substr(17);
    } else {
        out += leader;
    }
    std::size_t start = 0;
    for (const IsoField& f : fields) {
        if (f.tag.size() != 3)
            throw std::length_error("ISO 2709: a tag is not 3 bytes");
        out += f.tag;
        appendNumber(out, f.data.size() + 1, 4);
        appendNumber(out, start, 5);
        start += f.data.size() + 1;
    }
    out += '\x1E';
    for (const IsoField& f : fields) {
        out += f.data;
        out += '\x1E';
    }
    out += '\x1D';
    return out;
}

} // namespace bibliora::support
