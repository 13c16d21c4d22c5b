#pragma once

#include <string_view>

namespace bibliora::formats {

// The form of a record file, told from its first bytes whatever its name says.
enum class FileFormat
{
    Iso,     // ISO 2709 in any of the encodings the codec's reader takes: everything else
    MarcXml, // a MARC 21 slim or MarcXchange collection or single record
    Mrk,     // MARC text: "=LDR  " and "=TAG  " lines
};

// Enough of a file's start for formatOf(): whatever comes before the first element or line
// that decides it must fit.
inline constexpr std::size_t kRecognitionBytes = 64 * 1024;

// XML whose first element is a `collection` or a `record` in the MARC 21 slim namespace
// (http://www.loc.gov/MARC21/slim) or MarcXchange's (info:lc/xmlns/marcxchange-v1), with or
// without a prefix, in UTF-8, UTF-16 or any 8-bit encoding is MarcXml; a first line (after a
// byte-order mark, blank lines and lines starting "#") that starts "=LDR" is Mrk.
FileFormat formatOf(std::string_view head);

} // namespace bibliora::formats
