#pragma once

#include <string>
#include <string_view>

namespace bibliora::formats {

// Text forms of UTF-8 record bytes (MARCXML, MARC text). Bytes that are no UTF-8 character,
// and characters a form cannot carry, are written as the codec's placeholders (U+2800 + byte)
// or escapes of the bytes; a Braille pattern the record itself holds is written as the
// placeholders of its own bytes, so that reading every placeholder back as its byte gives the
// record's bytes again.
class PlaceholderText final
{
public:
    // One step of a walk over UTF-8 bytes: a well-formed character (RFC 3629) and its bytes, or
    // a single byte that belongs to none (`character` is kNoCharacter).
    static constexpr char32_t kNoCharacter = 0xFFFFFFFF;
    struct Piece
    {
        char32_t character = kNoCharacter;
        std::string_view bytes;
    };
    // The piece that starts `bytes` (which must not be empty).
    static Piece first(std::string_view bytes);

    static bool isPlaceholder(char32_t c) { return c >= 0x2800 && c <= 0x28FF; }
    // The placeholder of `byte`, as UTF-8.
    static void appendPlaceholder(std::string& out, unsigned char byte);

    // UTF-8 text as record bytes: each placeholder becomes its byte; the rest is copied.
    static void appendBytes(std::string& out, std::string_view utf8);
};

} // namespace bibliora::formats
