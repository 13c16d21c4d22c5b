#include "utf8text.h"

#include "placeholder.h"

namespace bibliora {
namespace {

// The length of the well-formed sequence at `i` and its code point, or 0.
std::size_t sequenceAt(std::string_view bytes, std::size_t i, char32_t& cp)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    const unsigned b = p[i];
    std::size_t len;
    char32_t min;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
        cp = b & 0x1F;
        min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        cp = b & 0x0F;
        min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        cp = b & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > n)
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        if ((p[i + k] & 0xC0) != 0x80)
            return 0;
        cp = cp << 6 | (p[i + k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

void appendCodePoint(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | cp >> 6));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | cp >> 12));
        out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | cp >> 18));
        out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void encode(std::string& out, std::u16string_view text, bool placeholdersAreBytes)
{
    out.reserve(out.size() + text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (placeholdersAreBytes && isPlaceholder(c)) {
            out.push_back(static_cast<char>(c - kPlaceholderBase));
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                   text[i + 1] <= 0xDFFF) {
            appendCodePoint(out, 0x10000 + ((char32_t(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out.push_back('?');
        } else {
            appendCodePoint(out, c);
        }
    }
}

} // namespace

Utf8Text::Scan Utf8Text::scan(std::string_view bytes, std::size_t giveUpAfter)
{
    Scan s;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < bytes.size();) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        // Most bytes of text in another encoding fail at once: no lead byte, or no
        // continuation byte after it.
        const bool hopeless =
            p[i] < 0xC2 || p[i] > 0xF4 || i + 1 >= bytes.size() || (p[i + 1] & 0xC0) != 0x80;
        char32_t cp;
        const std::size_t len = hopeless ? 0 : sequenceAt(bytes, i, cp);
        if (len) {
            ++s.sequences;
            i += len;
        } else {
            ++s.invalid;
            ++i;
            if (s.invalid > giveUpAfter && s.invalid > s.sequences)
                break;
        }
    }
    return s;
}

void Utf8Text::appendDecoded(std::u16string& out, std::string_view bytes, bool escapeMarks)
{
    out.reserve(out.size() + bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < bytes.size();) {
        if (p[i] < 0x80) {
            out.push_back(p[i++]);
            continue;
        }
        char32_t cp;
        const std::size_t len = sequenceAt(bytes, i, cp);
        if (!len) {
            out.push_back(placeholderFor(p[i++]));
        } else if (escapeMarks && (cp == 0x25A0 || isPlaceholder(static_cast<char16_t>(cp)))) {
            appendPlaceholders(out, bytes.substr(i, len));
            i += len;
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char16_t>(cp));
            i += len;
        } else {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
            i += len;
        }
    }
}

std::u16string Utf8Text::decode(std::string_view bytes)
{
    std::u16string out;
    appendDecoded(out, bytes);
    return out;
}

void Utf8Text::appendEncoded(std::string& out, std::u16string_view text)
{
    encode(out, text, true);
}

std::string Utf8Text::encodeLiterally(std::u16string_view text)
{
    std::string out;
    encode(out, text, false);
    return out;
}

} // namespace bibliora
