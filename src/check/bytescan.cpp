#include "bytescan.h"

#include "gbktables.h"
#include "marc.h"
#include "marc8.h"
#include "placeholder.h"

#include <bitset>
#include <cstdint>
#include <cstring>

namespace bibliora::check {
namespace {

constexpr std::size_t kNone = std::string_view::npos;
constexpr char16_t kReplacement = 0xFFFD;

// Where the run of bytes below 0x80 that starts at `i` ends; eight bytes at a time.
std::size_t skipAscii(const unsigned char* p, std::size_t i, std::size_t n)
{
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        if (word & 0x8080808080808080ULL)
            break;
    }
    while (i < n && p[i] < 0x80)
        ++i;
    return i;
}

// Which lead/trail pairs and which single high bytes decode to U+FFFD. Built at first use.
struct GbkHoles
{
    std::bitset<gbktables::kPairCount> pairs;
    std::bitset<128> singles;

    GbkHoles()
    {
        for (std::size_t i = 0; i < gbktables::kPairCount; ++i)
            pairs[i] = gbktables::kPairs[i] == kReplacement;
        for (unsigned b = 0x80; b <= 0xFF; ++b)
            singles[b - 0x80] =
                !gbktables::isLead(b) && gbktables::kHighBytes[b - 0x80] == kReplacement;
    }
};

const GbkHoles& gbkHoles()
{
    static const GbkHoles holes;
    return holes;
}

std::size_t firstInvalidGbk(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    const GbkHoles* holes = nullptr;
    for (std::size_t i = skipAscii(p, 0, n); i < n; i = skipAscii(p, i, n)) {
        if (!holes)
            holes = &gbkHoles();
        const unsigned b = p[i];
        if (!gbktables::isLead(b)) {
            if (holes->singles[b - 0x80])
                return i;
            ++i;
            continue;
        }
        if (i + 1 >= n || !gbktables::isTrail(p[i + 1]) ||
            holes->pairs[gbktables::pairIndex(b, p[i + 1])])
            return i;
        i += 2;
    }
    return kNone;
}

// The length of the well-formed UTF-8 sequence at p[i] (RFC 3629), or 0.
std::size_t utf8SequenceAt(const unsigned char* p, std::size_t i, std::size_t n)
{
    const unsigned b = p[i];
    std::size_t len;
    unsigned low = 0x80;
    unsigned high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        low = b == 0xE0 ? 0xA0 : 0x80;  // no overlong form
        high = b == 0xED ? 0x9F : 0xBF; // no surrogate
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        low = b == 0xF0 ? 0x90 : 0x80;  // no overlong form
        high = b == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (i + len > n || p[i + 1] < low || p[i + 1] > high)
        return 0;
    for (std::size_t k = 2; k < len; ++k)
        if ((p[i + k] & 0xC0) != 0x80)
            return 0;
    return len;
}

std::size_t firstInvalidUtf8(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = skipAscii(p, 0, n); i < n; i = skipAscii(p, i, n)) {
        const std::size_t len = utf8SequenceAt(p, i, n);
        if (!len)
            return i;
        i += len;
    }
    return kNone;
}

std::size_t firstInvalidMarc8Piece(std::string_view piece)
{
    if (isPlainAscii(piece))
        return kNone;
    for (const char16_t c : Marc8::decode(piece))
        if (isPlaceholder(c)) {
            const std::size_t at = piece.find(static_cast<char>(c - kPlaceholderBase));
            return at == kNone ? 0 : at;
        }
    return kNone;
}

std::size_t firstInvalidMarc8(std::string_view bytes, bool controlField)
{
    if (controlField)
        return firstInvalidMarc8Piece(bytes);
    for (std::size_t from = 0;;) {
        const std::size_t to = bytes.find(kSubfieldDelimiter, from);
        const std::size_t bad =
            firstInvalidMarc8Piece(bytes.substr(from, to == kNone ? kNone : to - from));
        if (bad != kNone)
            return from + bad;
        if (to == kNone)
            return kNone;
        from = to + 1;
    }
}

} // namespace

std::size_t utf8SequenceLength(std::string_view bytes, std::size_t i)
{
    return utf8SequenceAt(reinterpret_cast<const unsigned char*>(bytes.data()), i, bytes.size());
}

bool isPlainAscii(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    return skipAscii(p, 0, bytes.size()) == bytes.size() &&
           bytes.find('\x1B') == std::string_view::npos;
}

std::size_t firstInvalidByte(std::string_view bytes, Encoding encoding, bool controlField)
{
    switch (encoding) {
    case Encoding::Utf8:
        return firstInvalidUtf8(bytes);
    case Encoding::Marc8:
        return firstInvalidMarc8(bytes, controlField);
    case Encoding::Gbk:
        break;
    }
    return firstInvalidGbk(bytes);
}

} // namespace bibliora::check
