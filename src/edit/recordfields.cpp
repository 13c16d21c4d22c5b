#include "recordfields.h"

#include "displayedfields.h"
#include "displaytext.h"
#include "fieldtext.h"
#include "isowriter.h"
#include "marc.h"
#include "placeholder.h"

#include <algorithm>
#include <cstring>

namespace bibliora::edit {
namespace {

bool allDigits(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int tagNumber(std::string_view tag)
{
    return (tag[0] - '0') * 100 + (tag[1] - '0') * 10 + (tag[2] - '0');
}

// Whether the builder writes a control field's bytes back as they are: it writes a subfield
// delimiter as "■", and skips an empty value.
bool keepsControlField(std::string_view bytes)
{
    return !bytes.empty() && bytes.find(kSubfieldDelimiter) == std::string_view::npos;
}

// Whether the builder writes a data field's bytes back as they are. It writes "_" in an
// indicator as a blank, drops what stands between the indicators and the first subfield,
// refuses an empty subfield and drops a field of four characters or fewer (indicators and one
// subfield code alone).
bool keepsDataField(std::string_view bytes)
{
    if (bytes.size() < 4 || bytes[0] == '_' || bytes[1] == '_' || bytes[2] != kSubfieldDelimiter ||
        bytes.back() == kSubfieldDelimiter)
        return false;
    std::size_t delimiters = 0;
    for (std::size_t p = 2; p != std::string_view::npos;
         p = bytes.find(kSubfieldDelimiter, p + 1)) {
        if (bytes[p + 1] == kSubfieldDelimiter)
            return false;
        ++delimiters;
    }
    return delimiters >= 2 || (static_cast<unsigned char>(bytes[3]) < 0x80 && bytes.size() >= 5);
}

// Characters the builder drops from a line, or reads as its end.
bool breaksLine(char16_t c)
{
    return c == u'\r' || c == u'\n' || c == char16_t(kRecordTerminator) ||
           c == char16_t(kFieldTerminator) || c == placeholderFor(kRecordTerminator) ||
           c == placeholderFor(kFieldTerminator);
}

// Whether a text holds more than `n` characters, a surrogate pair counting as one (as the
// builder counts them when it drops a field of four or fewer).
bool moreCharactersThan(std::u16string_view text, std::size_t n)
{
    const auto lowSurrogates = static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }));
    return text.size() - std::min(lowSurrogates, text.size()) > n;
}

std::size_t encodingIndex(Encoding encoding)
{
    return encoding == Encoding::Gbk ? 0 : encoding == Encoding::Utf8 ? 1 : 2;
}

} // namespace

RecordFields::RecordFields(std::string_view record, Encoding encoding, bool byteForm)
    : m_record(record), m_encoding(encoding), m_byteForm(byteForm)
{
}

void RecordFields::readFields()
{
    std::string scratch;
    for (DisplayedFields displayed(m_record); displayed.next();) {
        Field& f = m_fields.emplace_back();
        f.tag = displayed.tag();
        f.control = displayed.control();
        f.slice = displayed.slice();
        f.bytes = f.slice;
        if (!f.bytes.empty() && f.bytes.back() == kFieldTerminator)
            f.bytes.remove_suffix(1);
        if (std::memchr(f.bytes.data(), kFieldTerminator, f.bytes.size())) {
            f.bytes = withoutFieldTerminators(f.slice, scratch);
            f.bytes = m_cleaned.emplace_front(std::move(scratch));
        }
    }
}

RecordFields RecordFields::ofBytes(std::string_view record, Encoding encoding)
{
    RecordFields fields(record, encoding, true);
    fields.m_fields.reserve(32);
    fields.readFields();
    return fields;
}

bool RecordFields::writableByBytes() const
{
    if (m_encoding == Encoding::Marc8 || m_record.size() < kLeaderLength)
        return false;
    for (std::size_t k = 5; k < kLeaderLength; ++k)
        if (m_record[k] < 0x20 || m_record[k] > 0x7E)
            return false;
    // Every entry whole, of digits, and shown.
    const DirectoryView dir = directoryOf(m_record);
    if (!dir.valid || dir.entries.size() % kEntryLength != 0 || !allDigits(dir.entries) ||
        m_fields.size() != dir.entries.size() / kEntryLength)
        return false;
    for (const Field& f : m_fields) {
        // One terminator, at the end; no record terminator.
        if (f.slice.size() != f.bytes.size() + 1 || f.slice.back() != kFieldTerminator ||
            std::memchr(f.bytes.data(), kRecordTerminator, f.bytes.size()))
            return false;
        if (!(f.control ? keepsControlField(f.bytes) : keepsDataField(f.bytes)))
            return false;
    }
    return true;
}

RecordFields RecordFields::ofText(std::string_view record, Encoding encoding, EditError& error)
{
    RecordFields fields(record, encoding, false);
    error = EditError::None;
    if (record.empty()) {
        error = EditError::Unreadable;
        return fields;
    }
    const std::u16string text = formatRecordText(record, encoding);
    std::vector<std::u16string_view> lines;
    for (std::size_t from = 0;;) {
        const std::size_t end = text.find(u"\r\n", from);
        lines.push_back(std::u16string_view(text).substr(from, end - from));
        if (end == std::u16string::npos)
            break;
        from = end + 2;
    }
    fields.m_header = lines[0];
    fields.m_leaderText = fields.m_header.substr(std::min<std::size_t>(7, fields.m_header.size()));
    fields.m_leaderDecoded = true;
    fields.readFields();
    std::size_t line = 1;
    std::u16string tagText;
    for (Field& f : fields.m_fields) {
        tagText.clear();
        FieldText::appendForDisplay(tagText, encoding, f.tag, true);
        f.tagLength = tagText.size();
        const std::size_t prefix =
            f.tagLength + (f.control ? 4 : 2 + std::min<std::size_t>(2, f.bytes.size()));
        if (line >= lines.size() || lines[line].size() < prefix) {
            error = EditError::Unreadable;
            return fields;
        }
        f.prefix = lines[line].substr(0, prefix);
        f.text = lines[line].substr(prefix);
        f.decoded = true;
        ++line;
    }
    // A record without fields still has the empty line after its header.
    if (line != lines.size() && !(line == 1 && lines.size() == 2 && lines[1].empty()))
        error = EditError::Unreadable;
    return fields;
}

const std::u16string& RecordFields::text(std::size_t i)
{
    Field& f = m_fields[i];
    if (!f.decoded) {
        DisplayedFields::appendText(f.text, m_encoding, f.bytes, f.control);
        f.decoded = true;
    }
    return f.text;
}

std::u16string RecordFields::indicators(std::size_t i) const
{
    const Field& f = m_fields[i];
    if (!f.indicators.empty())
        return f.indicators;
    if (m_byteForm)
        return DisplayedFields::indicatorText(f.bytes);
    return f.prefix.substr(f.tagLength + 1, f.prefix.size() - f.tagLength - 2);
}

void RecordFields::setText(std::size_t i, std::u16string text)
{
    Field& f = m_fields[i];
    f.text = std::move(text);
    f.decoded = true;
    f.textEdited = true;
}

void RecordFields::setIndicators(std::size_t i, std::u16string_view indicators)
{
    std::u16string& shown = m_fields[i].indicators;
    shown.assign(indicators.begin(), indicators.end());
    std::replace(shown.begin(), shown.end(), u' ', u'_');
}

void RecordFields::add(const AddedField& field)
{
    m_added.push_back(&field);
    m_needsText = m_needsText || (m_byteForm && field.control);
}

const std::u16string& RecordFields::leaderText()
{
    if (!m_leaderDecoded) {
        DisplayedFields::appendLeaderText(m_leaderText, m_encoding, m_record);
        m_leaderDecoded = true;
    }
    return m_leaderText;
}

void RecordFields::setLeaderText(std::u16string text)
{
    m_leaderText = std::move(text);
    m_leaderDecoded = true;
    m_leaderEdited = true;
    m_needsText = m_needsText || m_byteForm;
}

std::optional<BuildResult> RecordFields::build(const BuildTime& now) const
{
    if (m_byteForm)
        return buildBytes(now);
    return buildText(now);
}

BuildResult RecordFields::buildText(const BuildTime& now) const
{
    std::u16string text = m_leaderEdited ? u"HEA    " + m_leaderText : m_header;
    text += u"\r\n";
    bool first = true;
    const auto addLine = [&](std::u16string_view line) {
        if (!first)
            text += u"\r\n";
        first = false;
        text += line;
    };
    // A control field goes before the first field whose tag reads as a greater number, so that
    // the builder, which stops looking for control fields after tag 100, sees it.
    std::vector<bool> placed(m_added.size());
    for (const Field& f : m_fields) {
        const auto number = parseNumber(f.tag);
        for (std::size_t a = 0; a < m_added.size(); ++a) {
            if (!placed[a] && m_added[a]->control && number && f.tag.size() == 3 &&
                f.tag > std::string_view(m_added[a]->tag)) {
                addLine(m_added[a]->line);
                placed[a] = true;
            }
        }
        if (f.removed)
            continue;
        if (f.indicators.empty()) {
            addLine(f.prefix + f.text);
            continue;
        }
        std::u16string indicators = f.indicators;
        addLine(f.prefix.substr(0, f.tagLength) + u' ' + indicators + u' ' + f.text);
    }
    for (std::size_t a = 0; a < m_added.size(); ++a)
        if (!placed[a])
            addLine(m_added[a]->line);
    text += u"\r\n";
    return rebuildRecord(text, m_encoding, now);
}

std::optional<std::string> RecordFields::editedBytes(const Field& f) const
{
    const std::u16string& text = f.text;
    if (std::any_of(text.begin(), text.end(), [](char16_t c) {
            return breaksLine(c) || c == char16_t(kSubfieldDelimiter) ||
                   c == placeholderFor(kSubfieldDelimiter);
        }))
        return std::nullopt;
    std::string out;
    if (f.control) {
        if (text.empty())
            return std::nullopt;
        FieldText::appendBytes(out, m_encoding, text);
        return out;
    }
    if (f.indicators.empty()) {
        out.assign(f.bytes.substr(0, 2));
    } else {
        for (char16_t c : f.indicators)
            out.push_back(c == u'_' ? ' ' : static_cast<char>(c));
    }
    if (!f.textEdited) {
        out += f.bytes.substr(2);
        return out;
    }
    if (text.empty() || text[0] != kDisplayDelimiter || text.back() == kDisplayDelimiter ||
        text.find(u"\u25A0\u25A0") != std::u16string::npos || !moreCharactersThan(text, 2))
        return std::nullopt;
    std::u16string written = text;
    std::replace(written.begin(), written.end(), kDisplayDelimiter, char16_t(kSubfieldDelimiter));
    FieldText::appendBytes(out, m_encoding, written);
    return out;
}

std::optional<BuildResult> RecordFields::buildBytes(const BuildTime& now) const
{
    if (m_needsText)
        return std::nullopt;
    // Control fields as the builder collects them: in text order until the first field whose
    // tag is above 100; a later 001-009 replaces an earlier one, but 006 and 007 repeat.
    std::array<std::vector<std::string_view>, 10> controls;
    struct DataField
    {
        int number;
        std::string_view tag;
        std::string_view bytes;
    };
    std::vector<DataField> data;
    data.reserve(m_fields.size() + m_added.size());
    std::forward_list<std::string> edited;
    bool collecting = true;
    for (const Field& f : m_fields) {
        if (f.removed)
            continue;
        std::string_view bytes = f.bytes;
        if (f.textEdited || !f.indicators.empty()) {
            std::optional<std::string> written = editedBytes(f);
            if (!written)
                return std::nullopt;
            bytes = edited.emplace_front(std::move(*written));
        }
        const int tag = tagNumber(f.tag);
        if (tag >= 10) {
            data.push_back({tag, f.tag, bytes});
        } else if (collecting && tag > 0) {
            if (tag != 6 && tag != 7)
                controls[tag].clear();
            controls[tag].push_back(bytes);
        }
        collecting = collecting && tag <= 100;
    }
    for (const AddedField* a : m_added)
        data.push_back({tagNumber(a->tag), a->tag, a->bytes[encodingIndex(m_encoding)]});
    std::string number;
    std::string timestamp;
    if (controls[1].empty())
        controls[1].push_back(number = IsoWriter::controlNumber(now));
    if (controls[5].empty())
        controls[5].push_back(timestamp = IsoWriter::timestamp(now));

    IsoWriter writer;
    writer.reserve(m_fields.size() + m_added.size(), m_record.size() + 256);
    bool fits = true;
    char tag[4] = "000";
    for (int t = 1; t <= 9; ++t) {
        tag[2] = static_cast<char>('0' + t);
        for (std::string_view bytes : controls[t])
            fits = fits && writer.add(tag, bytes);
    }
    std::stable_sort(data.begin(), data.end(),
                     [](const DataField& a, const DataField& b) { return a.number < b.number; });
    for (const DataField& d : data)
        fits = fits && writer.add(d.tag, d.bytes);
    // The leader's kept positions as the display shows them: its bytes are printable ASCII.
    std::u16string header = u"HEA    ";
    for (char c : m_record.substr(5, kLeaderLength - 5))
        header.push_back(static_cast<char16_t>(c));
    BuildResult result;
    if (!fits || !writer.finish(leaderStemFor(header), result.record)) {
        result.record.clear();
        result.error = BuildError::TooLarge;
    } else if (m_encoding == Encoding::Utf8) {
        keepUtf8Declared(result.record);
    }
    return result;
}

} // namespace bibliora::edit
