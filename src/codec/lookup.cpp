#include "lookup.h"

#include "fieldtext.h"
#include "gbk.h"

namespace bibliora {
namespace {

// A length or start as nearly every directory writes it: digits only. Blanks and damaged
// entries take parseNumber's way.
std::optional<unsigned long long> entryNumber(std::string_view digits)
{
    unsigned long long value = 0;
    for (const char c : digits) {
        const unsigned digit = static_cast<unsigned char>(c) - unsigned('0');
        if (digit > 9)
            return parseNumber(digits);
        value = value * 10 + digit;
    }
    return digits.empty() ? std::nullopt : std::optional(value);
}

} // namespace

std::string_view withoutFieldTerminators(std::string_view bytes, std::string& scratch)
{
    if (bytes.find(kFieldTerminator) == std::string_view::npos)
        return bytes;
    scratch.clear();
    for (char c : bytes)
        if (c != kFieldTerminator)
            scratch.push_back(c);
    return scratch;
}

DirectoryView directoryOf(std::string_view record)
{
    DirectoryView dir;
    const std::size_t p = record.find(kFieldTerminator);
    if (p == std::string_view::npos || p < kLeaderLength)
        return dir;
    dir.valid = true;
    dir.base = p + 1;
    dir.entries = record.substr(kLeaderLength, p - kLeaderLength);
    return dir;
}

FieldSlice fieldAt(std::string_view record, const DirectoryView& dir, std::size_t entryStart)
{
    FieldSlice f;
    std::string_view entry = dir.entries.substr(entryStart, kEntryLength);
    f.tag = entry.substr(0, 3);
    const auto length = entryNumber(entry.substr(std::min<std::size_t>(3, entry.size()), 4));
    const auto start = entryNumber(entry.substr(std::min<std::size_t>(7, entry.size()), 5));
    if (!length || !start)
        return f;
    f.numbersValid = true;
    if (*start >= record.size() - dir.base)
        return f;
    const std::size_t from = dir.base + static_cast<std::size_t>(*start);
    f.data = record.substr(from, static_cast<std::size_t>(
                                     std::min<unsigned long long>(*length, record.size() - from)));
    return f;
}

std::u16string lookupSubfield(std::string_view record, std::u16string_view spec)
{
    return lookupSubfield(record, spec, detectEncoding(record));
}

std::u16string lookupSubfield(std::string_view record, std::u16string_view spec, Encoding encoding)
{
    // Code page 936 keeps its direct decoder: loading a large file makes these calls.
    const auto decode = [encoding](std::string_view bytes) {
        return encoding == Encoding::Gbk ? Gbk::decode(bytes) : FieldText::value(encoding, bytes);
    };
    if (record.empty() || spec.size() != 4)
        return {};
    const DirectoryView dir = directoryOf(record);
    if (!dir.valid || dir.entries.size() % kEntryLength != 0)
        return {};
    const char16_t code = spec[3];
    const bool wholeField = spec.substr(0, 3) == u"001" || spec.substr(0, 3) == u"005";
    for (std::size_t e = 0; e < dir.entries.size(); e += kEntryLength) {
        const std::string_view tag = dir.entries.substr(e, 3);
        if (tag[0] != spec[0] || tag[1] != spec[1] || tag[2] != spec[2])
            continue;
        const FieldSlice f = fieldAt(record, dir, e);
        if (!f.numbersValid)
            return {};
        std::string scratch;
        if (wholeField)
            return decode(withoutFieldTerminators(f.data, scratch));
        // Subfields are cut on the bytes: 0x1E and 0x1F never occur inside a character of any
        // of the encodings (GBK trail bytes are 0x40 or above).
        std::size_t pos = f.data.find(kSubfieldDelimiter);
        while (pos != std::string_view::npos) {
            const std::size_t next = f.data.find(kSubfieldDelimiter, pos + 1);
            std::string_view piece = f.data.substr(
                pos + 1, next == std::string_view::npos ? std::string_view::npos : next - pos - 1);
            const std::string_view cleaned = withoutFieldTerminators(piece, scratch);
            if (!cleaned.empty()) {
                const auto first = static_cast<unsigned char>(cleaned[0]);
                if (first < 0x80) {
                    if (char16_t(first) == code)
                        return decode(std::string_view(cleaned).substr(1));
                } else {
                    const std::u16string text = decode(cleaned);
                    if (!text.empty() && text[0] == code)
                        return text.substr(1);
                }
            }
            pos = next;
        }
    }
    return {};
}

} // namespace bibliora
