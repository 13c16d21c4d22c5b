#pragma once

#include "recordwriter.h"

#include <optional>

namespace bibliora::formats {

// ISO 2709 records, each ending in its record terminator: one a line with CR LF after each,
// as the window's export appends them, or back to back as the standard has them. Each record
// is written in its own encoding's bytes as it was read, or, given a target encoding, a record
// in another is converted (convertRecord()) and one already in it written as it was.
class IsoFileWriter final : public RecordWriter
{
public:
    IsoFileWriter(bool oneALine, std::optional<Encoding> target);

    bool write(std::string& out, std::int64_t number, std::string_view record,
               Encoding encoding) override;

private:
    bool m_oneALine;
    std::optional<Encoding> m_target;
    std::string m_converted;
};

} // namespace bibliora::formats
