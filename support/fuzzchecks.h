#pragma once

// The checks of the fuzz targets as plain functions, so that the targets and the tests replay
// the same inputs through the same checks. Each returns an empty string when the input passes,
// otherwise a description of the first fault.

#include "codec.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace bibliora::support {

// The fixed clock of every build made by the checks.
inline constexpr BuildTime kClock{2024, 1, 31, 14, 30, 5};

// Saving the shown record: its display text with the CR LF the save appends, built again in
// the encoding its row keeps; without one, the encoding detected from the record alone (a
// file of one record).
MarcRecord save(std::string_view record, Encoding encoding);
MarcRecord save(std::string_view record);

// Saving `record` gives a well-formed record (or none), and saving that again in the same
// encoding changes nothing.
std::string stableSaveProblem(std::string_view record, Encoding encoding);

// The file reader over `input` as it is and behind FF FE, each with the default run limit and
// with a limit of a few dozen bytes: read whole from memory, and from `scratchFile` (rewritten
// here) in chunks of 4 to 11 bytes, and by the chunked reader on two threads in chunks of as
// many bytes; every read delivers the same records, each one what its encoding can deliver.
std::string readerProblem(std::string_view input, const std::filesystem::path& scratchFile);

// lookupSubfield: the first byte picks a spec (0 to 5 characters from the next bytes, a byte
// above 0x7F standing for a Chinese character, or one of the record list's specs); the rest is
// the record. The record list's own look-ups are made too.
std::string lookupProblem(std::string_view input);

// formatRecordText over a record starts with its header line; the save is stable.
std::string displayTextProblem(std::string_view record);

// buildIsoRecord over text: the first byte's low bit says whether the rest is UTF-8 or raw
// UTF-16LE code units. The checked and the plain builder agree, the record is well formed and
// saving it again changes nothing.
std::string builderProblem(std::string_view input);

// The record checker over a file: the first byte picks the rule set and the encoding (forced,
// or decided per record as a file's reading does); the rest is the file. Every problem has a
// tag, a message and UTF-8 texts; a record lists a bounded number; checking a record again
// (as after a save) finds what checking it found, duplicates aside.
std::string checkerProblem(std::string_view input);

// A change over one record: the first byte picks the search mode (bits 0-1), ignoring case
// (bit 2), the kind of change (bits 3-5) and the encoding (bits 6-7: as detected, or forced);
// the second picks the scope or tag; then the expression and the replacement or field line,
// each as a length byte and that many bytes of UTF-8; the rest is the record. A refused search
// or change passes. The byte form and the text form give the same outcome; a changed record
// is well formed and a save keeps it stable; an untouched record is not rebuilt; matches()
// agrees with count().
std::string editProblem(std::string_view input);

// The MARCXML reader over arbitrary bytes, whole and a few bytes a step: the same records, the
// same count of skipped records and the same message. Each record is one ISO 2709 record as
// the formats library assembles it, in UTF-8. Written with the MARCXML writer and read again,
// every record comes back byte for byte, but for what the writer documents it sets (MARC 21
// leader/20-23 "4500"), and nothing is skipped or refused.
std::string marcXmlProblem(std::string_view input);

// The same for MARC text (.mrk) and its writer, which sets MARC 21 leader/09 "a".
std::string mrkProblem(std::string_view input);

// For the fuzz targets: a problem ends the run as a crash that libFuzzer records, with the
// problem on standard error.
void abortOnProblem(const std::string& problem);

inline std::string_view asBytes(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

} // namespace bibliora::support
