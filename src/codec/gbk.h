#pragma once

#include <string>
#include <string_view>

namespace bibliora {

// Code page 936 as Windows defines it (ICU's "windows-936-2000" table): 0x80 is the euro
// sign, 0xFF is U+F8F5. Decoding follows ICU exactly, invalid sequences included; encoding
// turns every character without a GBK form (a surrogate pair counts as one character) into
// a single "?", so byte counts always describe the bytes that are written.
class Gbk final
{
public:
    static std::u16string decode(std::string_view bytes);
    static void appendDecoded(std::u16string& out, std::string_view bytes);
    static std::string encode(std::u16string_view text);
    static void appendEncoded(std::string& out, std::u16string_view text);
    // Whether encode(text) == bytes, without building it.
    static bool encodesTo(std::u16string_view text, std::string_view bytes);
    // Byte length of encode(text), without building it.
    static std::size_t encodedLength(std::u16string_view text);
    // Whether every byte belongs to an assigned character: no U+FFFD, and none of the private
    // use characters that stand for GBK's user-defined and unassigned codes.
    static bool holdsOnlyAssigned(std::string_view bytes);

    static std::u16string fromUtf8(std::string_view utf8);
    static std::string toUtf8(std::u16string_view text);
};

} // namespace bibliora
