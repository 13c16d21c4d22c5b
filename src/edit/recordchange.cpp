#include "recordchange.h"

#include "recordfields.h"

namespace bibliora::edit {
namespace {

EditError errorOf(BuildError error)
{
    switch (error) {
    case BuildError::None:
        return EditError::None;
    case BuildError::EmptySubfield:
        return EditError::EmptySubfield;
    case BuildError::TooLarge:
        return EditError::TooLarge;
    case BuildError::TooFewLines:
        break;
    }
    return EditError::Unreadable;
}

} // namespace

bool RecordChange::mayTouch(std::string_view, Encoding) const
{
    return true;
}

EditOutcome RecordChange::apply(std::string_view record, Encoding encoding,
                                const BuildTime& now) const
{
    // Deciding from the bytes: most records a change does not touch, and are never decoded
    // whole nor checked for whether the byte form can write them.
    if (!mayTouch(record, encoding))
        return {};
    RecordFields fields = RecordFields::ofBytes(record, encoding);
    const Made made = edit(fields);
    EditOutcome outcome;
    outcome.changes = made.changes;
    outcome.error = made.error;
    if (made.error != EditError::None || made.changes == 0)
        return outcome;
    if (fields.writableByBytes()) {
        if (std::optional<BuildResult> built = fields.build(now)) {
            outcome.error = errorOf(built->error);
            if (outcome.error == EditError::None)
                outcome.record = std::move(built->record);
            return outcome;
        }
    }
    return applyByText(record, encoding, now);
}

EditOutcome RecordChange::applyByText(std::string_view record, Encoding encoding,
                                      const BuildTime& now) const
{
    if (!mayTouch(record, encoding))
        return {};
    EditOutcome outcome;
    EditError unreadable = EditError::None;
    RecordFields fields = RecordFields::ofText(record, encoding, unreadable);
    const Made made = edit(fields);
    outcome.changes = made.changes;
    outcome.error = made.error;
    if (made.error != EditError::None || made.changes == 0)
        return outcome;
    // A record whose text cannot be split into its fields is left alone, and said so only
    // when the change would have touched it (an added field).
    if (unreadable != EditError::None) {
        outcome.error = unreadable;
        return outcome;
    }
    BuildResult built = *fields.build(now);
    outcome.error = errorOf(built.error);
    if (outcome.error == EditError::None)
        outcome.record = std::move(built.record);
    return outcome;
}

} // namespace bibliora::edit
