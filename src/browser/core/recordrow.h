#pragma once

#include "encoding.h"
#include "recordstore.h"

#include <cstdint>

namespace bibliora {

// One record row of the grid. Its slot holds the record's bytes as read (or as last saved),
// then its title and standard number as UTF-16, so a row itself is a few plain numbers.
struct RecordRow
{
    RecordStore::Slot slot;
    std::uint32_t recordBytes = 0;
    std::uint32_t titleUnits = 0; // the standard number takes the rest of the slot
    std::int32_t sequence = 0;    // the number column: the load's count, or the row at a save
    Encoding encoding = Encoding::Gbk;
    bool modified = false;   // saved at least once since the load: shown in blue
    bool unexported = false; // saved since the last export that wrote it
};

} // namespace bibliora
