#pragma once

#include "encoding.h"
#include "lookup.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace bibliora::edit {

// The fields of a record in the order, and with the bytes and texts, that the record's display
// text (formatRecordText) shows them: one per directory entry that yields a line. Searching,
// and every change, see a record exactly as the window's text shows it, so what is found there
// is what a save writes back.
class DisplayedFields final
{
public:
    explicit DisplayedFields(std::string_view record);

    // Moves to the next field that has a line; false after the last.
    bool next();

    // The tag as the directory writes it (up to 3 bytes).
    std::string_view tag() const { return m_field.tag; }
    // The bytes the directory entry points at, clipped to the record (terminators included).
    std::string_view slice() const { return m_field.data; }
    // A control field: a tag below 010, or one that is no number.
    bool control() const { return m_control; }

    // The text a field's line shows after its tag and indicators, appended to `out`: a control
    // field's value, or a data field's bytes after its indicators; subfield delimiters as "■".
    // `bytes` is the field without its field terminators.
    static void appendText(std::u16string& out, Encoding encoding, std::string_view bytes,
                           bool control);
    // The bytes any field of `record` lies in: those after the directory (none when the
    // record has no directory). Looking for a field's bytes there passes over the leader and
    // the directory's digits.
    static std::string_view fieldArea(std::string_view record)
    {
        const DirectoryView dir = directoryOf(record);
        return dir.valid ? record.substr(dir.base) : std::string_view();
    }
    // The leader as the display's header line shows it, from position 05 on, appended.
    static void appendLeaderText(std::u16string& out, Encoding encoding, std::string_view record);
    // The indicators of a data field as its line shows them.
    static std::u16string indicatorText(std::string_view bytes);

    // The subfields of a data field's text: each piece after a "■", its code the first
    // character (a surrogate pair counts as one). Text before the first "■" is no subfield.
    template <typename Visit> // Visit(std::size_t codeStart, std::size_t valueStart, end)
    static void forEachSubfield(std::u16string_view text, Visit&& visit);

private:
    std::string_view m_record;
    DirectoryView m_dir;
    std::size_t m_count = 0;
    std::size_t m_index = 0;
    FieldSlice m_field;
    bool m_control = false;
};

template <typename Visit>
void DisplayedFields::forEachSubfield(std::u16string_view text, Visit&& visit)
{
    std::size_t mark = text.find(u'\u25A0');
    while (mark != std::u16string_view::npos) {
        const std::size_t next = text.find(u'\u25A0', mark + 1);
        const std::size_t end = next == std::u16string_view::npos ? text.size() : next;
        const std::size_t codeStart = mark + 1;
        std::size_t valueStart = std::min(codeStart + 1, end);
        if (valueStart < end && text[codeStart] >= 0xD800 && text[codeStart] <= 0xDBFF &&
            text[valueStart] >= 0xDC00 && text[valueStart] <= 0xDFFF)
            ++valueStart;
        visit(codeStart, valueStart, end);
        mark = next;
    }
}

} // namespace bibliora::edit
