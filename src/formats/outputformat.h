#pragma once

#include "encoding.h"
#include "recordwriter.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bibliora::formats {

enum class OutputFormat
{
    Iso,      // ISO 2709, records back to back
    IsoLines, // ISO 2709, one record a line with CR LF after each (the window's export)
    MarcXml,
    Mrk,
    Csv,
};

// "iso", "iso-lines", "marcxml", "mrk", "csv".
std::optional<OutputFormat> outputFormatNamed(std::string_view name);
// The encoding the ISO forms write records in.
enum class TargetEncoding
{
    Keep, // each record in its own
    Utf8,
    Gbk,
};

// "keep", "utf-8", "gbk".
std::optional<TargetEncoding> targetEncodingNamed(std::string_view name);
// The encoding records are converted into; none for Keep.
std::optional<Encoding> encodingOf(TargetEncoding target);

// The writer of a form; `target` counts for the ISO forms only, `csvSpecs` for CSV only.
std::unique_ptr<RecordWriter> createWriter(OutputFormat format, TargetEncoding target,
                                           const std::vector<std::string>& csvSpecs);

} // namespace bibliora::formats
