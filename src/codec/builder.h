#pragma once

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

// Builds a new ISO 2709 record (GBK bytes) from edited display text that ends in CR LF.
BuildResult buildIsoRecordChecked(std::u16string_view text, const BuildTime& now);

// The same, empty when no record can be built.
MarcRecord buildIsoRecord(std::u16string_view text, const BuildTime& now);

} // namespace bibliora
