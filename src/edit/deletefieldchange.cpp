#include "deletefieldchange.h"

#include "displayedfields.h"
#include "recordfields.h"

namespace bibliora::edit {

std::shared_ptr<const DeleteFieldChange>
DeleteFieldChange::create(std::u16string_view tags, std::optional<Condition> condition,
                          std::u16string& error)
{
    const auto tagCharacter = [](char16_t c) {
        return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
    };
    if (tags.size() != 3 || !tagCharacter(tags[0]) || !tagCharacter(tags[1]) ||
        !tagCharacter(tags[2])) {
        error = u"字段号“" + std::u16string(tags) +
                u"”有误：应为三位字段号（如 905）或范围（如 9XX、90X）";
        return nullptr;
    }
    std::shared_ptr<DeleteFieldChange> change(new DeleteFieldChange);
    for (char16_t c : tags)
        change->m_tags.push_back(c == u'x' ? 'X' : static_cast<char>(c));
    change->m_condition = std::move(condition);
    return change;
}

bool DeleteFieldChange::takesTag(std::string_view tag) const
{
    if (tag.size() != 3)
        return false;
    for (std::size_t k = 0; k < 3; ++k)
        if (m_tags[k] != 'X' && m_tags[k] != tag[k])
            return false;
    return true;
}

bool DeleteFieldChange::mayTouch(std::string_view record, Encoding encoding) const
{
    return !m_condition ||
           m_condition->matcher->mayOccurIn(DisplayedFields::fieldArea(record), encoding);
}

RecordChange::Made DeleteFieldChange::edit(RecordFields& fields) const
{
    Made made;
    Pattern::Scratch scratch;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields.removed(i) || !takesTag(fields.tag(i)))
            continue;
        if (m_condition) {
            if (fields.control(i) ||
                !m_condition->matcher->mayOccurIn(fields.bytes(i), fields.encoding()))
                continue;
            const std::u16string_view text = fields.text(i);
            bool holds = false;
            DisplayedFields::forEachSubfield(text, [&](std::size_t code, std::size_t value,
                                                       std::size_t end) {
                if (holds || made.error != EditError::None || value - code != 1 ||
                    text[code] != m_condition->code)
                    return;
                const Pattern::Found found =
                    m_condition->matcher->matchesValue(text.substr(value, end - value), scratch);
                holds = found == Pattern::Found::Yes;
                if (found == Pattern::Found::Limit)
                    made.error = EditError::MatchLimit;
            });
            if (made.error != EditError::None)
                return made;
            if (!holds)
                continue;
        }
        fields.remove(i);
        ++made.changes;
    }
    return made;
}

} // namespace bibliora::edit
