#include "marcxmlsource.h"

#include "gbk.h"
#include "placeholdertext.h"

#include <expat.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace bibliora::formats {
namespace {

constexpr std::size_t kMaxRecord = 99999;
// A collection, a record, a data field, a subfield: anything much deeper is no MARCXML.
constexpr std::size_t kMaxDepth = 64;
// Markup (a start tag, a comment) that expat has to hold whole: no record needs more.
constexpr std::size_t kMaxHeldBytes = 4u << 20;
// What expat needs at once to tell the encoding of a document without a declaration.
constexpr std::size_t kHeadBytes = 4;

bool isGbkName(const char* name)
{
    static const char* const kNames[] = {"gbk",   "gb2312",      "gb_2312-80", "cp936",
                                         "ms936", "windows-936", "x-gbk",      "csgb2312"};
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::any_of(std::begin(kNames), std::end(kNames),
                       [&](const char* n) { return lower == n; });
}

int XMLCALL convertGbk(void*, const char* s)
{
    const std::string_view pair(s, 2);
    const std::u16string c = Gbk::decode(pair);
    if (c.size() != 1 || Gbk::encode(c) != pair || (c[0] >= 0xD800 && c[0] <= 0xDFFF))
        return -1;
    return c[0];
}

int XMLCALL onUnknownEncoding(void*, const XML_Char* name, XML_Encoding* info)
{
    if (!isGbkName(name))
        return XML_STATUS_ERROR;
    for (int b = 0; b < 0x80; ++b)
        info->map[b] = b;
    for (int b = 0x80; b < 0x100; ++b) {
        const char byte = static_cast<char>(b);
        const std::u16string c = Gbk::decode(std::string_view(&byte, 1));
        const bool single = c.size() == 1 && Gbk::encode(c) == std::string_view(&byte, 1);
        info->map[b] = single ? c[0] : (b >= 0x81 && b <= 0xFE ? -2 : -1);
    }
    info->data = nullptr;
    info->convert = convertGbk;
    info->release = nullptr;
    return XML_STATUS_OK;
}

// "uri|local" as expat reports a name in a namespace: the local name when the namespace is
// one of MARCXML's or none, else empty.
std::string_view localName(std::string_view name)
{
    const std::size_t bar = name.rfind('|');
    if (bar == std::string_view::npos)
        return name;
    const std::string_view uri = name.substr(0, bar);
    if (uri != "http://www.loc.gov/MARC21/slim" && uri != "info:lc/xmlns/marcxchange-v1")
        return {};
    return name.substr(bar + 1);
}

const char* attribute(const char** attributes, std::string_view name)
{
    for (const char** a = attributes; *a; a += 2)
        if (name == a[0])
            return a[1];
    return nullptr;
}

bool isWhitespace(std::string_view text)
{
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

} // namespace

class MarcXmlSource::Callbacks final
{
public:
    static void XMLCALL start(void* self, const XML_Char* name, const XML_Char** attributes)
    {
        static_cast<MarcXmlSource*>(self)->start(name, attributes);
    }
    static void XMLCALL end(void* self, const XML_Char* name)
    {
        static_cast<MarcXmlSource*>(self)->end(name);
    }
    static void XMLCALL text(void* self, const XML_Char* s, int length)
    {
        static_cast<MarcXmlSource*>(self)->text(std::string_view(s, std::size_t(length)));
    }
    static void XMLCALL entityDeclaration(void* self, const XML_Char*, int, const XML_Char*, int,
                                          const XML_Char*, const XML_Char*, const XML_Char*,
                                          const XML_Char*)
    {
        static_cast<MarcXmlSource*>(self)->refuse("XML 中有实体声明，不予读取");
    }
};

MarcXmlSource::MarcXmlSource(const ReadOptions& options)
    : TextSource(options.bufferBytes), m_parser(XML_ParserCreateNS(nullptr, '|'))
{
    if (!m_parser)
        throw std::bad_alloc();
    XML_SetUserData(m_parser, this);
    XML_SetElementHandler(m_parser, Callbacks::start, Callbacks::end);
    XML_SetCharacterDataHandler(m_parser, Callbacks::text);
    XML_SetEntityDeclHandler(m_parser, Callbacks::entityDeclaration);
    XML_SetUnknownEncodingHandler(m_parser, onUnknownEncoding, nullptr);
    XML_SetParamEntityParsing(m_parser, XML_PARAM_ENTITY_PARSING_NEVER);
}

MarcXmlSource::~MarcXmlSource()
{
    XML_ParserFree(m_parser);
}

RecordSource::Step MarcXmlSource::next(MarcRecord& record, Encoding& encoding)
{
    for (bool read = false;; read = true) {
        if (takeReady(record, encoding))
            return Step::Record;
        if (m_finished)
            return Step::End;
        if (read)
            return Step::Pending;
        const std::string_view piece = m_input.read();
        if (piece.empty() && m_input.failed()) {
            m_error = kUnfinishedRead;
            m_finished = true;
        } else if (!m_headGiven) {
            // Expat tells the encoding from the first bytes it is handed (UTF-16 without a
            // byte-order mark by its zero bytes): it gets four at once, or all there are.
            m_head += piece;
            if (m_head.size() >= kHeadBytes || piece.empty()) {
                m_headGiven = true;
                parse(m_head, piece.empty());
                m_head = std::string(); // expat keeps what it has not used yet
            }
        } else {
            parse(piece, piece.empty());
        }
    }
}

void MarcXmlSource::parse(std::string_view bytes, bool last)
{
    const XML_Status status = XML_Parse(m_parser, bytes.data(), static_cast<int>(bytes.size()),
                                        last ? XML_TRUE : XML_FALSE);
    if (status != XML_STATUS_OK) {
        if (m_error.empty()) {
            m_error = "XML 有误，第 " + std::to_string(XML_GetCurrentLineNumber(m_parser)) +
                      " 行：" + XML_ErrorString(XML_GetErrorCode(m_parser));
        }
        m_finished = true;
        return;
    }
    int offset = 0;
    int held = 0;
    if (XML_GetInputContext(m_parser, &offset, &held) && std::size_t(held) > kMaxHeldBytes) {
        refuse("XML 中有超过 4 MB 的标记，第 " +
               std::to_string(XML_GetCurrentLineNumber(m_parser)) + " 行");
        m_finished = true;
        return;
    }
    m_finished = last;
}

void MarcXmlSource::refuse(const std::string& message)
{
    if (m_error.empty())
        m_error = message;
    XML_StopParser(m_parser, XML_FALSE);
}

bool MarcXmlSource::fits(std::size_t more)
{
    if (m_recordBytes + more > kMaxRecord) {
        m_broken = true;
        m_value.clear();
        m_stray.clear();
        m_field.data.clear();
        m_parts.fields.clear();
        return false;
    }
    m_recordBytes += more;
    return true;
}

void MarcXmlSource::start(std::string_view name, const char** attributes)
{
    if (++m_depth > kMaxDepth) {
        refuse("XML 嵌套超过 " + std::to_string(kMaxDepth) + " 层，第 " +
               std::to_string(XML_GetCurrentLineNumber(m_parser)) + " 行");
        return;
    }
    const std::string_view local = localName(name);
    if (local == "record") {
        if (m_inRecord)
            m_broken = true;
        m_inRecord = true;
        m_parts.leader.clear();
        m_parts.fields.clear();
        m_recordBytes = 0;
        m_text = Text::None;
        return;
    }
    if (!m_inRecord || m_broken)
        return;
    const auto bytesOf = [](const char* value, std::string& out) {
        out.clear();
        if (value)
            PlaceholderText::appendBytes(out, value);
    };
    if (local == "leader") {
        m_text = Text::Leader;
        m_value.clear();
    } else if (local == "controlfield" || local == "datafield") {
        bytesOf(attribute(attributes, "tag"), m_field.tag);
        m_field.tag.resize(3, ' ');
        m_field.data.clear();
        m_value.clear();
        m_stray.clear();
        if (local == "controlfield") {
            m_text = Text::ControlField;
            return;
        }
        m_text = Text::DataField;
        std::string indicator;
        for (const char* ind : {"ind1", "ind2"}) {
            const char* value = attribute(attributes, ind);
            bytesOf(value ? value : " ", indicator);
            m_field.data += indicator;
        }
        fits(m_field.data.size());
    } else if (local == "subfield" && m_text == Text::DataField) {
        keepStray();
        std::string code;
        bytesOf(attribute(attributes, "code"), code);
        if (!fits(1 + code.size()))
            return;
        m_field.data.push_back(kSubfieldDelimiter);
        m_field.data += code;
        m_text = Text::Subfield;
        m_value.clear();
    }
}

void MarcXmlSource::text(std::string_view utf8)
{
    if (!m_inRecord || m_broken)
        return;
    std::string& target = m_text == Text::DataField ? m_stray : m_value;
    if (m_text == Text::None)
        return;
    // Text is counted against the record when it ends; until then it may take a few bytes more
    // than it gives (placeholders take three), never without bound.
    if (target.size() + utf8.size() > 4 * kMaxRecord)
        fits(kMaxRecord + 1);
    else
        target += utf8;
}

void MarcXmlSource::keepStray()
{
    if (!isWhitespace(m_stray)) {
        std::string bytes;
        PlaceholderText::appendBytes(bytes, m_stray);
        if (fits(bytes.size()))
            m_field.data += bytes;
    }
    m_stray.clear();
}

void MarcXmlSource::endField()
{
    if (m_text == Text::DataField)
        keepStray();
    else
        PlaceholderText::appendBytes(m_field.data, m_value);
    if (!fits(m_text == Text::DataField ? 0 : m_field.data.size()))
        return;
    m_parts.fields.push_back(std::move(m_field));
    m_field = {};
    m_text = Text::None;
}

void MarcXmlSource::end(std::string_view name)
{
    --m_depth;
    const std::string_view local = localName(name);
    if (!m_inRecord)
        return;
    if (local == "record") {
        endRecord();
        return;
    }
    if (m_broken)
        return;
    if (local == "leader" && m_text == Text::Leader) {
        m_parts.leader.clear();
        PlaceholderText::appendBytes(m_parts.leader, m_value);
        m_text = Text::None;
    } else if ((local == "controlfield" && m_text == Text::ControlField) ||
               (local == "datafield" && m_text == Text::DataField)) {
        endField();
    } else if (local == "subfield" && m_text == Text::Subfield) {
        std::string bytes;
        PlaceholderText::appendBytes(bytes, m_value);
        if (fits(bytes.size()))
            m_field.data += bytes;
        m_text = Text::DataField;
    }
}

void MarcXmlSource::endRecord()
{
    m_inRecord = false;
    m_text = Text::None;
    const bool broken = std::exchange(m_broken, false);
    if (broken || m_parts.leader.size() != kLeaderLength) {
        ++m_skipped;
        return;
    }
    if (!isUnimarc(m_parts.fields))
        m_parts.leader[9] = 'a'; // leader/09: UTF-8
    MarcRecord record;
    if (assemble(m_parts, record) != Assembly::Done) {
        ++m_skipped;
        return;
    }
    m_ready.push_back(std::move(record));
}

} // namespace bibliora::formats
