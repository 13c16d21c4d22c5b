#pragma once

#include "encoding.h"
#include "recordstore.h"

#include <cstdint>

namespace bibliora {

// One record row of the grid: where its record's bytes are (as read, or as last saved) and
// where its title and standard number are (ListTexts), so a row itself is a few numbers.
// The texts are kept apart from the records, so a find reads them and nothing else.
struct RecordRow
{
    RecordStore::Slot record;
    RecordStore::Slot texts;
    std::uint32_t titleUnits = 0; // the title's characters, as ListTexts lays the texts out
    std::int32_t sequence = 0;    // the number column: the load's count, or the row at a save
    std::int32_t number = 0;      // the load's count, for good: what checks name a record by
    Encoding encoding = Encoding::Gbk;
    bool modified = false;   // saved at least once since the load: shown in blue
    bool unexported = false; // saved since the last export that wrote it
    bool hasErrors = false;  // the last check found an error in it
};

} // namespace bibliora
