#include "placeholdertext.h"

namespace bibliora::formats {

PlaceholderText::Piece PlaceholderText::first(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    if (p[0] < 0x80)
        return {p[0], bytes.substr(0, 1)};
    std::size_t length = 0;
    char32_t c = 0;
    if (p[0] >= 0xC2 && p[0] <= 0xDF) {
        length = 2;
        c = p[0] & 0x1F;
    } else if (p[0] >= 0xE0 && p[0] <= 0xEF) {
        length = 3;
        c = p[0] & 0x0F;
    } else if (p[0] >= 0xF0 && p[0] <= 0xF4) {
        length = 4;
        c = p[0] & 0x07;
    }
    if (length == 0 || n < length)
        return {kNoCharacter, bytes.substr(0, 1)};
    for (std::size_t i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return {kNoCharacter, bytes.substr(0, 1)};
        c = (c << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, surrogates and anything past U+10FFFF are no characters.
    const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (c < least || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        return {kNoCharacter, bytes.substr(0, 1)};
    return {c, bytes.substr(0, length)};
}

void PlaceholderText::appendPlaceholder(std::string& out, unsigned char byte)
{
    // U+2800 + byte: E2 A0..A3 80..BF.
    out.push_back('\xE2');
    out.push_back(static_cast<char>(0xA0 | (byte >> 6)));
    out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
}

void PlaceholderText::appendBytes(std::string& out, std::string_view utf8)
{
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    std::size_t from = 0;
    for (std::size_t i = 0; i + 2 < utf8.size(); ++i) {
        if (p[i] != 0xE2 || p[i + 1] < 0xA0 || p[i + 1] > 0xA3 || (p[i + 2] & 0xC0) != 0x80)
            continue;
        out.append(utf8, from, i - from);
        out.push_back(static_cast<char>(((p[i + 1] & 0x03) << 6) | (p[i + 2] & 0x3F)));
        i += 2;
        from = i + 1;
    }
    out.append(utf8, from, std::string_view::npos);
}

} // namespace bibliora::formats
