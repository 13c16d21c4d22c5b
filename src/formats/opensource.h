#pragma once

#include "fileformat.h"
#include "reader.h"
#include "recordsource.h"

#include <filesystem>
#include <memory>
#include <string_view>

namespace bibliora::formats {

// The reader for a file's form, told from its content (formatOf()). Null when the path is
// not a regular file or cannot be opened; `format`, when given, is set to the form found.
std::unique_ptr<RecordSource> openRecordSource(const std::filesystem::path& path,
                                               FileFormat* format = nullptr,
                                               const ReadOptions& options = {});

// The same over bytes in memory, which must outlive the reader.
std::unique_ptr<RecordSource> recordSourceFor(std::string_view bytes, FileFormat* format = nullptr,
                                              const ReadOptions& options = {});

} // namespace bibliora::formats
