#include "displaytext.h"

#include "fieldtext.h"
#include "lookup.h"
#include "marc.h"
#include "placeholder.h"

#include <cmath>

namespace bibliora {
namespace {

// A subfield delimiter is shown as "■", also in a control field, where MARC-8 decoding may
// have come to it as a byte of its own (its placeholder) inside a run of another set.
void appendWithDisplayDelimiters(std::u16string& out, std::u16string_view text)
{
    for (char16_t c : text)
        out.push_back(c == char16_t(kSubfieldDelimiter) || c == placeholderFor(kSubfieldDelimiter)
                          ? kDisplayDelimiter
                          : c);
}

// An indicator byte as the display shows it: "_" for a blank, printable ASCII as itself, any
// other byte (a delimiter, a control character, half of a character) as its placeholder, which
// the builder writes back as that byte.
char16_t indicatorCharacter(unsigned char b)
{
    if (b == ' ')
        return u'_';
    return b > 0x20 && b < 0x7F ? char16_t(b) : placeholderFor(b);
}

// Directory length / 12, halves to even: a trailing partial entry of 6 or more bytes
// may still count, read with the bytes it has.
std::size_t entryCount(std::size_t directoryLength)
{
    return static_cast<std::size_t>(
        std::nearbyint(static_cast<double>(directoryLength) / kEntryLength));
}

} // namespace

std::u16string formatRecordText(std::string_view record)
{
    return formatRecordText(record, detectEncoding(record));
}

std::u16string formatRecordText(std::string_view record, Encoding encoding)
{
    if (record.empty())
        return {};
    std::u16string out = u"HEA    ";
    const std::string_view leader = record.substr(0, kLeaderLength);
    if (leader.size() > 5)
        FieldText::appendForDisplay(out, encoding, leader.substr(5), true);
    out += u"\r\n";

    const DirectoryView dir = directoryOf(record);
    if (!dir.valid)
        return out;
    const std::size_t n = entryCount(dir.entries.size());
    std::u16string field;
    std::string scratch;
    bool first = true;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t entryStart = i * kEntryLength;
        if (entryStart >= dir.entries.size())
            break;
        const FieldSlice f = fieldAt(record, dir, entryStart);
        if (!f.numbersValid || f.data.empty())
            continue;
        const auto tagNumber = parseNumber(f.tag);
        const bool control = !tagNumber || *tagNumber < 10;
        const std::string_view bytes = withoutFieldTerminators(f.data, scratch);
        // The indicators of a data field are its first two bytes, whatever character they
        // might make together; the rest is decoded after them.
        const std::size_t indicators = control ? 0 : std::min<std::size_t>(2, bytes.size());
        field.clear();
        FieldText::appendForDisplay(field, encoding, bytes.substr(indicators), control);
        // A field holding nothing but its terminator still gives a line ("tag" and two spaces).

        if (!first)
            out += u"\r\n";
        first = false;
        FieldText::appendForDisplay(out, encoding, f.tag, true);
        if (control) {
            out += u"    ";
            appendWithDisplayDelimiters(out, field);
            continue;
        }
        out.push_back(u' ');
        for (std::size_t k = 0; k < indicators; ++k)
            out.push_back(indicatorCharacter(static_cast<unsigned char>(bytes[k])));
        out.push_back(u' ');
        appendWithDisplayDelimiters(out, field);
    }
    return out;
}

} // namespace bibliora
