#pragma once

#include "reader.h"
#include "recordfields.h"
#include "textsource.h"

#include <filesystem>
#include <string>
#include <string_view>

struct XML_ParserStruct;

namespace bibliora::formats {

// MARCXML (MARC 21 slim, or MarcXchange) read through expat, one buffer per step, each record
// made an ISO 2709 record in UTF-8: fields in document order, the leader as the XML gives it
// (for MARC 21 with leader/09 "a"; UNIMARC's 100 $a/26-29 stays as written), lengths counted.
// Text is taken in UTF-8, UTF-16, ISO-8859-1 or code page 936 (declared GBK, GB2312 or CP936);
// every placeholder (U+2800 + b) becomes the byte b. A record that would pass 99,999 bytes, or
// hold a field of 9,999, and one without a 24-byte leader, are skipped and counted. XML that
// is not well formed ends the reading with a message naming its line; so do an entity
// declaration (nothing is ever expanded or fetched), nesting deeper than a record needs and
// markup larger than a record could be. Memory stays bounded by one buffer and one record.
class MarcXmlSource final : public TextSource
{
public:
    explicit MarcXmlSource(const ReadOptions& options = {});
    ~MarcXmlSource() override;
    MarcXmlSource(const MarcXmlSource&) = delete;
    MarcXmlSource& operator=(const MarcXmlSource&) = delete;

    Step next(MarcRecord& record, Encoding& encoding) override;

private:
    class Callbacks;
    enum class Text
    {
        None,
        Leader,
        ControlField,
        DataField,
        Subfield,
    };

    void start(std::string_view name, const char** attributes);
    void end(std::string_view name);
    void text(std::string_view utf8);
    void refuse(const std::string& message);
    void endField();
    void keepStray();
    void endRecord();
    // Whether `more` bytes still fit the record.
    bool fits(std::size_t more);
    void parse(std::string_view bytes, bool last);

    XML_ParserStruct* m_parser = nullptr;

    std::size_t m_depth = 0;
    bool m_inRecord = false;
    bool m_broken = false; // the record is skipped when it ends
    std::size_t m_recordBytes = 0;
    RecordParts m_parts;
    RecordField m_field;
    Text m_text = Text::None;
    std::string m_value;
    std::string m_stray; // text inside a data field but outside its subfields
    std::string m_head;  // the input's first bytes, until there are enough for expat
    bool m_headGiven = false;
};

} // namespace bibliora::formats
