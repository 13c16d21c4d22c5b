#include "builder.h"

#include "displaytext.h"
#include "utf8text.h"

#include "fieldtext.h"
#include "gbk.h"
#include "isowriter.h"
#include "placeholder.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace bibliora {
namespace {

std::u16string_view trimSpaces(std::u16string_view s)
{
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && s[b] == u' ')
        ++b;
    while (e > b && s[e - 1] == u' ')
        --e;
    return s.substr(b, e - b);
}

// What ends a subfield in a data-field line: "■", a raw delimiter, and the delimiter's byte
// placeholder, whose byte the display would show as "■" once written.
constexpr char16_t kMarks[] = {kDisplayDelimiter, char16_t(kSubfieldDelimiter),
                               char16_t(kPlaceholderBase + kSubfieldDelimiter), 0};

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Characters, not code units: a surrogate pair is one character (and written as one "?").
std::size_t characterCount(std::u16string_view s)
{
    std::size_t n = s.size();
    for (std::size_t i = 0; i + 1 < s.size(); ++i) {
        if (s[i] >= 0xD800 && s[i] <= 0xDBFF && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            --n;
            ++i;
        }
    }
    return n;
}

// The data-field tag (10-999) a line begins with, or 0.
int dataTagOf(std::u16string_view line)
{
    if (line.size() < 3 || !isDigit(line[0]) || !isDigit(line[1]) || !isDigit(line[2]))
        return 0;
    const int tag = (line[0] - u'0') * 100 + (line[1] - u'0') * 10 + (line[2] - u'0');
    return tag >= 10 ? tag : 0;
}

// LF is no part of a line. A record or field terminator typed or pasted into the text would
// make the directory lie about the record (and split it when exported one record per line):
// it is dropped before the line is read, as if it had not been typed, so that indicator
// columns, empty subfields and trimming see the text that is written.
bool droppedFromLines(char16_t c)
{
    return c == u'\n' || c == char16_t(kRecordTerminator) || c == char16_t(kFieldTerminator) ||
           c == placeholderFor(kRecordTerminator) || c == placeholderFor(kFieldTerminator);
}

// The value of a control-field line. On a line as the display writes it (tag, four spaces,
// value) the value is everything after the four spaces, so blanks at either end of an 008 or
// a control number stay; a line typed another way is trimmed.
std::u16string_view controlValue(std::u16string_view line)
{
    if (line.size() >= 7 && line.substr(3, 4) == u"    ")
        return line.substr(7);
    return line.size() > 3 ? trimSpaces(line.substr(3)) : std::u16string_view();
}

// Positions 5-9 come from characters 8-12 of the text; 17-19 and 23 from the header line
// when it is long enough to hold them (the display writes leader position k at character
// k + 3 of that line).
std::string leaderStemFor(std::u16string_view text, std::u16string_view header)
{
    if (text.size() < 8)
        return "00000nam0 2200000   45  ";
    // Made in place: every record a batch change rebuilds makes one.
    std::string stem = "00000     2200000   450 ";
    const std::u16string_view x = text.substr(7, 5);
    for (std::size_t k = 0; k < x.size(); ++k)
        stem[5 + k] = IsoWriter::leaderCharacter(x[k]);
    if (header.size() >= 22)
        for (std::size_t k = 17; k <= 19; ++k)
            stem[k] = IsoWriter::leaderCharacter(header[k + 2]);
    if (header.size() >= 26)
        stem[23] = IsoWriter::leaderCharacter(header[25]);
    return stem;
}

} // namespace

BuildResult buildIsoRecordChecked(std::u16string_view text, const BuildTime& now, Encoding encoding)
{
    BuildResult result;
    // Lines are the pieces between CRs; the piece after the last CR is never read.
    std::vector<std::u16string> lines;
    std::size_t from = 0;
    for (std::size_t cr = text.find(u'\r'); cr != std::u16string_view::npos;
         cr = text.find(u'\r', from)) {
        std::u16string line(text.substr(from, cr - from));
        line.erase(std::remove_if(line.begin(), line.end(), droppedFromLines), line.end());
        lines.push_back(std::move(line));
        from = cr + 1;
    }
    if (lines.size() < 2) {
        result.error = BuildError::TooFewLines;
        return result;
    }
    for (std::size_t i = 1; i < lines.size(); ++i)
        for (std::size_t k = 4; k < 6 && k < lines[i].size(); ++k)
            if (lines[i][k] == u'_')
                lines[i][k] = u' ';

    // Control fields 001-009: the pass stops at the first line whose tag reads as a number
    // above "100" in character order, so a 001 or 005 below the data fields is not seen.
    // 001 and 005 are always written (generated when missing), the others when they hold a
    // value. 006 and 007 repeat (MARC 21 describes each form or material in one of its own),
    // so every line of them is written, in text order; for the other tags a later line
    // replaces an earlier one.
    std::array<std::vector<std::u16string>, 10> controls;
    for (const std::u16string& line : lines) {
        const std::u16string_view head = std::u16string_view(line).substr(0, 3);
        if (head.size() == 3 && head[0] == u'0' && head[1] == u'0' && head[2] >= u'1' &&
            head[2] <= u'9') {
            const int tag = head[2] - u'0';
            if (tag != 6 && tag != 7)
                controls[tag].clear();
            controls[tag].emplace_back(controlValue(line));
        }
        if (parseNumber(head) && head > std::u16string_view(u"100"))
            break;
    }
    if (controls[1].empty())
        controls[1].push_back(Gbk::fromUtf8(IsoWriter::controlNumber(now)));
    if (controls[5].empty())
        controls[5].push_back(Gbk::fromUtf8(IsoWriter::timestamp(now)));

    IsoWriter writer;
    std::string content;
    // The display shows a subfield delimiter in a control field as "■" and reads "■" back as
    // itself, so a delimiter pasted into a control line, or typed as its placeholder, is
    // written as that "■" at once: saving the record again then gives the same bytes.
    bool fits = true;
    for (int tag = 1; tag <= 9; ++tag) {
        for (std::u16string& value : controls[tag]) {
            if (value.empty() && tag != 1 && tag != 5)
                continue;
            std::replace_if(
                value.begin(), value.end(),
                [](char16_t c) {
                    return c == char16_t(kSubfieldDelimiter) ||
                           c == placeholderFor(kSubfieldDelimiter);
                },
                kDisplayDelimiter);
            content.clear();
            FieldText::appendBytes(content, encoding, value);
            const char tagText[4] = {'0', '0', static_cast<char>('0' + tag), 0};
            fits = fits && writer.add(tagText, content);
        }
    }

    // Data fields by ascending tag; every line of a tag is written, in text order.
    std::vector<std::pair<int, std::size_t>> order;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (int tag = dataTagOf(lines[i]))
            order.emplace_back(tag, i);
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [tag, index] : order) {
        const std::u16string_view line = lines[index];
        const std::size_t firstMark = line.find(kDisplayDelimiter);
        const std::u16string_view head = line.substr(0, firstMark);
        // Indicators are characters 5 and 6; a line typed without them gets blanks, so that
        // every data field written has two indicators.
        std::u16string fieldText(head.size() > 4 ? head.substr(4, 2) : std::u16string_view());
        fieldText.append(2 - fieldText.size(), u' ');
        // An indicator is one byte: ASCII, or a placeholder's byte; any other character (a
        // Chinese one, half a surrogate pair) is written as one "?", so that the display reads
        // the same two indicators back.
        for (char16_t& c : fieldText)
            if (c >= 0x80 && !isPlaceholder(c))
                c = u'?';
        if (firstMark != std::u16string_view::npos) {
            std::size_t pos = firstMark;
            while (pos != std::u16string_view::npos) {
                // After the first "■", a raw subfield delimiter (pasted text) or its byte's
                // placeholder ends a subfield as "■" does: it is written as one, and the
                // display shows it as "■".
                const std::size_t next = line.find_first_of(kMarks, pos + 1);
                const std::u16string_view part = line.substr(
                    pos + 1,
                    next == std::u16string_view::npos ? std::u16string_view::npos : next - pos - 1);
                if (part.empty()) {
                    result.error = BuildError::EmptySubfield;
                    result.line = index + 1;
                    return result;
                }
                fieldText.push_back(char16_t(kSubfieldDelimiter));
                fieldText += part;
                // A subfield code is one byte. A placeholder's byte that would make one
                // character with the first byte of its value (a GBK lead byte, say) is written
                // as "?", so that the display reads the same code and value back.
                if (part.size() > 1 && isPlaceholder(part[0]) &&
                    part[0] - kPlaceholderBase >= 0x80) {
                    std::string bytes;
                    FieldText::appendBytes(bytes, encoding, part.substr(0, 2));
                    std::u16string shown;
                    FieldText::appendForDisplay(shown, encoding, bytes, false);
                    if (shown.empty() || shown[0] != part[0])
                        fieldText[fieldText.size() - part.size()] = u'?';
                }
                pos = next;
            }
        }
        if (characterCount(fieldText) <= 4)
            continue;
        content.clear();
        FieldText::appendBytes(content, encoding, fieldText);
        char tagText[4];
        std::snprintf(tagText, sizeof tagText, "%03d", tag);
        fits = fits && writer.add(tagText, content);
    }

    if (!fits || !writer.finish(leaderStemFor(text, lines[0]), result.record)) {
        result.record.clear();
        result.error = BuildError::TooLarge;
    }
    return result;
}

MarcRecord buildIsoRecord(std::u16string_view text, const BuildTime& now, Encoding encoding)
{
    return buildIsoRecordChecked(text, now, encoding).record;
}

BuildResult rebuildRecord(std::u16string_view text, Encoding encoding, const BuildTime& now)
{
    BuildResult result = buildIsoRecordChecked(text, now, encoding);
    if (encoding == Encoding::Utf8 && result.error == BuildError::None)
        keepUtf8Declared(result.record);
    return result;
}

void keepUtf8Declared(MarcRecord& record)
{
    // A field cut inside a character (by a directory that counted characters, not bytes)
    // keeps its bytes, so the record is no longer well-formed UTF-8 throughout; leader/09 "a"
    // then says what the bytes alone no longer do.
    constexpr std::size_t kCharacterCoding = 9; // leader/09
    if (record.size() <= kCharacterCoding || detectEncoding(record) == Encoding::Utf8)
        return;
    const char written = record[kCharacterCoding];
    record[kCharacterCoding] = 'a';
    if (detectEncoding(record) != Encoding::Utf8)
        record[kCharacterCoding] = written;
}

std::string leaderStemFor(std::u16string_view header)
{
    return leaderStemFor(header, header);
}

std::u16string recordAsPlainText(std::string_view record, Encoding encoding, const BuildTime& now)
{
    switch (encoding) {
    case Encoding::Gbk:
        return Gbk::decode(record);
    case Encoding::Utf8:
        return Utf8Text::decode(record);
    case Encoding::Marc8:
        break;
    }
    std::u16string text = formatRecordText(record, Encoding::Marc8) + u"\r\n";
    // Leader/09, character 12 of the header line, declares UTF-8.
    constexpr std::size_t kLeader09 = 11;
    if (text.size() > kLeader09 && text[kLeader09] != u'\r')
        text[kLeader09] = u'a';
    const MarcRecord utf8 = buildIsoRecord(text, now, Encoding::Utf8);
    return Utf8Text::decode(utf8.empty() ? record : utf8);
}

} // namespace bibliora
