#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace bibliora {

// In display text, the Braille pattern U+2800 + b stands for the raw byte b. It shows bytes
// that are not valid in a record's encoding, a CR or LF inside a field, and any character of
// the record whose own form would be read back as something else ("■", a Braille pattern):
// the builder writes each one back as that byte, so an unedited record keeps its bytes.
inline constexpr char16_t kPlaceholderBase = 0x2800;

inline constexpr bool isPlaceholder(char16_t c)
{
    return c >= kPlaceholderBase && c <= kPlaceholderBase + 0xFF;
}

inline constexpr char16_t placeholderFor(unsigned char byte)
{
    return static_cast<char16_t>(kPlaceholderBase + byte);
}

inline void appendPlaceholders(std::u16string& out, std::string_view bytes)
{
    for (char b : bytes)
        out.push_back(placeholderFor(static_cast<unsigned char>(b)));
}

} // namespace bibliora
