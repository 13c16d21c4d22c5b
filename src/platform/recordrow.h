#pragma once

#include "marc.h"

#include <QString>
#include <cstdint>

namespace bibliora {

// One record row of the grid. The sequence column always holds a decimal number, so it is
// kept as one; the record is kept as its GBK bytes. Colours are 0x00BBGGRR values.
struct RecordRow
{
    std::int64_t sequence = 0;
    QString title;
    QString standardNumber;
    MarcRecord record;
    bool modified = false;   // saved at least once since the load: shown in blue
    bool unexported = false; // saved since the last export that wrote it
};

inline constexpr std::uint32_t kModifiedColour = 0xFF0000; // pure blue in 0x00BBGGRR

} // namespace bibliora
