#pragma once

// Inputs shared by the codec and the window tests on hostile files.

#include "gbk.h"
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

// FF FE, the records in UTF-16LE each followed by 0x1D CR LF, then half a character.
inline std::string oddUtf16(const std::vector<std::string>& records)
{
    std::u16string text;
    for (const std::string& r : records)
        text += Gbk::decode(r) + u"\x1D\r\n";
    return support::utf16File(text) + 'A';
}

} // namespace bibliora::hostile
