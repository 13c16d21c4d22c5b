#include "mrkwriter.h"

#include "conversion.h"
#include "placeholdertext.h"
#include "recordfields.h"

namespace bibliora::formats {
namespace {

enum class Part
{
    Fixed,     // leader, control field, indicators: a blank is "\"
    Subfields, // a data field after its indicators: a delimiter is "$"
};

// True when bytes that are no character, or control characters, were written as escapes.
bool appendMrk(std::string& out, std::string_view bytes, Part part)
{
    static const char kHex[] = "0123456789ABCDEF";
    bool escaped = false;
    while (!bytes.empty()) {
        const PlaceholderText::Piece piece = PlaceholderText::first(bytes);
        bytes.remove_prefix(piece.bytes.size());
        const char32_t c = piece.character;
        if (c == ' ' && part == Part::Fixed) {
            out.push_back('\\');
        } else if (c == char32_t(kSubfieldDelimiter) && part == Part::Subfields) {
            out.push_back('$');
        } else if (c == '$') {
            out += "{dollar}";
        } else if (c == '\\') {
            out += "{bsol}";
        } else if (c == '{') {
            out += "{lcub}";
        } else if (c == '}') {
            out += "{rcub}";
        } else if (c == PlaceholderText::kNoCharacter || c < 0x20 || c == 0x7F ||
                   PlaceholderText::isPlaceholder(c)) {
            escaped = escaped || !PlaceholderText::isPlaceholder(c);
            for (char b : piece.bytes) {
                const auto u = static_cast<unsigned char>(b);
                out += {'{', kHex[u >> 4], kHex[u & 15], '}'};
            }
        } else {
            out += piece.bytes;
        }
    }
    return escaped;
}

} // namespace

void MrkWriter::begin(std::string& out)
{
    out += "\xEF\xBB\xBF";
}

bool MrkWriter::write(std::string& out, std::int64_t, std::string_view record, Encoding encoding)
{
    RecordParts parts;
    if (convertRecord(record, encoding, Encoding::Utf8, m_utf8) != Conversion::Done ||
        !readParts(m_utf8, parts)) {
        ++m_counts.failed;
        return false;
    }
    if (!isUnimarc(parts.fields))
        parts.leader[9] = 'a';
    bool escaped = false;
    out += "=LDR  ";
    escaped |= appendMrk(out, parts.leader, Part::Fixed);
    out += "\r\n";
    for (const RecordField& field : parts.fields) {
        out.push_back('=');
        escaped |= appendMrk(out, field.tag, Part::Fixed);
        out += "  ";
        const std::string_view data = field.data;
        if (isControlTag(field.tag)) {
            escaped |= appendMrk(out, data, Part::Fixed);
        } else {
            const std::size_t indicators = std::min<std::size_t>(2, data.size());
            escaped |= appendMrk(out, data.substr(0, indicators), Part::Fixed);
            escaped |= appendMrk(out, data.substr(indicators), Part::Subfields);
        }
        out += "\r\n";
    }
    out += "\r\n";
    m_counts.placeholders += escaped;
    ++m_counts.written;
    return true;
}

} // namespace bibliora::formats
