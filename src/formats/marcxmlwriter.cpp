#include "marcxmlwriter.h"

#include "conversion.h"
#include "placeholdertext.h"
#include "recordfields.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace bibliora::formats {
namespace {

// The text of `bytes` inside an element, or with `attribute` inside a double-quoted attribute
// value. True when something had to be written as a placeholder.
bool appendXml(std::string& out, std::string_view bytes, bool attribute)
{
    bool placeholders = false;
    while (!bytes.empty()) {
        const PlaceholderText::Piece piece = PlaceholderText::first(bytes);
        bytes.remove_prefix(piece.bytes.size());
        const char32_t c = piece.character;
        const bool control = c < 0x20 && c != '\t' && c != '\n' && c != '\r';
        if (c == PlaceholderText::kNoCharacter || control || c == 0xFFFE || c == 0xFFFF) {
            placeholders = true;
            PlaceholderText::appendPlaceholder(out, static_cast<unsigned char>(piece.bytes[0]));
        } else if (PlaceholderText::isPlaceholder(c)) {
            for (char b : piece.bytes)
                PlaceholderText::appendPlaceholder(out, static_cast<unsigned char>(b));
        } else if (c == '\r') {
            out += "&#13;";
        } else if (c == '\n' && attribute) {
            out += "&#10;";
        } else if (c == '\t' && attribute) {
            out += "&#9;";
        } else if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else if (c == '"' && attribute) {
            out += "&quot;";
        } else {
            out += piece.bytes;
        }
    }
    return placeholders;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isAlnum(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

// The leader, tags, indicators and subfield codes MARC21slim.xsd accepts.
bool schemaLeader(std::string_view l)
{
    const auto all = [&](std::size_t from, std::size_t to, bool (*ok)(char)) {
        for (std::size_t i = from; i < to; ++i)
            if (!ok(l[i]))
                return false;
        return true;
    };
    const auto digitOrBlank = [](char c) { return isDigit(c) || c == ' '; };
    const auto alnumOrBlank = [](char c) { return isAlnum(c) || c == ' '; };
    return l.size() == kLeaderLength && all(0, 5, digitOrBlank) && all(5, 6, alnumOrBlank) &&
           all(6, 7, isAlnum) && all(7, 10, alnumOrBlank) && (l[10] == '2' || l[10] == ' ') &&
           (l[11] == '2' || l[11] == ' ') && all(12, 17, digitOrBlank) &&
           all(17, 20, alnumOrBlank) && (l.substr(20) == "4500" || l.substr(20) == "    ");
}

bool schemaControlTag(std::string_view tag)
{
    return tag.size() == 3 && tag[0] == '0' && tag[1] == '0' && isAlnum(tag[2]) && tag[2] != '0';
}

bool schemaDataTag(std::string_view tag)
{
    if (tag.size() != 3 || !isAlnum(tag[0]) || !isAlnum(tag[1]) || !isAlnum(tag[2]))
        return false;
    const bool upper = std::none_of(tag.begin(), tag.end(), [](char c) { return c >= 'a'; });
    const bool lower =
        std::none_of(tag.begin(), tag.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
    return (upper || lower) && !(tag[0] == '0' && tag[1] == '0');
}

bool schemaIndicator(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'z') || c == ' ';
}

bool schemaCode(std::string_view code)
{
    return code.size() == 1 && code[0] > ' ' && code[0] < 0x7F && code[0] != '@' && code[0] != '|';
}

} // namespace

void MarcXmlWriter::begin(std::string& out)
{
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<collection xmlns=\"http://www.loc.gov/MARC21/slim\">\n";
}

bool MarcXmlWriter::write(std::string& out, std::int64_t, std::string_view record,
                          Encoding encoding)
{
    RecordParts parts;
    if (convertRecord(record, encoding, Encoding::Utf8, m_utf8) != Conversion::Done ||
        !readParts(m_utf8, parts)) {
        ++m_counts.failed;
        return false;
    }
    const bool marc21 = !isUnimarc(parts.fields);
    if (marc21) {
        parts.leader[9] = 'a';
        parts.leader.replace(20, 4, "4500");
    }
    bool placeholders = false;
    bool valid = schemaLeader(parts.leader);
    out += "  <record>\n    <leader>";
    placeholders |= appendXml(out, parts.leader, false);
    out += "</leader>\n";
    for (const RecordField& field : parts.fields) {
        const std::string_view data = field.data;
        if (isControlTag(field.tag)) {
            valid = valid && schemaControlTag(field.tag);
            out += "    <controlfield tag=\"";
            placeholders |= appendXml(out, field.tag, true);
            out += "\">";
            placeholders |= appendXml(out, data, false);
            out += "</controlfield>\n";
            continue;
        }
        valid = valid && schemaDataTag(field.tag);
        out += "    <datafield tag=\"";
        placeholders |= appendXml(out, field.tag, true);
        for (std::size_t i = 0; i < 2; ++i) {
            const std::string_view ind = data.substr(std::min(i, data.size()), 1);
            valid = valid && ind.size() == 1 && schemaIndicator(ind[0]);
            out += i == 0 ? "\" ind1=\"" : "\" ind2=\"";
            placeholders |= appendXml(out, ind, true);
        }
        out += "\">";
        std::string_view rest = data.substr(std::min<std::size_t>(2, data.size()));
        const std::size_t first = rest.find(kSubfieldDelimiter);
        valid = valid && first == 0;
        // Bytes before the first subfield stand right after the start tag, with no white space
        // around them that a reader would have to tell from theirs.
        // Blanks alone there would be taken for layout, so they are written as placeholders.
        const std::string_view before = rest.substr(0, first);
        if (first == 0)
            out += "\n";
        else if (before.find_first_not_of(" \t\r\n") == std::string_view::npos)
            for (char b : before)
                PlaceholderText::appendPlaceholder(out, static_cast<unsigned char>(b));
        else
            placeholders |= appendXml(out, before, false);
        rest.remove_prefix(std::min(first, rest.size()));
        bool indent = first == 0;
        while (!rest.empty()) {
            rest.remove_prefix(1);
            const std::size_t end = rest.find(kSubfieldDelimiter);
            const std::string_view subfield = rest.substr(0, end);
            rest.remove_prefix(std::min(end, rest.size()));
            // The code is one byte; one that starts a longer character stands as placeholder.
            const std::string_view code = subfield.substr(0, 1);
            valid = valid && schemaCode(code);
            out += indent ? "      <subfield code=\"" : "<subfield code=\"";
            indent = true;
            if (!code.empty() && static_cast<unsigned char>(code[0]) >= 0x80) {
                PlaceholderText::appendPlaceholder(out, static_cast<unsigned char>(code[0]));
                placeholders = true;
            } else {
                placeholders |= appendXml(out, code, true);
            }
            out += "\">";
            placeholders |= appendXml(out, subfield.substr(code.size()), false);
            out += "</subfield>\n";
        }
        out += indent ? "    </datafield>\n" : "</datafield>\n";
    }
    out += "  </record>\n";
    m_counts.placeholders += placeholders;
    // The MARC 21 slim schema is MARC 21's: UNIMARC records are not held to it.
    m_counts.outsideSchema += marc21 && !valid;
    ++m_counts.written;
    return true;
}

void MarcXmlWriter::end(std::string& out)
{
    out += "</collection>\n";
}

} // namespace bibliora::formats
