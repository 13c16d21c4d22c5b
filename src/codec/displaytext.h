#pragma once

#include "encoding.h"

#include <string>
#include <string_view>

namespace bibliora {

// The editable text of a record: "HEA    " and leader positions 5-23, then one line per
// directory entry that yields data ("tag ii data", "■" for each subfield delimiter), lines
// separated by CR LF. Unreadable entries are skipped; nothing fails outward.
// Fields are decoded in the record's encoding; bytes that would not survive a save as
// characters are shown as placeholders (U+2800 + byte), which the builder writes back.
std::u16string formatRecordText(std::string_view record);
std::u16string formatRecordText(std::string_view record, Encoding encoding);

} // namespace bibliora
