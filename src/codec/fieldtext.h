#pragma once

#include "encoding.h"

#include <string>
#include <string_view>

namespace bibliora {

// Field bytes to text and back in a record's encoding.
class FieldText final
{
public:
    // For the display text: every byte the text must keep that would not survive as a
    // character (invalid in the encoding, CR, LF, a "■" or Braille pattern of the record, and
    // in a control field a subfield delimiter) becomes its placeholder (U+2800 + byte);
    // subfield delimiters of data fields stay 0x1F. MARC-8 data fields are decoded one
    // subfield at a time, each from the default character sets.
    static void appendForDisplay(std::u16string& out, Encoding encoding, std::string_view bytes,
                                 bool controlField);

    // A subfield value or control field for the record list.
    static std::u16string value(Encoding encoding, std::string_view bytes);

    // Text written as field bytes: placeholders become their bytes; in MARC-8, each piece
    // between subfield delimiters is encoded on its own.
    static void appendBytes(std::string& out, Encoding encoding, std::u16string_view text);
};

} // namespace bibliora
