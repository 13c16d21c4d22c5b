#pragma once

#include "builder.h"
#include "editerror.h"
#include "encoding.h"
#include "marc.h"

#include <cstddef>
#include <string_view>

namespace bibliora::edit {

class RecordFields;

// What a change made of one record.
struct EditOutcome
{
    // The record rebuilt with the change, when changed(); else empty, and the record stands
    // as it was, byte for byte.
    MarcRecord record;
    // Subfields (or control fields, or the leader) replaced, fields added, fields deleted, or
    // fields whose indicators were set.
    std::size_t changes = 0;
    // Why the record was left as it was although the change applies to it.
    EditError error = EditError::None;

    bool changed() const { return error == EditError::None && changes > 0; }
};

// A change applied to one record at a time: a replacement, an added field, deleted fields,
// indicators set. A record the change touches is written exactly as an unedited save writes
// it (rebuildRecord over its display text: fields in tag order, every other field's bytes
// kept, 001 and 005 generated only when missing) with the change made in its text, in the
// record's own encoding. A record it does not touch is not rebuilt.
//
// Changes are immutable: one change may be applied by several threads at once.
class RecordChange
{
public:
    virtual ~RecordChange() = default;

    // The change made to `record`, read in `encoding`; `now` stamps a generated 001 or 005.
    // Records whose every field an unedited save keeps byte for byte are written without
    // decoding the fields the change leaves alone; the result is the same as applyByText().
    EditOutcome apply(std::string_view record, Encoding encoding, const BuildTime& now) const;
    // The same through the record's whole display text and the builder: the definition
    // apply() keeps to, slower.
    EditOutcome applyByText(std::string_view record, Encoding encoding, const BuildTime& now) const;

protected:
    struct Made
    {
        std::size_t changes = 0;
        EditError error = EditError::None;
    };
    // Makes the change in `fields`, either form, deciding only from their bytes and texts.
    virtual Made edit(RecordFields& fields) const = 0;
    // False only when edit() would change nothing in `record`: a cheap look at its bytes that
    // spares most records a change does not touch from being read field by field.
    virtual bool mayTouch(std::string_view record, Encoding encoding) const;
};

} // namespace bibliora::edit
