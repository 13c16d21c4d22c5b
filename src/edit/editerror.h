#pragma once

#include <string>

namespace bibliora::edit {

// Why a change left a record as it was.
enum class EditError
{
    None,
    TooLarge,      // the changed record would pass 99,999 bytes, or a field 9,999
    EmptySubfield, // the changed text would hold a subfield with nothing in it
    MatchLimit,    // an expression gave up at its match or depth limit (runaway backtracking)
    Structure,     // a replacement would put a delimiter, terminator, line break or placeholder
                   // into a value
    Unreadable,    // the record's fields could not be told apart in its text
};

// The message the window shows for it (Chinese); empty for None.
std::u16string editErrorMessage(EditError error);

} // namespace bibliora::edit
