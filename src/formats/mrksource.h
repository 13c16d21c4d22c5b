#pragma once

#include "reader.h"
#include "recordfields.h"
#include "textsource.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

namespace bibliora::formats {

// MARC text (.mrk), one line per field: "=LDR  " and the leader, then "=TAG  " and a control
// field's data, or a data field's two indicators and its subfields, each "$" and its code.
// A backslash is a blank; {dollar}, {bsol}, {lcub} and {rcub} stand for "$", "\", "{" and
// "}", and {XX} (two hex digits) for that byte. A blank line, or the next "=LDR", ends a
// record; lines starting "#" and a UTF-8 byte-order mark are skipped. The text is UTF-8, and
// so is every record, whatever bytes the escapes give it. A record that would pass 99,999 bytes, or
// one without a 24-byte leader, is skipped and counted. Memory stays bounded by one buffer and one
// record.
class MrkSource final : public TextSource
{
public:
    explicit MrkSource(const ReadOptions& options = {});

    Step next(MarcRecord& record, Encoding& encoding) override;

private:
    void takeLine();
    void endRecord();

    std::string_view m_piece;
    std::string m_line;
    bool m_lineTooLong = false;
    bool m_firstLine = true;

    bool m_inRecord = false;
    bool m_broken = false;
    std::size_t m_recordBytes = 0;
    RecordParts m_parts;
};

} // namespace bibliora::formats
