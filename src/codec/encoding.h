#pragma once

#include <string_view>

namespace bibliora {

// The character encoding of one record's bytes. Every length and start in a record's
// directory counts bytes of that encoding.
enum class Encoding : unsigned char
{
    Gbk,   // code page 936: the default, and every record that is not plainly another
    Utf8,  // well-formed UTF-8, whatever the record declares
    Marc8, // MARC-8: escape sequences, or ANSEL diacritics and signs and nothing else
};

// Decides from the record's bytes, its declaration (leader/09 "a"; UNIMARC 100 $a/26-27 "50")
// breaking ties only:
// 1. an ISO 2022 escape sequence (ESC and a final byte) makes it MARC-8;
// 2. nothing above 0x7F: UTF-8 when declared so, else GBK (the bytes are the same);
// 3. well-formed UTF-8 throughout: UTF-8;
// 4. every byte above 0x7F an ANSEL sign or diacritic, each diacritic followed by the
//    character it sits on: MARC-8 (GBK Chinese text never looks like this);
// 5. declared UTF-8 with more well-formed sequences than stray bytes: UTF-8 with a few bad
//    bytes;
// 6. anything else: GBK.
Encoding detectEncoding(std::string_view record);

// Which encodings a record's field bytes may be in, beside what detectEncoding() decides. Most
// bytes say it plainly and fit that one only: an escape sequence (MARC-8), well-formed UTF-8
// beyond ASCII (other text hardly ever is), and whatever rules 5 and 6 decide. Two cases are
// open: ANSEL signs and diacritics alone (rule 4) fit GBK too when every byte is an assigned
// GBK character, and a record with nothing above 0x7F fits all three unless it declares UTF-8.
struct EncodingFit
{
    Encoding detected = Encoding::Gbk;
    bool gbk = false;
    bool utf8 = false;
    bool marc8 = false;

    bool fits(Encoding encoding) const
    {
        return encoding == Encoding::Utf8 ? utf8 : encoding == Encoding::Marc8 ? marc8 : gbk;
    }
    bool ambiguous() const { return int(gbk) + int(utf8) + int(marc8) > 1; }
};
EncodingFit fitEncodings(std::string_view record);

// "GBK", "UTF-8", "MARC-8".
const char* encodingName(Encoding encoding);

} // namespace bibliora
