#pragma once

#include "matcher.h"
#include "recordchange.h"

#include <memory>
#include <optional>
#include <string>

namespace bibliora::edit {

// Deletes every field of a tag ("905") or of a range of tags ("9XX", "90X": an X stands for
// any character), or only those that have a subfield `code` whose value `matcher` matches
// (its scope aside). Deleting 001 or 005 makes the save generate them afresh, as in the window.
class DeleteFieldChange final : public RecordChange
{
public:
    struct Condition
    {
        char16_t code = u'a';
        std::shared_ptr<const Matcher> matcher;
    };

    // The change, or null with `error` saying why the tags are refused (Chinese).
    static std::shared_ptr<const DeleteFieldChange>
    create(std::u16string_view tags, std::optional<Condition> condition, std::u16string& error);

private:
    DeleteFieldChange() = default;
    Made edit(RecordFields& fields) const override;
    bool mayTouch(std::string_view record, Encoding encoding) const override;
    bool takesTag(std::string_view tag) const;

    std::string m_tags;
    std::optional<Condition> m_condition;
};

} // namespace bibliora::edit
