#pragma once

#include "encoding.h"
#include "marc.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace bibliora::cli {

// Arguments are UTF-8 on every system (on Windows main() makes them so), and so are the
// paths they name.
std::filesystem::path fsPath(const std::string& utf8);

// Why FILE cannot be read as a record file ("no such file", "not a regular file"), or empty.
std::string unreadableBecause(const std::string& path);

// Whether both paths exist and name the same file.
bool sameFile(const std::string& a, const std::string& b);

// Every record of a file in order, ISO 2709, MARCXML or MARC text as its content says, with its
// number as the record list numbers it and the encoding the file's reading decides for it (a
// record that fits several takes the one of the file's other records), as the window reads
// it. The visitor may move the record away. Records the file holds that could not be read are
// counted on standard error. False when the file could not be opened or read to its end (why
// is said on standard error).
using RecordVisitor = std::function<void(std::int64_t number, MarcRecord& record, Encoding)>;
bool forEachRecord(const std::string& path, const RecordVisitor& visit);

// What a reading found besides its records.
struct ReadingEnd
{
    bool opened = false;
    std::uint64_t skipped = 0; // records that could not be read
    std::string error;         // why the reading stopped early, or empty
};
// forEachRecord() without its messages, for a command that says what it found in its own order.
ReadingEnd readEachRecord(const std::string& path, const RecordVisitor& visit);

// The same, with work done for each record before the visitor gets it: on the reading threads
// where the file is ISO 2709 and more than one is used, several records at once, so it must
// touch nothing shared; `prepared` is what it appended to its string for that record.
using RecordPrepare = std::function<void(std::string_view record, Encoding, std::string& out)>;
using PreparedVisitor = std::function<void(std::int64_t number, std::string_view record, Encoding,
                                           std::string_view prepared)>;
bool forEachPreparedRecord(const std::string& path, const RecordPrepare& prepare,
                           const PreparedVisitor& visit);

// How many threads read and work on records (--threads): 0 for one per core.
void setReadThreads(unsigned threads);
unsigned readThreads();

// The end of a command that read the records of `path` and wrote to `target`: when the reading
// stopped early or the writing failed, says so and returns `failure`; else 0.
int finishReading(const std::string& path, bool read, const std::string& target, bool written,
                  int failure = 1);

} // namespace bibliora::cli
