#include "mrksource.h"

#include <cctype>

namespace bibliora::formats {
namespace {

constexpr std::size_t kMaxRecord = 99999;

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The bytes of the character or escape at `i` in `text`, appended to `out`; the index after it.
// "$" starts a subfield in a data field's subfields.
std::size_t unescapeOne(std::string_view text, std::size_t i, bool subfields, std::string& out)
{
    const char c = text[i];
    if (c == '\\') {
        out.push_back(' ');
    } else if (c == '$' && subfields) {
        out.push_back(kSubfieldDelimiter);
    } else if (c == '{') {
        const std::size_t close = text.find('}', i + 1);
        const std::string_view name = close == std::string_view::npos
                                          ? std::string_view()
                                          : text.substr(i + 1, close - i - 1);
        char byte = 0;
        if (name == "dollar")
            byte = '$';
        else if (name == "bsol")
            byte = '\\';
        else if (name == "lcub")
            byte = '{';
        else if (name == "rcub")
            byte = '}';
        else if (name.size() == 2 && hexValue(name[0]) >= 0 && hexValue(name[1]) >= 0)
            byte = static_cast<char>(hexValue(name[0]) * 16 + hexValue(name[1]));
        else {
            out.push_back(c);
            return i + 1;
        }
        out.push_back(byte);
        return close + 1;
    } else {
        out.push_back(c);
    }
    return i + 1;
}

void unescape(std::string_view text, bool subfields, std::string& out)
{
    for (std::size_t i = 0; i < text.size();)
        i = unescapeOne(text, i, subfields, out);
}

// The first `count` characters or escapes of `text`, unescaped; the index after them.
std::size_t unescapeFirst(std::string_view text, std::size_t count, std::string& out)
{
    std::size_t i = 0;
    for (std::size_t n = 0; n < count && i < text.size(); ++n)
        i = unescapeOne(text, i, false, out);
    return i;
}

bool isBlankLine(std::string_view line)
{
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

} // namespace

MrkSource::MrkSource(const ReadOptions& options) : TextSource(options.bufferBytes) {}

RecordSource::Step MrkSource::next(MarcRecord& record, Encoding& encoding)
{
    for (bool read = false;; read = true) {
        while (m_ready.empty() && !m_piece.empty()) {
            const std::size_t lf = m_piece.find('\n');
            const std::string_view part = m_piece.substr(0, lf);
            if (m_line.size() + part.size() <= kMaxRecord + 16)
                m_line += part;
            else
                m_lineTooLong = true;
            m_piece.remove_prefix(lf == std::string_view::npos ? m_piece.size() : lf + 1);
            if (lf != std::string_view::npos)
                takeLine();
        }
        if (takeReady(record, encoding))
            return Step::Record;
        if (m_finished)
            return Step::End;
        if (read)
            return Step::Pending;
        m_piece = m_input.read();
        if (m_piece.empty()) {
            if (m_input.failed())
                m_error = kUnfinishedRead;
            if (!m_line.empty())
                takeLine();
            endRecord();
            m_finished = true;
        }
    }
}

void MrkSource::takeLine()
{
    std::string_view line = m_line;
    if (std::exchange(m_firstLine, false) && line.rfind("\xEF\xBB\xBF", 0) == 0)
        line.remove_prefix(3);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    const bool tooLong = std::exchange(m_lineTooLong, false);
    if (isBlankLine(line)) {
        endRecord();
    } else if (line.front() == '=' && line.size() >= 4) {
        std::string tag;
        std::string_view content = line.substr(1 + unescapeFirst(line.substr(1), 3, tag));
        for (int blanks = 0; blanks < 2 && !content.empty() && content.front() == ' '; ++blanks)
            content.remove_prefix(1);
        if (tag == "LDR") {
            endRecord();
            m_inRecord = true;
            m_broken = tooLong;
            m_recordBytes = 0;
            m_parts.fields.clear();
            m_parts.leader.clear();
            unescape(content, false, m_parts.leader);
        } else {
            if (!m_inRecord) {
                // Fields before any leader: a record that cannot be read.
                m_inRecord = true;
                m_broken = true;
            }
            RecordField field{tag, {}};
            field.tag.resize(3, ' ');
            if (isControlTag(tag)) {
                unescape(content, false, field.data);
            } else {
                const std::size_t indicators = unescapeFirst(content, 2, field.data);
                unescape(content.substr(indicators), true, field.data);
            }
            m_recordBytes += field.data.size();
            m_broken = m_broken || tooLong || m_recordBytes > kMaxRecord;
            if (!m_broken)
                m_parts.fields.push_back(std::move(field));
        }
    }
    m_line.clear();
}

void MrkSource::endRecord()
{
    if (!std::exchange(m_inRecord, false))
        return;
    MarcRecord record;
    if (std::exchange(m_broken, false) || m_parts.leader.size() != kLeaderLength ||
        assemble(m_parts, record) != Assembly::Done) {
        ++m_skipped;
        return;
    }
    m_ready.push_back(std::move(record));
}

} // namespace bibliora::formats
