#include "recordfields.h"

#include "isowriter.h"
#include "lookup.h"

#include <algorithm>

namespace bibliora::formats {

bool readParts(std::string_view record, RecordParts& parts)
{
    const DirectoryView dir = directoryOf(record);
    if (!dir.valid || record.size() < kLeaderLength)
        return false;
    parts.leader.assign(record.substr(0, kLeaderLength));
    parts.fields.clear();
    for (std::size_t e = 0; e + kEntryLength <= dir.entries.size(); e += kEntryLength) {
        const FieldSlice slice = fieldAt(record, dir, e);
        std::string scratch;
        const std::string_view bytes = withoutFieldTerminators(slice.data, scratch);
        RecordField field{std::string(slice.tag), {}};
        field.tag.resize(3, ' ');
        field.data.reserve(bytes.size());
        std::copy_if(bytes.begin(), bytes.end(), std::back_inserter(field.data),
                     [](char c) { return c != kRecordTerminator; });
        parts.fields.push_back(std::move(field));
    }
    return true;
}

bool isControlTag(std::string_view tag)
{
    return tag.size() == 3 && tag[0] == '0' && tag[1] == '0';
}

bool isUnimarc(const std::vector<RecordField>& fields)
{
    const auto has = [&](std::string_view tag) {
        return std::any_of(fields.begin(), fields.end(),
                           [&](const RecordField& f) { return f.tag == tag; });
    };
    return has("200") || (has("801") && !has("245") && !has("008"));
}

Assembly assemble(const RecordParts& parts, MarcRecord& out)
{
    IsoWriter writer;
    std::size_t bytes = 0;
    for (const RecordField& field : parts.fields)
        bytes += field.data.size();
    writer.reserve(parts.fields.size(), bytes);
    const auto isTerminator = [](char c) {
        return c == kRecordTerminator || c == kFieldTerminator;
    };
    const auto blankTerminators = [&](std::string text) {
        std::replace_if(text.begin(), text.end(), isTerminator, ' ');
        return text;
    };
    std::string clean;
    for (const RecordField& field : parts.fields) {
        // A terminator inside a field (one a reader was handed as a character) would end the
        // field or the record early.
        std::string_view data = field.data;
        // A plain scan: find_first_of would call memchr once for every byte of the field.
        if (std::any_of(data.begin(), data.end(), isTerminator)) {
            clean.clear();
            std::remove_copy_if(data.begin(), data.end(), std::back_inserter(clean), isTerminator);
            data = clean;
        }
        if (!writer.add(blankTerminators(field.tag), data))
            return Assembly::FieldTooLarge;
    }
    std::string leader = blankTerminators(parts.leader);
    leader.resize(kLeaderLength, ' ');
    return writer.finish(std::move(leader), out) ? Assembly::Done : Assembly::RecordTooLarge;
}

std::string* generalProcessingData(std::vector<RecordField>& fields, std::size_t& start)
{
    for (RecordField& field : fields) {
        if (field.tag != "100")
            continue;
        for (std::size_t i = field.data.find(kSubfieldDelimiter); i != std::string::npos;
             i = field.data.find(kSubfieldDelimiter, i + 1)) {
            if (i + 1 < field.data.size() && field.data[i + 1] == 'a') {
                start = i + 2;
                return &field.data;
            }
        }
        return nullptr;
    }
    return nullptr;
}

} // namespace bibliora::formats
