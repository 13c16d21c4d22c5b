#include "displayedfields.h"

#include "fieldtext.h"
#include "marc.h"
#include "placeholder.h"

#include <cmath>

namespace bibliora::edit {

// The display text counts its entries as the directory's length / 12, halves to even, and
// skips an entry whose numbers are no numbers or whose data is empty.
DisplayedFields::DisplayedFields(std::string_view record)
    : m_record(record), m_dir(directoryOf(record))
{
    if (m_dir.valid)
        m_count = static_cast<std::size_t>(
            std::nearbyint(static_cast<double>(m_dir.entries.size()) / kEntryLength));
}

bool DisplayedFields::next()
{
    while (m_index < m_count) {
        const std::size_t entryStart = m_index++ * kEntryLength;
        if (entryStart >= m_dir.entries.size())
            break;
        m_field = fieldAt(m_record, m_dir, entryStart);
        if (!m_field.numbersValid || m_field.data.empty())
            continue;
        const std::string_view tag = m_field.tag;
        if (tag.size() == 3 && tag[0] >= '0' && tag[0] <= '9' && tag[1] >= '0' && tag[1] <= '9' &&
            tag[2] >= '0' && tag[2] <= '9') {
            m_control = tag[0] == '0' && tag[1] == '0'; // the usual tag, read without parsing
        } else {
            const auto tagNumber = parseNumber(tag);
            m_control = !tagNumber || *tagNumber < 10;
        }
        return true;
    }
    m_index = m_count;
    return false;
}

void DisplayedFields::appendText(std::u16string& out, Encoding encoding, std::string_view bytes,
                                 bool control)
{
    const std::size_t start = out.size();
    const std::size_t indicators = control ? 0 : std::min<std::size_t>(2, bytes.size());
    FieldText::appendForDisplay(out, encoding, bytes.substr(indicators), control);
    for (std::size_t i = start; i < out.size(); ++i)
        if (out[i] == char16_t(kSubfieldDelimiter) || out[i] == placeholderFor(kSubfieldDelimiter))
            out[i] = kDisplayDelimiter;
}

void DisplayedFields::appendLeaderText(std::u16string& out, Encoding encoding,
                                       std::string_view record)
{
    const std::string_view leader = record.substr(0, kLeaderLength);
    if (leader.size() > 5)
        FieldText::appendForDisplay(out, encoding, leader.substr(5), true);
}

std::u16string DisplayedFields::indicatorText(std::string_view bytes)
{
    std::u16string text;
    for (std::size_t k = 0; k < 2 && k < bytes.size(); ++k) {
        const auto b = static_cast<unsigned char>(bytes[k]);
        text.push_back(b == ' ' ? u'_' : b > 0x20 && b < 0x7F ? char16_t(b) : placeholderFor(b));
    }
    return text;
}

} // namespace bibliora::edit
