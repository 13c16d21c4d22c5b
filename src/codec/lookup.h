#pragma once

#include "encoding.h"
#include "marc.h"

#include <string>
#include <string_view>

namespace bibliora {

// The first value of subfield spec[3] in the fields tagged spec[0..2], or the whole text of
// 001 or 005. Empty when the value is absent, empty, or the record cannot be read. The first
// matching subfield wins even when its value is empty.
std::u16string lookupSubfield(std::string_view record, std::u16string_view spec);
// The same for a record whose encoding is known.
std::u16string lookupSubfield(std::string_view record, std::u16string_view spec, Encoding encoding);

// Locates field data: the byte range of directory entry `index` in `record`, clipped to the
// record. Shared by the look-up and the display text.
struct FieldSlice
{
    std::string_view tag;      // up to 3 bytes, as written in the directory
    std::string_view data;     // the field's bytes, clipped to the record's end
    bool numbersValid = false; // length and start were both numbers
};

struct DirectoryView
{
    bool valid = false;       // a first field terminator at byte 24 or later
    std::size_t base = 0;     // byte after the first field terminator
    std::string_view entries; // bytes 24 .. first field terminator
};

// `bytes` without its field terminators; uses `scratch` only when there is one to remove.
std::string_view withoutFieldTerminators(std::string_view bytes, std::string& scratch);

DirectoryView directoryOf(std::string_view record);
FieldSlice fieldAt(std::string_view record, const DirectoryView& dir, std::size_t entryStart);

} // namespace bibliora
