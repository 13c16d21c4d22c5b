#include "input.h"

#include "chunkedreader.h"
#include "opensource.h"
#include "output.h"

#include <any>
#include <vector>

namespace bibliora::cli {

std::filesystem::path fsPath(const std::string& utf8)
{
    return std::filesystem::u8path(utf8);
}

std::string unreadableBecause(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path p = fsPath(path);
    if (!std::filesystem::exists(p, ec))
        return "no such file";
    if (!std::filesystem::is_regular_file(p, ec))
        return "not a regular file";
    return {};
}

bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    const std::filesystem::path pa = fsPath(a);
    const std::filesystem::path pb = fsPath(b);
    return std::filesystem::exists(pa, ec) && std::filesystem::exists(pb, ec) &&
           std::filesystem::equivalent(pa, pb, ec);
}

namespace {

unsigned g_threads = 0;

// What the workers made of a chunk: each record's prepared text, one after another.
struct Prepared
{
    std::string text;
    std::vector<std::size_t> ends;
};

bool reportEnd(const std::string& path, const ReadingEnd& end)
{
    if (end.skipped > 0)
        complain(path + ": " + std::to_string(end.skipped) +
                 " records could not be read and were left out");
    if (!end.error.empty())
        complain(path + ": " + end.error);
    return end.error.empty();
}

ReadingEnd forEachChunked(const std::string& path, unsigned threads, const RecordPrepare& prepare,
                          const PreparedVisitor& visit)
{
    ChunkedReader::Options options;
    options.threads = threads;
    ChunkedReader reader(options, [&](RecordChunk& chunk) {
        Prepared prepared;
        prepared.ends.reserve(chunk.records.size());
        for (std::size_t i = 0; i < chunk.records.size(); ++i) {
            prepare(chunk.record(i), chunk.records[i].guess, prepared.text);
            prepared.ends.push_back(prepared.text.size());
        }
        chunk.extra = std::move(prepared);
    });
    ReadingEnd end;
    end.opened = reader.open(fsPath(path));
    if (!end.opened)
        return end;
    std::int64_t n = 0;
    RecordChunk chunk;
    std::string again;
    while (reader.next(chunk) == ChunkedReader::Step::Chunk) {
        const auto& prepared = std::any_cast<const Prepared&>(chunk.extra);
        std::size_t from = 0;
        for (std::size_t i = 0; i < chunk.records.size(); ++i) {
            const RecordChunk::Entry& entry = chunk.records[i];
            std::string_view text =
                std::string_view(prepared.text).substr(from, prepared.ends[i] - from);
            from = prepared.ends[i];
            // The file's earlier records decided otherwise than the chunk's: made again.
            if (entry.encoding != entry.guess) {
                again.clear();
                prepare(chunk.record(i), entry.encoding, again);
                text = again;
            }
            visit(++n, chunk.record(i), entry.encoding, text);
        }
        reader.recycle(chunk);
    }
    if (reader.failed())
        end.error = formats::kUnfinishedRead;
    return end;
}

} // namespace

void setReadThreads(unsigned threads)
{
    g_threads = threads;
}

unsigned readThreads()
{
    return g_threads ? g_threads : ChunkedReader::defaultThreads();
}

namespace {

enum class Reading
{
    Unopened,
    Chunked,    // ISO 2709 on several threads
    Sequential, // by `source`
};

Reading openReading(const std::string& path, std::unique_ptr<formats::RecordSource>& source)
{
    formats::FileFormat format = formats::FileFormat::Iso;
    source = formats::openRecordSource(fsPath(path), &format);
    if (!source)
        return Reading::Unopened;
    if (format != formats::FileFormat::Iso || readThreads() == 1)
        return Reading::Sequential;
    source.reset();
    return Reading::Chunked;
}

} // namespace

bool forEachPreparedRecord(const std::string& path, const RecordPrepare& prepare,
                           const PreparedVisitor& visit)
{
    std::unique_ptr<formats::RecordSource> source;
    ReadingEnd end;
    switch (openReading(path, source)) {
    case Reading::Unopened:
        return false;
    case Reading::Chunked:
        end = forEachChunked(path, readThreads(), prepare, visit);
        break;
    case Reading::Sequential: {
        end.opened = true;
        MarcRecord record;
        Encoding encoding = Encoding::Gbk;
        std::int64_t n = 0;
        std::string prepared;
        for (formats::RecordSource::Step s;
             (s = source->next(record, encoding)) != formats::RecordSource::Step::End;) {
            if (s != formats::RecordSource::Step::Record)
                continue;
            prepared.clear();
            prepare(record, encoding, prepared);
            visit(++n, record, encoding, prepared);
        }
        end.skipped = source->skipped();
        end.error = source->error();
        break;
    }
    }
    return reportEnd(path, end);
}

ReadingEnd readEachRecord(const std::string& path, const RecordVisitor& visit)
{
    std::unique_ptr<formats::RecordSource> source;
    const Reading reading = openReading(path, source);
    if (reading == Reading::Unopened)
        return {};
    if (reading == Reading::Chunked) {
        MarcRecord copy;
        return forEachChunked(
            path, readThreads(), [](std::string_view, Encoding, std::string&) {},
            [&](std::int64_t n, std::string_view record, Encoding encoding, std::string_view) {
                copy.assign(record);
                visit(n, copy, encoding);
            });
    }
    MarcRecord record;
    Encoding encoding = Encoding::Gbk;
    std::int64_t n = 0;
    for (formats::RecordSource::Step s;
         (s = source->next(record, encoding)) != formats::RecordSource::Step::End;) {
        if (s == formats::RecordSource::Step::Record)
            visit(++n, record, encoding);
    }
    return {true, source->skipped(), source->error()};
}

bool forEachRecord(const std::string& path, const RecordVisitor& visit)
{
    const ReadingEnd end = readEachRecord(path, visit);
    return end.opened && reportEnd(path, end);
}

int finishReading(const std::string& path, bool read, const std::string& target, bool written,
                  int failure)
{
    if (!written) {
        complain(target + ": writing failed");
        return failure;
    }
    if (!read) {
        complain(path + ": could not be read to its end");
        return failure;
    }
    return 0;
}

} // namespace bibliora::cli
