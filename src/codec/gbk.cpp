#include "gbk.h"

#include "gbktables.h"

#include <array>
#include <cstdint>

namespace bibliora {
namespace {

using namespace gbktables;

constexpr char16_t kReplacement = 0xFFFD;

bool isHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// True when text[i] starts a surrogate pair: a supplementary character, never in GBK.
bool startsPair(std::u16string_view text, std::size_t i)
{
    return isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1]);
}

// The GBK form of every BMP character, the inverse of the decoding tables: 0 for none,
// below 0x100 one byte, else lead << 8 | trail. Built at first use (128 KB).
struct EncodeTable
{
    std::array<std::uint16_t, 0x10000> gbk{};

    EncodeTable()
    {
        for (unsigned b = 0; b < 0x80; ++b)
            gbk[b] = static_cast<std::uint16_t>(b);
        for (unsigned b = 0x80; b <= 0xFF; ++b)
            if (!isLead(b))
                gbk[kHighBytes[b - 0x80]] = static_cast<std::uint16_t>(b);
        for (unsigned lead = kLeadFirst; lead <= kLeadLast; ++lead)
            for (unsigned trail = kTrailFirst; trail <= kTrailLast; ++trail)
                if (isTrail(trail))
                    gbk[kPairs[pairIndex(lead, trail)]] =
                        static_cast<std::uint16_t>(lead << 8 | trail);
        // U+FFFD marks unmapped bytes in the tables; it has no GBK form of its own.
        gbk[kReplacement] = 0;
    }
};

const std::array<std::uint16_t, 0x10000>& encodeTable()
{
    static const EncodeTable table;
    return table.gbk;
}

// Hands each byte of the text's encoding to `put` until it returns false; false then.
template <typename Put> // bool Put(char byte)
bool encodeEach(std::u16string_view text, Put&& put)
{
    const auto& table = encodeTable();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c < 0x80) {
            if (!put(static_cast<char>(c)))
                return false;
            continue;
        }
        if (startsPair(text, i)) {
            ++i;
            if (!put('?'))
                return false;
            continue;
        }
        const std::uint16_t g = table[c];
        if (g == 0) {
            if (!put('?'))
                return false;
        } else if (g < 0x100) {
            if (!put(static_cast<char>(g)))
                return false;
        } else if (!put(static_cast<char>(g >> 8)) || !put(static_cast<char>(g & 0xFF))) {
            return false;
        }
    }
    return true;
}

// Writes the characters of `bytes` from `o`, which has room for bytes.size() of them (never
// more characters than bytes), and returns where they end.
char16_t* decodeInto(char16_t* o, std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned b = p[i];
        if (b < 0x80) {
            *o++ = static_cast<char16_t>(b);
        } else if (!isLead(b)) {
            *o++ = kHighBytes[b - 0x80];
        } else if (i + 1 < n && isTrail(p[i + 1])) {
            *o++ = kPairs[pairIndex(b, p[i + 1])];
            ++i;
        } else {
            // As in ICU: a lead byte without a trail byte after it is one U+FFFD, and the
            // byte after it (never a lead byte then) is read again as a character of its own.
            *o++ = kReplacement;
        }
    }
    return o;
}

} // namespace

void Gbk::appendDecoded(std::u16string& out, std::string_view bytes)
{
    const std::size_t start = out.size();
    out.resize(start + bytes.size());
    const char16_t* end = decodeInto(out.data() + start, bytes);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

std::u16string Gbk::decode(std::string_view bytes)
{
    // Most values are short: decoded on the stack and copied once at their length, without
    // the zero fill of a string made to the byte count first.
    constexpr std::size_t kShort = 256;
    if (bytes.size() > kShort) {
        std::u16string out;
        appendDecoded(out, bytes);
        return out;
    }
    char16_t buffer[kShort];
    return std::u16string(buffer, decodeInto(buffer, bytes));
}

void Gbk::appendEncoded(std::string& out, std::u16string_view text)
{
    // Written through a pointer into room for the most bytes the text can take.
    const std::size_t start = out.size();
    out.resize(start + 2 * text.size());
    char* o = out.data() + start;
    encodeEach(text, [&o](char b) {
        *o++ = b;
        return true;
    });
    out.resize(static_cast<std::size_t>(o - out.data()));
}

bool Gbk::encodesTo(std::u16string_view text, std::string_view bytes)
{
    std::size_t at = 0;
    return encodeEach(text, [&](char b) { return at < bytes.size() && bytes[at++] == b; }) &&
           at == bytes.size();
}

std::string Gbk::encode(std::u16string_view text)
{
    std::string out;
    appendEncoded(out, text);
    return out;
}

std::size_t Gbk::encodedLength(std::u16string_view text)
{
    const auto& table = encodeTable();
    std::size_t len = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (startsPair(text, i))
            ++i;
        len += table[text[i]] >= 0x100 ? 2 : 1;
    }
    return len;
}

bool Gbk::holdsOnlyAssigned(std::string_view bytes)
{
    const auto assigned = [](char16_t c) {
        return c != kReplacement && (c < 0xE000 || c > 0xF8FF);
    };
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned b = p[i];
        if (b < 0x80)
            continue;
        if (!isLead(b)) {
            if (!assigned(kHighBytes[b - 0x80]))
                return false;
        } else if (i + 1 < n && isTrail(p[i + 1])) {
            if (!assigned(kPairs[pairIndex(b, p[i + 1])]))
                return false;
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

// UTF-8 as ICU's u_strFromUTF8WithSub reads it: every maximal subpart of an ill-formed
// sequence (the longest start of a well-formed sequence, or else one byte) becomes one
// U+FFFD. Surrogates and code points above U+10FFFF are ill-formed, so ED A0-BF and F4 90-BF
// end a subpart after the lead byte, as do overlong forms (C0, C1, E0 80-9F, F0 80-8F).
std::u16string Gbk::fromUtf8(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned b = p[i++];
        if (b < 0x80) {
            out.push_back(static_cast<char16_t>(b));
            continue;
        }
        // Continuation bytes still to come, and the range of the first of them.
        unsigned more = 0;
        unsigned low = 0x80;
        unsigned high = 0xBF;
        char32_t cp = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2;
            cp = b & 0x0F;
            low = b == 0xE0 ? 0xA0 : 0x80;
            high = b == 0xED ? 0x9F : 0xBF;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3;
            cp = b & 0x07;
            low = b == 0xF0 ? 0x90 : 0x80;
            high = b == 0xF4 ? 0x8F : 0xBF;
        } else {
            out.push_back(kReplacement);
            continue;
        }
        for (; more > 0 && i < n && p[i] >= low && p[i] <= high; --more, ++i) {
            cp = cp << 6 | (p[i] & 0x3F);
            low = 0x80;
            high = 0xBF;
        }
        if (more > 0) {
            out.push_back(kReplacement); // the byte that broke the sequence is read again
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char16_t>(cp));
        } else {
            out.push_back(static_cast<char16_t>(0xD7C0 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 | (cp & 0x3FF)));
        }
    }
    return out;
}

// An unpaired surrogate becomes U+FFFD, as in ICU's u_strToUTF8WithSub.
std::string Gbk::toUtf8(std::u16string_view text)
{
    // At most three bytes a unit (a surrogate pair takes four): write in place, then cut.
    std::string out(text.size() * 3, '\0');
    char* o = out.data();
    auto put = [&o](char32_t byte) { *o++ = static_cast<char>(byte); };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (startsPair(text, i))
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (cp >= 0xD800 && cp <= 0xDFFF)
            cp = kReplacement;
        if (cp < 0x80) {
            put(cp);
        } else if (cp < 0x800) {
            put(0xC0 | cp >> 6);
            put(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            put(0xE0 | cp >> 12);
            put(0x80 | (cp >> 6 & 0x3F));
            put(0x80 | (cp & 0x3F));
        } else {
            put(0xF0 | cp >> 18);
            put(0x80 | (cp >> 12 & 0x3F));
            put(0x80 | (cp >> 6 & 0x3F));
            put(0x80 | (cp & 0x3F));
        }
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

} // namespace bibliora
