#pragma once

#include "encoding.h"
#include "marc.h"

#include <string>
#include <string_view>
#include <vector>

namespace bibliora::formats {

// UNIMARC 100 $a/26-29 for records in UTF-8 ("50": ISO 10646, Unicode), and the code CNMARC
// records in code page 936 carry: "01" (ISO 646, basic Latin) and "20" (the Chinese national
// character set).
inline constexpr std::string_view kUnicodeCharacterSets = "50  ";
inline constexpr std::string_view kChineseCharacterSets = "0120";

// Characters of one field that an encoding has no form for.
struct Unholdable
{
    std::string tag;
    std::u16string characters; // each once, in the order they first appear
};

// The characters of `record`, read in `from`, that `to` cannot hold, field by field; empty
// when every character can be written (always so for UTF-8). Bytes that are no character of
// `from` are not counted: they are written back as the bytes they are.
std::vector<Unholdable> unholdableCharacters(std::string_view record, Encoding from, Encoding to);

enum class Conversion
{
    Done,
    Unreadable,     // no leader and directory to read
    FieldTooLarge,  // a field in the new bytes would pass 9,999 bytes
    RecordTooLarge, // the record in the new bytes would pass 99,999 bytes
};

// `record`, read in `from`, rebuilt in `to`: every field decoded and encoded again (bytes
// that are no character of `from` kept as they are; a character `to` cannot hold becomes
// "?"), lengths counted in the new bytes, the leader's kept but for the numbers. What a record
// says of its encoding follows: in UTF-8, MARC 21 leader/09 "a" and UNIMARC 100 $a/26-29
// "50  "; in code page 936, a MARC 21 leader/09 of blank and a UNIMARC 100 $a/26-27 that said
// "50" becomes kChineseCharacterSets. Converting into the same encoding only rebuilds.
Conversion convertRecord(std::string_view record, Encoding from, Encoding to, MarcRecord& out);

} // namespace bibliora::formats
