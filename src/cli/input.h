#pragma once

#include "chunkedreader.h"
#include "encoding.h"
#include "marc.h"
#include "recordsource.h"

#include <any>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace bibliora::cli {

// Arguments are UTF-8 on every system (on Windows main() makes them so), and so are the
// paths they name.
std::filesystem::path fsPath(const std::string& utf8);

// Why FILE cannot be read as a record file ("no such file", "not a regular file"), or empty.
std::string unreadableBecause(const std::string& path);

// Whether both paths exist and name the same file.
bool sameFile(const std::string& a, const std::string& b);

// Every record of a file in order, ISO 2709, MARCXML or MARC text as its content says, with its
// number as the record list numbers it and the encoding the file's reading decides for it (a
// record that fits several takes the one of the file's other records), as the window reads
// it. The visitor may move the record away. Records the file holds that could not be read are
// counted on standard error. False when the file could not be opened or read to its end (why
// is said on standard error).
using RecordVisitor = std::function<void(std::int64_t number, MarcRecord& record, Encoding)>;
bool forEachRecord(const std::string& path, const RecordVisitor& visit);

// What a reading found besides its records.
struct ReadingEnd
{
    bool opened = false;
    std::uint64_t skipped = 0; // records that could not be read
    std::string error;         // why the reading stopped early, or empty
};
// forEachRecord() without its messages, for a command that says what it found in its own order.
ReadingEnd readEachRecord(const std::string& path, const RecordVisitor& visit);

// The same as forEachRecord(), with work done for each record before the visitor gets it: on
// the reading threads where the file is ISO 2709 and more than one is used, several records
// at once, so `prepare(record, encoding, prepared)` must touch nothing shared; it fills
// `prepared` afresh, whatever an earlier record left there. `visit(number,
// record, encoding, prepared)` then gets each record in file order. A record whose encoding
// the file's earlier records decide otherwise than its chunk's is prepared again first.
// `ahead(prepared)`, where given, sees a prepared record a few records before its visit (to
// start fetching what the visit will look up).
struct NothingAhead
{
    template <typename Prepared> void operator()(const Prepared&) const {}
};
template <typename Prepared, typename Prepare, typename Visit, typename Ahead = NothingAhead>
bool forEachPrepared(const std::string& path, const Prepare& prepare, const Visit& visit,
                     const Ahead& ahead = {});

// How many threads read and work on records (--threads): 0 for one per core.
void setReadThreads(unsigned threads);
unsigned readThreads();

// The end of a command that read the records of `path` and wrote to `target`: when the reading
// stopped early or the writing failed, says so and returns `failure`; else 0.
int finishReading(const std::string& path, bool read, const std::string& target, bool written,
                  int failure = 1);

namespace detail {

enum class Reading
{
    Unopened,
    Chunked,    // ISO 2709 on several threads
    Sequential, // by `source`
};
Reading openReading(const std::string& path, std::unique_ptr<formats::RecordSource>& source);
bool reportEnd(const std::string& path, const ReadingEnd& end);

} // namespace detail

// forEachPrepared() without its messages.
template <typename Prepared, typename Prepare, typename Visit, typename Ahead = NothingAhead>
ReadingEnd readPrepared(const std::string& path, const Prepare& prepare, const Visit& visit,
                        const Ahead& ahead = {})
{
    constexpr std::size_t kAhead = 8;
    std::unique_ptr<formats::RecordSource> source;
    ReadingEnd end;
    std::int64_t n = 0;
    switch (detail::openReading(path, source)) {
    case detail::Reading::Unopened:
        return end;
    case detail::Reading::Chunked: {
        using Batch = std::vector<Prepared>;
        ChunkedReader::Options options;
        options.threads = readThreads();
        // Shared, as std::any holds only what it can copy.
        ChunkedReader reader(options, [&](RecordChunk& chunk) {
            auto batch = std::make_shared<Batch>(chunk.records.size());
            for (std::size_t i = 0; i < chunk.records.size(); ++i)
                prepare(chunk.record(i), chunk.records[i].guess, (*batch)[i]);
            chunk.extra = std::move(batch);
        });
        end.opened = reader.open(fsPath(path));
        if (!end.opened)
            return end;
        RecordChunk chunk;
        while (reader.next(chunk) == ChunkedReader::Step::Chunk) {
            Batch& batch = *std::any_cast<std::shared_ptr<Batch>&>(chunk.extra);
            for (std::size_t i = 0; i < chunk.records.size(); ++i) {
                if (i + kAhead < chunk.records.size())
                    ahead(batch[i + kAhead]);
                const RecordChunk::Entry& entry = chunk.records[i];
                if (entry.encoding != entry.guess)
                    prepare(chunk.record(i), entry.encoding, batch[i]);
                visit(++n, chunk.record(i), entry.encoding, batch[i]);
            }
            chunk.extra.reset();
            reader.recycle(chunk);
        }
        if (reader.failed())
            end.error = formats::kUnfinishedRead;
        break;
    }
    case detail::Reading::Sequential: {
        end.opened = true;
        MarcRecord record;
        Encoding encoding = Encoding::Gbk;
        Prepared prepared;
        for (formats::RecordSource::Step s;
             (s = source->next(record, encoding)) != formats::RecordSource::Step::End;) {
            if (s != formats::RecordSource::Step::Record)
                continue;
            prepare(std::string_view(record), encoding, prepared);
            visit(++n, std::string_view(record), encoding, prepared);
        }
        end.skipped = source->skipped();
        end.error = source->error();
        break;
    }
    }
    return end;
}

template <typename Prepared, typename Prepare, typename Visit, typename Ahead>
bool forEachPrepared(const std::string& path, const Prepare& prepare, const Visit& visit,
                     const Ahead& ahead)
{
    const ReadingEnd end = readPrepared<Prepared>(path, prepare, visit, ahead);
    return end.opened && detail::reportEnd(path, end);
}

} // namespace bibliora::cli
