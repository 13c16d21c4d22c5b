#include "replacechange.h"

#include "displayedfields.h"
#include "recordfields.h"

#include <algorithm>
#include <optional>

namespace bibliora::edit {

std::shared_ptr<const ReplaceChange> ReplaceChange::create(std::shared_ptr<const Matcher> matcher,
                                                           std::u16string replacement,
                                                           std::u16string& error)
{
    if (std::any_of(replacement.begin(), replacement.end(), isStructure)) {
        error = u"替换内容不能含有 ■、子字段分隔符（U+001F）、字段或记录结束符、回车、换行或占位符"
                u"（U+2800–U+28FF）：它们会改变记录的结构";
        return nullptr;
    }
    if (std::u16string problem = matcher->pattern().replacementProblem(replacement);
        !problem.empty()) {
        error = std::move(problem);
        return nullptr;
    }
    std::shared_ptr<ReplaceChange> change(new ReplaceChange);
    change->m_matcher = std::move(matcher);
    change->m_replacement = std::move(replacement);
    return change;
}

bool ReplaceChange::replaceIn(std::u16string_view value, std::u16string& out, bool& changed,
                              Made& made, Pattern::Scratch& scratch) const
{
    changed = false;
    switch (m_matcher->pattern().substitute(value, m_replacement, out, scratch)) {
    case Pattern::Substituted::Unchanged:
        return true;
    case Pattern::Substituted::Changed:
        changed = true;
        ++made.changes;
        return true;
    case Pattern::Substituted::Limit:
        made.error = EditError::MatchLimit;
        return false;
    case Pattern::Substituted::Structure:
        made.error = EditError::Structure;
        return false;
    }
    return false;
}

bool ReplaceChange::mayTouch(std::string_view record, Encoding encoding) const
{
    // The leader is not among the bytes the matcher's test looks at.
    return m_matcher->search().scope.leader() ||
           m_matcher->mayOccurIn(DisplayedFields::fieldArea(record), encoding);
}

RecordChange::Made ReplaceChange::edit(RecordFields& fields) const
{
    Made made;
    const Scope& scope = m_matcher->search().scope;
    std::u16string replaced;
    bool changed = false;
    Pattern::Scratch scratch;
    if (scope.leader()) {
        if (replaceIn(fields.leaderText(), replaced, changed, made, scratch) && changed)
            fields.setLeaderText(std::move(replaced));
        return made;
    }
    std::u16string edited;
    // Over fields laid end to end, the byte test runs over them all at once, and only a field
    // it stops in is tested alone.
    const std::string_view area = fields.area();
    std::optional<std::size_t> candidate;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields.removed(i) || !scope.takesTag(fields.tag(i)))
            continue;
        if (!area.empty()) {
            if (!candidate || *candidate < fields.areaStart(i))
                candidate = m_matcher->nextCandidate(area, fields.areaStart(i), fields.encoding());
            if (*candidate == std::string_view::npos)
                break;
            if (candidate >= fields.areaStart(i + 1))
                continue;
        }
        if (!m_matcher->mayOccurIn(fields.bytes(i), fields.encoding()))
            continue;
        const std::u16string& text = fields.text(i);
        if (fields.control(i)) {
            if (!scope.takesCode({}))
                continue;
            if (!replaceIn(text, replaced, changed, made, scratch))
                return made;
            if (changed)
                fields.setText(i, std::move(replaced));
            continue;
        }
        // The text again, each value in scope replaced.
        edited.clear();
        std::size_t copied = 0;
        bool any = false;
        bool failed = false;
        DisplayedFields::forEachSubfield(text, [&](std::size_t code, std::size_t value,
                                                   std::size_t end) {
            const std::u16string_view whole = text;
            if (failed || !scope.takesCode(whole.substr(code, value - code)))
                return;
            if (!replaceIn(whole.substr(value, end - value), replaced, changed, made, scratch)) {
                failed = true;
                return;
            }
            if (!changed)
                return;
            edited.append(whole.substr(copied, value - copied));
            edited += replaced;
            copied = end;
            any = true;
        });
        if (failed)
            return made;
        if (any) {
            edited.append(std::u16string_view(text).substr(copied));
            fields.setText(i, std::move(edited));
        }
    }
    return made;
}

} // namespace bibliora::edit
