#pragma once

#include "encoding.h"
#include "marc.h"

#include <cstdint>
#include <string>

namespace bibliora::formats {

// Why a reading stopped early when the system could not read the file to its end.
inline constexpr const char* kUnfinishedRead = "文件没能读到结尾";

// The records of one file, pulled one at a time in file order, whatever the file's form: each
// as ISO 2709 bytes and the encoding they are in. A caller that reads in time slices (the
// window's load) calls next() until it says End, going back to its event loop on Pending.
class RecordSource
{
public:
    enum class Step
    {
        Record,  // the next record and its encoding are in the arguments
        Pending, // input was read without finishing a record: call again
        End,     // no more records; error() says whether the file was read to its end
    };

    virtual ~RecordSource() = default;

    // `record` is replaced, its capacity reused.
    virtual Step next(MarcRecord& record, Encoding& encoding) = 0;
    // Bytes of the input consumed so far, for progress.
    virtual std::uint64_t position() const = 0;
    // Why the reading stopped before the end of the input (UTF-8, for the user), or empty.
    virtual const std::string& error() const = 0;
    // Records the input held that could not be made into ISO 2709 records (too large, or
    // unreadable): left out, and counted here.
    virtual std::uint64_t skipped() const = 0;

protected:
    RecordSource() = default;
};

} // namespace bibliora::formats
