#include "marc.h"

namespace bibliora {
namespace {

template <typename Char>
std::optional<unsigned long long> parseNumberImpl(std::basic_string_view<Char> text)
{
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && text[b] == Char(' '))
        ++b;
    while (e > b && text[e - 1] == Char(' '))
        --e;
    if (b == e)
        return std::nullopt;
    unsigned long long value = 0;
    constexpr unsigned long long kCap = 1'000'000'000'000'000'000ULL;
    for (std::size_t i = b; i < e; ++i) {
        Char c = text[i];
        if (c < Char('0') || c > Char('9'))
            return std::nullopt;
        // Saturate: every caller compares against limits far below this.
        value = value >= kCap ? kCap : value * 10 + static_cast<unsigned>(c - Char('0'));
    }
    return value;
}

} // namespace

std::optional<unsigned long long> parseNumber(std::string_view text)
{
    return parseNumberImpl(text);
}

std::optional<unsigned long long> parseNumber(std::u16string_view text)
{
    return parseNumberImpl(text);
}

} // namespace bibliora
