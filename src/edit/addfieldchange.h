#pragma once

#include "recordchange.h"
#include "recordfields.h"

#include <memory>
#include <string>

namespace bibliora::edit {

// Adds a field given as a line of the display text ("905 __ ■aXJTU■b书库"), read as the builder
// reads a line: a data field goes after the record's fields of its tag and before greater
// tags; a control field before the first field with a greater tag, so a 001-005, 008 or 009
// the record has is replaced (006 and 007 repeat). Optionally only where the record has no
// field with that tag.
class AddFieldChange final : public RecordChange
{
public:
    // The change, or null with `error` saying why the line is refused (Chinese): more than one
    // line, no tag of three digits, an empty subfield, a line the builder writes no field for
    // (a data field without a subfield that holds anything), a field too long.
    static std::shared_ptr<const AddFieldChange> create(std::u16string_view line, bool ifMissing,
                                                        std::u16string& error);

private:
    AddFieldChange() = default;
    Made edit(RecordFields& fields) const override;

    AddedField m_field;
    bool m_ifMissing = false;
};

} // namespace bibliora::edit
