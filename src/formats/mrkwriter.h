#pragma once

#include "marc.h"
#include "recordwriter.h"

namespace bibliora::formats {

// MARC text in UTF-8 with a byte-order mark, lines ending CR LF, a blank line after each
// record: "=LDR  " and the leader (of the record converted to UTF-8, so with its lengths, and
// for MARC 21 leader/09 "a"), then "=TAG  " and each field. A blank in the leader, a control
// field or an indicator is written "\"; "$", "\", "{" and "}" as {dollar}, {bsol}, {lcub} and
// {rcub}; a subfield delimiter as "$"; bytes that are no UTF-8 character, control characters
// and Braille patterns as {XX}, the hex of each byte.
class MrkWriter final : public RecordWriter
{
public:
    void begin(std::string& out) override;
    bool write(std::string& out, std::int64_t number, std::string_view record,
               Encoding encoding) override;

private:
    MarcRecord m_utf8;
};

} // namespace bibliora::formats
