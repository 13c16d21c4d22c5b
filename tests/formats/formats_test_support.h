#pragma once

// Helpers of the format tests: whole inputs read through the readers, records written through
// the writers.

#include "codec_test_support.h"
#include "opensource.h"
#include "recordfields.h"
#include "recordwriter.h"

#include <string>
#include <utility>
#include <vector>

namespace bibliora::formats {

inline bool operator==(const RecordField& a, const RecordField& b)
{
    return a.tag == b.tag && a.data == b.data;
}

inline std::ostream& operator<<(std::ostream& os, const RecordField& f)
{
    return os << f.tag << " [" << f.data << "]";
}

} // namespace bibliora::formats

namespace bibliora::test {

struct ReadResult
{
    std::vector<std::pair<MarcRecord, Encoding>> records;
    std::string error;
    std::uint64_t skipped = 0;
    formats::FileFormat format = formats::FileFormat::Iso;
};

inline bool operator==(const ReadResult& a, const ReadResult& b)
{
    return a.records == b.records && a.error == b.error && a.skipped == b.skipped &&
           a.format == b.format;
}

inline ReadResult readAll(formats::RecordSource& source)
{
    ReadResult result;
    MarcRecord record;
    Encoding encoding = Encoding::Gbk;
    for (formats::RecordSource::Step s;
         (s = source.next(record, encoding)) != formats::RecordSource::Step::End;)
        if (s == formats::RecordSource::Step::Record)
            result.records.emplace_back(record, encoding);
    result.error = source.error();
    result.skipped = source.skipped();
    return result;
}

// `bytes` read by the reader their content calls for, `buffer` bytes a step.
inline ReadResult readAll(std::string_view bytes, std::size_t buffer = 1u << 16)
{
    ReadResult result;
    const auto source =
        formats::recordSourceFor(bytes, &result.format, ReadOptions{kMaxRecordBytes, buffer});
    const formats::FileFormat format = result.format;
    result = readAll(*source);
    result.format = format;
    return result;
}

inline ReadResult readFile(const std::filesystem::path& path)
{
    ReadResult result;
    const auto source = formats::openRecordSource(path, &result.format);
    if (!source)
        return result;
    const formats::FileFormat format = result.format;
    result = readAll(*source);
    result.format = format;
    return result;
}

// Every record through `writer`, numbered from 1; the indexes of the records it wrote.
inline std::string writeAll(formats::RecordWriter& writer,
                            const std::vector<std::pair<MarcRecord, Encoding>>& records,
                            std::vector<std::size_t>* written = nullptr)
{
    std::string out;
    writer.begin(out);
    for (std::size_t i = 0; i < records.size(); ++i)
        if (writer.write(out, std::int64_t(i + 1), records[i].first, records[i].second) && written)
            written->push_back(i);
    writer.end(out);
    return out;
}

inline std::vector<formats::RecordField> partsOf(std::string_view record)
{
    formats::RecordParts parts;
    formats::readParts(record, parts);
    return parts.fields;
}

// A one-record MARCXML collection around `fields` (control fields, data fields).
inline std::string slim(std::string_view fields,
                        std::string_view leader = "00000nam a2200000   4500",
                        std::string_view declaration = "<?xml version=\"1.0\"?>")
{
    return std::string(declaration) +
           "<collection xmlns=\"http://www.loc.gov/MARC21/slim\"><record><leader>" +
           std::string(leader) + "</leader>" + std::string(fields) + "</record></collection>";
}

} // namespace bibliora::test
