#pragma once

#include "encoding.h"
#include "marc.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

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

// The end of a command that read the records of `path` and wrote to `target`: when the reading
// stopped early or the writing failed, says so and returns `failure`; else 0.
int finishReading(const std::string& path, bool read, const std::string& target, bool written,
                  int failure = 1);

} // namespace bibliora::cli
