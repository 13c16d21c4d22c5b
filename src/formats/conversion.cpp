#include "conversion.h"

#include "fieldtext.h"
#include "gbk.h"
#include "placeholder.h"
#include "recordfields.h"

#include <algorithm>

namespace bibliora::formats {
namespace {

// The field as text in `encoding`: a data field's indicators as the bytes they are, the rest
// decoded; bytes that are no character become placeholders.
std::u16string fieldText(const RecordField& field, Encoding encoding)
{
    std::u16string text;
    if (isControlTag(field.tag)) {
        FieldText::appendForDisplay(text, encoding, field.data, true);
        return text;
    }
    const std::size_t indicators = std::min<std::size_t>(2, field.data.size());
    appendPlaceholders(text, std::string_view(field.data).substr(0, indicators));
    FieldText::appendForDisplay(text, encoding, std::string_view(field.data).substr(indicators),
                                false);
    return text;
}

bool gbkHolds(char16_t c)
{
    const char16_t one[] = {c};
    return Gbk::encode(std::u16string_view(one, 1)) != "?";
}

void adjustDeclaration(RecordParts& parts, Encoding to)
{
    constexpr std::size_t kCharacterCoding = 9; // leader/09
    constexpr std::size_t kCharacterSets = 26;  // 100 $a/26-29
    if (!isUnimarc(parts.fields)) {
        if (to == Encoding::Utf8)
            parts.leader[kCharacterCoding] = 'a';
        else if (parts.leader[kCharacterCoding] == 'a')
            parts.leader[kCharacterCoding] = ' ';
        return;
    }
    std::size_t start = 0;
    std::string* data = generalProcessingData(parts.fields, start);
    if (!data || data->size() < start + kCharacterSets + 4)
        return;
    const std::size_t at = start + kCharacterSets;
    if (to == Encoding::Utf8)
        data->replace(at, 4, kUnicodeCharacterSets);
    else if (data->compare(at, 2, "50") == 0)
        data->replace(at, 4, kChineseCharacterSets);
}

} // namespace

std::vector<Unholdable> unholdableCharacters(std::string_view record, Encoding from, Encoding to)
{
    std::vector<Unholdable> found;
    RecordParts parts;
    if (to != Encoding::Gbk || from == to || !readParts(record, parts))
        return found;
    for (const RecordField& field : parts.fields) {
        std::u16string text = fieldText(field, from);
        text.erase(std::remove_if(text.begin(), text.end(), isPlaceholder), text.end());
        if (Gbk::decode(Gbk::encode(text)) == text)
            continue;
        Unholdable u{field.tag, {}};
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char16_t c = text[i];
            const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size();
            const std::u16string_view one = std::u16string_view(text).substr(i, pair ? 2 : 1);
            if (c >= 0x80 && (pair || !gbkHolds(c)) &&
                u.characters.find(one) == std::u16string::npos)
                u.characters += one;
            i += pair ? 1 : 0;
        }
        if (!u.characters.empty())
            found.push_back(std::move(u));
    }
    return found;
}

Conversion convertRecord(std::string_view record, Encoding from, Encoding to, MarcRecord& out)
{
    RecordParts parts;
    if (!readParts(record, parts))
        return Conversion::Unreadable;
    if (from != to) {
        for (RecordField& field : parts.fields) {
            const std::u16string text = fieldText(field, from);
            field.data.clear();
            FieldText::appendBytes(field.data, to, text);
        }
        adjustDeclaration(parts, to);
    }
    switch (assemble(parts, out)) {
    case Assembly::Done:
        return Conversion::Done;
    case Assembly::FieldTooLarge:
        return Conversion::FieldTooLarge;
    case Assembly::RecordTooLarge:
        break;
    }
    return Conversion::RecordTooLarge;
}

} // namespace bibliora::formats
