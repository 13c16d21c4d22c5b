#include "isofilewriter.h"

#include "conversion.h"
#include "marc.h"

namespace bibliora::formats {

IsoFileWriter::IsoFileWriter(bool oneALine, std::optional<Encoding> target)
    : m_oneALine(oneALine), m_target(target)
{
}

bool IsoFileWriter::write(std::string& out, std::int64_t, std::string_view record,
                          Encoding encoding)
{
    if (m_target && *m_target != encoding) {
        if (!unholdableCharacters(record, encoding, *m_target).empty())
            ++m_counts.placeholders;
        if (convertRecord(record, encoding, *m_target, m_converted) != Conversion::Done) {
            ++m_counts.failed;
            return false;
        }
        record = m_converted;
    }
    out += record;
    if (record.empty() || record.back() != kRecordTerminator)
        out.push_back(kRecordTerminator);
    if (m_oneALine)
        out += "\r\n";
    ++m_counts.written;
    return true;
}

} // namespace bibliora::formats
