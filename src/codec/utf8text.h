#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace bibliora {

// UTF-8 as RFC 3629 defines it: no overlong forms, no surrogates, nothing above U+10FFFF.
class Utf8Text final
{
public:
    struct Scan
    {
        std::size_t sequences = 0; // well-formed sequences of two to four bytes
        std::size_t invalid = 0;   // bytes that belong to no well-formed sequence
    };
    // Counts both kinds; stops early (with the counts so far) once `giveUpAfter` invalid bytes
    // outnumber the sequences, so text that is plainly something else is not read to its end.
    static Scan scan(std::string_view bytes, std::size_t giveUpAfter = std::string_view::npos);

    // Decodes; each byte of an ill-formed sequence becomes its placeholder (U+2800 + byte).
    // With `escapeMarks`, so does each byte of a "■" or a Braille pattern, which the display
    // text would otherwise read back as a subfield delimiter or a placeholder.
    static void appendDecoded(std::u16string& out, std::string_view bytes,
                              bool escapeMarks = false);
    static std::u16string decode(std::string_view bytes);

    // Encodes; a placeholder becomes its byte and a lone surrogate a "?", so byte counts
    // describe exactly the bytes written.
    static void appendEncoded(std::string& out, std::u16string_view text);
    // The same, but a placeholder is encoded as the character it is.
    static std::string encodeLiterally(std::u16string_view text);
};

} // namespace bibliora
