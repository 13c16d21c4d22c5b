#include "addfieldchange.h"

#include "lookup.h"

namespace bibliora::edit {

std::shared_ptr<const AddFieldChange> AddFieldChange::create(std::u16string_view line,
                                                             bool ifMissing, std::u16string& error)
{
    if (line.find_first_of(u"\r\n") != std::u16string_view::npos) {
        error = u"要添加的字段只能是一行";
        return nullptr;
    }
    const auto digit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    if (line.size() < 3 || !digit(line[0]) || !digit(line[1]) || !digit(line[2]) ||
        line.substr(0, 3) == u"000") {
        error = u"要添加的行应以三位数字的字段号（001–999）开头";
        return nullptr;
    }
    std::shared_ptr<AddFieldChange> change(new AddFieldChange);
    AddedField& field = change->m_field;
    field.line = line;
    for (char16_t c : line.substr(0, 3))
        field.tag.push_back(static_cast<char>(c));
    field.control = field.tag < "010";
    // The field's bytes are what the builder writes for the line in a record of its own.
    const std::u16string text = u"HEA    \r\n" + std::u16string(line) + u"\r\n";
    const Encoding encodings[] = {Encoding::Gbk, Encoding::Utf8, Encoding::Marc8};
    for (std::size_t e = 0; e < 3; ++e) {
        const BuildResult built = buildIsoRecordChecked(text, BuildTime(), encodings[e]);
        if (built.error == BuildError::EmptySubfield) {
            error = u"要添加的字段有空子字段（“■■”或以“■”结尾）";
            return nullptr;
        }
        if (built.error != BuildError::None) {
            error = u"要添加的字段太长（一个字段至多 9,999 字节）";
            return nullptr;
        }
        const DirectoryView dir = directoryOf(built.record);
        bool found = false;
        for (std::size_t entry = 0; entry < dir.entries.size(); entry += kEntryLength) {
            const FieldSlice slice = fieldAt(built.record, dir, entry);
            if (slice.tag != field.tag)
                continue;
            field.bytes[e] = slice.data.substr(0, slice.data.size() - 1);
            found = true;
        }
        if (!found) {
            error = u"这一行写不成字段：数据字段至少要有一个有内容的子字段（如 905 __ ■aXJTU），"
                    u"控制字段要有内容";
            return nullptr;
        }
    }
    change->m_ifMissing = ifMissing;
    return change;
}

RecordChange::Made AddFieldChange::edit(RecordFields& fields) const
{
    Made made;
    if (m_ifMissing)
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (!fields.removed(i) && fields.tag(i) == m_field.tag)
                return made;
    fields.add(m_field);
    made.changes = 1;
    return made;
}

} // namespace bibliora::edit
