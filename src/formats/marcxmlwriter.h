#pragma once

#include "marc.h"
#include "recordwriter.h"

namespace bibliora::formats {

// A MARC 21 slim collection in UTF-8. Each record is converted to UTF-8 first (convertRecord()),
// so its leader is its own with the record length and base address of those bytes, and for
// MARC 21 leader/09 "a" and 20-23 "4500". Control fields are the tags starting "00"; a data
// field's bytes before its first subfield stand as text of the datafield element. A CR is
// written as "&#13;" (XML would read a bare one as a line break). Bytes that are no UTF-8
// character, and characters XML cannot carry (control characters), are written as
// placeholders (U+2800 + byte), as is a Braille pattern of the record, which a reader takes
// back as bytes.
class MarcXmlWriter final : public RecordWriter
{
public:
    void begin(std::string& out) override;
    bool write(std::string& out, std::int64_t number, std::string_view record,
               Encoding encoding) override;
    void end(std::string& out) override;

private:
    MarcRecord m_utf8;
};

} // namespace bibliora::formats
