#pragma once

#include "marc.h"

#include <string>
#include <string_view>
#include <vector>

namespace bibliora::formats {

// One field of a record: its tag as the directory writes it and its bytes without the field
// terminator (indicators and subfield delimiters included in a data field).
struct RecordField
{
    std::string tag;
    std::string data;
};

struct RecordParts
{
    std::string leader; // 24 bytes
    std::vector<RecordField> fields;
};

// The leader and every directory entry in directory order, each field's bytes as far as the
// record holds them, without field or record terminators (a record terminator inside a field
// would end the record in a file of records one per line). False when the record has no
// leader and directory to read.
bool readParts(std::string_view record, RecordParts& parts);

// 001-009 and the other tags starting "00" hold no indicators or subfields.
bool isControlTag(std::string_view tag);

// UNIMARC (and CNMARC) when the record has a 200, or an 801 and neither 245 nor 008; otherwise
// MARC 21. A 200 outweighs an 008, which some CNMARC records carry.
bool isUnimarc(const std::vector<RecordField>& fields);

enum class Assembly
{
    Done,
    FieldTooLarge,  // a field of 9,999 bytes or more with its terminator
    RecordTooLarge, // more than 99,999 bytes
};

// The record of `parts`, its record length and base address counted in the bytes written.
// Field and record terminators are left out of a field's bytes, and are blanks in the leader
// and in a tag, where the directory must hold none.
Assembly assemble(const RecordParts& parts, MarcRecord& out);

// The first $a of the first 100: where UNIMARC keeps its character sets at 26-29. Null when
// there is none.
std::string* generalProcessingData(std::vector<RecordField>& fields, std::size_t& start);

} // namespace bibliora::formats
