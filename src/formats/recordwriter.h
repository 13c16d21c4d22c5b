#pragma once

#include "encoding.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace bibliora::formats {

// What a writer did with the records it was given.
struct WriteCounts
{
    std::uint64_t written = 0;
    // Not written: unreadable, or too large once in the bytes of the encoding asked for.
    std::uint64_t failed = 0;
    // Written with bytes or characters the form or encoding cannot carry as placeholders (or,
    // into code page 936, as "?").
    std::uint64_t placeholders = 0;
    // MARC 21 records in MARCXML that the MARC 21 slim schema would not accept (an indicator that
    // is no digit, lower-case letter or blank; a data field without subfields; a leader or tag of
    // the wrong shape): written as the record has it all the same.
    std::uint64_t outsideSchema = 0;
};

// Records written one after another as one file's bytes, appended to `out`; the caller writes
// `out` wherever it goes and may empty it between records. begin() and end() write what comes
// before the first record and after the last.
class RecordWriter
{
public:
    virtual ~RecordWriter() = default;

    virtual void begin(std::string& out) { (void)out; }
    // Record number `number` (as the record list numbers it), read in `encoding`. False when it
    // could not be written (and nothing was).
    virtual bool write(std::string& out, std::int64_t number, std::string_view record,
                       Encoding encoding) = 0;
    virtual void end(std::string& out) { (void)out; }

    const WriteCounts& counts() const { return m_counts; }

protected:
    RecordWriter() = default;
    WriteCounts m_counts;
};

} // namespace bibliora::formats
