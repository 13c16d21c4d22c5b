#pragma once

// Structural checks on records, for the fuzz targets and the property tests. Written from the
// record layout alone, with no code of the codec, so the codec can be checked against them.

#include <string>
#include <string_view>

namespace bibliora::support {

// Empty when `r` is one well-formed ISO 2709 record as the builder writes it: the record
// length and base address in the leader agree with the bytes, the directory is whole 12-byte
// entries of digits, the fields follow each other from offset 0 without a gap, each ends with
// its own field terminator and holds no other, and the record ends with its only record
// terminator. Otherwise a description of the first fault found.
std::string wellFormedProblem(std::string_view r);

} // namespace bibliora::support
