#pragma once

#include "matcher.h"
#include "recordchange.h"

#include <memory>
#include <string>

namespace bibliora::edit {

// Every match of a search in scope replaced: by the replacement as it is for Contains and
// WholeSubfield, by its expansion ($1, ${name}, $$) for Regex. Changes counts the values (a
// subfield's, a control field's, the leader's) whose text the replacements changed. The
// replaced text is written in the record's encoding; a character it cannot hold becomes what
// the builder writes for it.
class ReplaceChange final : public RecordChange
{
public:
    // The change, or null with `error` saying why it is refused (Chinese): a replacement that
    // holds a character that is structure (see isStructure), or whose $ references do not fit
    // the expression. A replacement whose expansion holds one (through a group) makes the
    // record fail with EditError::Structure instead.
    static std::shared_ptr<const ReplaceChange> create(std::shared_ptr<const Matcher> matcher,
                                                       std::u16string replacement,
                                                       std::u16string& error);

private:
    ReplaceChange() = default;
    Made edit(RecordFields& fields) const override;
    bool mayTouch(std::string_view record, Encoding encoding) const override;
    // Replaces in one value; false (with `made.error`) when the record must fail.
    bool replaceIn(std::u16string_view value, std::u16string& out, bool& changed, Made& made,
                   Pattern::Scratch& scratch) const;

    std::shared_ptr<const Matcher> m_matcher;
    std::u16string m_replacement;
};

} // namespace bibliora::edit
