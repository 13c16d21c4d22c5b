#include "isosource.h"

namespace bibliora::formats {

IsoSource::IsoSource(const ReadOptions& options) : m_reader(options) {}

bool IsoSource::open(const std::filesystem::path& path)
{
    return m_reader.open(path);
}

void IsoSource::openBytes(std::string_view bytes)
{
    m_reader.openBytes(bytes);
}

RecordSource::Step IsoSource::next(MarcRecord& record, Encoding& encoding)
{
    switch (m_reader.next(record)) {
    case RecordReader::Step::Record:
        encoding = m_vote.next(record);
        return Step::Record;
    case RecordReader::Step::Pending:
        return Step::Pending;
    case RecordReader::Step::End:
        break;
    }
    if (m_reader.failed() && m_error.empty())
        m_error = kUnfinishedRead;
    return Step::End;
}

} // namespace bibliora::formats
