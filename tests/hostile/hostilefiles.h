#pragma once

// Inputs shared by the codec and the window tests on hostile files.

#include "recordgen.h"
#include "testfiles.h"

namespace bibliora::hostile {

// Generated record `i` (CNMARC unless told), assembled byte by byte, not by the builder.
inline std::string generated(std::uint64_t i, support::RecordFormat format = {})
{
    support::GeneratedRecord record;
    support::RecordGenerator(7, format).make(i, record);
    return record.bytes;
}

} // namespace bibliora::hostile
