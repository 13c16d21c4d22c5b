#pragma once

#include "recordwriter.h"

#include <string>
#include <vector>

namespace bibliora::formats {

// A table in UTF-8 with a byte-order mark, quoted as RFC 4180 has it, lines ending CR LF: the
// header 序号,题名,ISBN/ISSN and each chosen subfield as it was typed ("200$f"), then one row
// per record: its number, title and ISBN/ISSN as the record list shows them, and every value
// of each chosen subfield (or the whole of a control field given as "001") joined by "; ".
class CsvWriter final : public RecordWriter
{
public:
    // Whether `spec` names a subfield ("200$f") or a field ("001").
    static bool validSpec(std::string_view spec);

    explicit CsvWriter(std::vector<std::string> specs);

    void begin(std::string& out) override;
    bool write(std::string& out, std::int64_t number, std::string_view record,
               Encoding encoding) override;

private:
    std::vector<std::string> m_specs;
};

} // namespace bibliora::formats
