#include "bytescan.h"

#include "gbktables.h"
#include "marc.h"
#include "marc8.h"
#include "placeholder.h"

#include <bitset>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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
    // Every pair has a character and every byte that stands alone but a lead byte has one:
    // then validity is only a matter of lead bytes being followed by trail bytes.
    bool onlyLoneLeads = true;

    GbkHoles()
    {
        for (std::size_t i = 0; i < gbktables::kPairCount; ++i)
            pairs[i] = gbktables::kPairs[i] == kReplacement;
        for (unsigned b = 0x80; b <= 0xFF; ++b) {
            singles[b - 0x80] =
                !gbktables::isLead(b) && gbktables::kHighBytes[b - 0x80] == kReplacement;
            onlyLoneLeads = onlyLoneLeads && !singles[b - 0x80];
        }
        onlyLoneLeads = onlyLoneLeads && pairs.none();
    }
};

const GbkHoles& gbkHoles()
{
    static const GbkHoles holes;
    return holes;
}

// Character by character, as the codec decodes.
std::size_t firstInvalidGbkExactly(const unsigned char* p, std::size_t n)
{
    const GbkHoles& holes = gbkHoles();
    for (std::size_t i = skipAscii(p, 0, n); i < n; i = skipAscii(p, i, n)) {
        const unsigned b = p[i];
        if (!gbktables::isLead(b)) {
            if (holes.singles[b - 0x80])
                return i;
            ++i;
            continue;
        }
        if (i + 1 >= n || !gbktables::isTrail(p[i + 1]) ||
            holes.pairs[gbktables::pairIndex(b, p[i + 1])])
            return i;
        i += 2;
    }
    return kNone;
}

#ifdef __SSE2__
// Lead-range bytes (0x81-0xFE) and the bytes outside that range that are trail bytes
// (0x40-0x7E, 0x80) among the 64 at p, one bit each.
void classify64(const unsigned char* p, std::uint64_t& leads, std::uint64_t& otherTrails)
{
    leads = 0;
    otherTrails = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        // As signed bytes 0x81-0xFE are -127 to -2, 0x80 is -128.
        const __m128i lead = _mm_and_si128(_mm_cmpgt_epi8(b, _mm_set1_epi8(-128)),
                                           _mm_cmplt_epi8(b, _mm_set1_epi8(-1)));
        const __m128i trail = _mm_or_si128(_mm_and_si128(_mm_cmpgt_epi8(b, _mm_set1_epi8(0x3F)),
                                                         _mm_cmplt_epi8(b, _mm_set1_epi8(0x7F))),
                                           _mm_cmpeq_epi8(b, _mm_set1_epi8(-128)));
        leads |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(lead)))
                 << (16 * k);
        otherTrails |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(trail)))
                       << (16 * k);
    }
}

// True when every byte is valid, 64 bytes at a time. In a run of lead-range bytes after any
// other byte, characters pair up from the run's start (a lead-range byte is a trail byte
// too), so the bytes are valid exactly when each run of odd length is followed by a trail
// byte from outside the range. The runs of odd length are found with carries, as in
// simdjson's search for odd runs of backslashes.
bool gbkValidFast(const unsigned char* p, std::size_t n)
{
    constexpr std::uint64_t kEven = 0x5555555555555555ULL;
    std::uint64_t carry = 0; // the last run of the previous 64 bytes was odd and is still open
    unsigned char tail[64];
    for (std::size_t at = 0; at < n; at += 64) {
        const unsigned char* block = p + at;
        if (n - at < 64) {
            // Zero bytes after the end: no trail byte, so a lead byte at the end is found.
            std::memset(tail, 0, sizeof tail);
            std::memcpy(tail, block, n - at);
            block = tail;
        }
        std::uint64_t leads;
        std::uint64_t trails;
        classify64(block, leads, trails);
        if (!leads && !carry)
            continue;
        const std::uint64_t starts = leads & ~(leads << 1);
        const std::uint64_t evenStartMask = kEven ^ carry;
        const std::uint64_t evenStarts = starts & evenStartMask;
        const std::uint64_t oddStarts = starts & ~evenStartMask;
        const std::uint64_t evenCarries = leads + evenStarts;
        std::uint64_t oddCarries = leads + oddStarts;
        const bool openOdd = oddCarries < leads; // carried out of bit 63
        oddCarries |= carry;
        carry = openOdd ? 1 : 0;
        const std::uint64_t afterOdd =
            ((evenCarries & ~leads) & ~kEven) | ((oddCarries & ~leads) & kEven);
        if (afterOdd & ~trails)
            return false;
    }
    // An odd run open at the very end has a lead byte without its trail byte; a run ending
    // exactly at a multiple of 64 bytes was looked at with the zero padding only when n is
    // not one.
    return carry == 0;
}
#endif

std::size_t firstInvalidGbk(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
#ifdef __SSE2__
    if (gbkHoles().onlyLoneLeads && gbkValidFast(p, n))
        return kNone;
#endif
    return firstInvalidGbkExactly(p, n);
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
