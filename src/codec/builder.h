#pragma once

#include "encoding.h"
#include "marc.h"

#include <string>
#include <string_view>

namespace bibliora {

// The local date and time a build stamps into a generated 001 or 005.
struct BuildTime
{
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

enum class BuildError
{
    None,
    TooFewLines,   // fewer than two CR: not a record text
    EmptySubfield, // "■■" or a line ending in "■"
    TooLarge,      // a number does not fit its leader or directory field
};

struct BuildResult
{
    MarcRecord record; // empty unless error is None
    BuildError error = BuildError::None;
    std::size_t line = 0; // 1-based line of an EmptySubfield
};

// Builds a new ISO 2709 record from edited display text that ends in CR LF, its fields
// written in `encoding` (and every length counting those bytes). Placeholders (U+2800 + b)
// become the bytes they stand for.
BuildResult buildIsoRecordChecked(std::u16string_view text, const BuildTime& now,
                                  Encoding encoding = Encoding::Gbk);

// The same, empty when no record can be built.
MarcRecord buildIsoRecord(std::u16string_view text, const BuildTime& now,
                          Encoding encoding = Encoding::Gbk);

// Saves the edited text of a record in the encoding that record was read in (never one
// detected afresh from the text or the result), so that a record and its file keep their
// encoding.
BuildResult rebuildRecord(std::u16string_view text, Encoding encoding, const BuildTime& now);

// What rebuildRecord() does to a record built in UTF-8: when a field cut inside a character
// leaves its bytes no longer UTF-8 throughout, leader/09 "a" says it is.
void keepUtf8Declared(MarcRecord& record);

// The leader a build writes for a text whose first line is `header` ("HEA", four blanks and
// leader positions 05-23, as the display shows it): positions 05-09, 17-19 and 23 from the
// line, the rest the builder's own; the record length and base address are zeros until the
// record is written (IsoWriter::finish).
std::string leaderStemFor(std::u16string_view header);

// The record, read in `encoding`, as plain text, for the clipboard: GBK and UTF-8 records
// decoded; a MARC-8 record, which has no plain-text form, as it would be saved in UTF-8
// (leader/09 "a", lengths counting UTF-8 bytes).
std::u16string recordAsPlainText(std::string_view record, Encoding encoding, const BuildTime& now);

} // namespace bibliora
