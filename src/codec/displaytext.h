#pragma once

#include <string>
#include <string_view>

namespace bibliora {

// The editable text of a record: "HEA    " and leader positions 5-23, then one line per
// directory entry that yields data ("tag ii data", "■" for each subfield delimiter), lines
// separated by CR LF. Unreadable entries are skipped; nothing fails outward.
std::u16string formatRecordText(std::string_view record);

} // namespace bibliora
