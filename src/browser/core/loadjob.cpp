#include "loadjob.h"

#include "chunkedreader.h"
#include "listtexts.h"
#include "opensource.h"
#include "ordinaryfile.h"
#include "reader.h"
#include "recordmodel.h"
#include "recordsource.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QMetaObject>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace bibliora {
namespace {

// The rows of a chunk as a worker makes them: their texts in one block, slots numbered as if
// the chunk's blocks were block 0.
struct ChunkRows
{
    std::vector<RecordRow> rows;
    ByteBlock texts;
    std::size_t textBytes = 0;
};

void makeRows(RecordChunk& chunk)
{
    ChunkRows made;
    made.rows.resize(chunk.records.size());
    std::string texts;
    for (std::size_t i = 0; i < chunk.records.size(); ++i) {
        const RecordChunk::Entry& entry = chunk.records[i];
        const std::string_view record = chunk.record(i);
        RecordRow& row = made.rows[i];
        row.encoding = entry.guess;
        row.record = {0, entry.offset, entry.size};
        const std::size_t start = texts.size();
        row.titleUnits = ListTexts::append(texts, titleOf(record, entry.guess),
                                           standardNumberOf(record, entry.guess));
        row.texts = {0, static_cast<std::uint32_t>(start),
                     static_cast<std::uint32_t>(texts.size() - start)};
    }
    made.textBytes = texts.size();
    made.texts = allocateByteBlock(made.textBytes);
    if (made.textBytes)
        std::memcpy(made.texts.get(), texts.data(), made.textBytes);
    // std::any holds what it can copy: the rows, and their block, are shared to get in.
    chunk.extra = std::make_shared<ChunkRows>(std::move(made));
}

} // namespace

LoadJob::LoadJob(RecordModel& model, QObject* parent) : QObject(parent), m_model(model)
{
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &LoadJob::runSlice);
}

LoadJob::~LoadJob()
{
    // The workers end while every member their calls reach still lives.
    m_chunked.reset();
}

bool LoadJob::start(const QString& path)
{
    cancel();
    m_problem.clear();
    m_skipped = 0;
    formats::FileFormat format = formats::FileFormat::Iso;
    std::unique_ptr<formats::RecordSource> reader =
        formats::openRecordSource(toFilesystemPath(path), &format);
    if (!reader)
        return false;
    const unsigned threads = m_threads ? m_threads : ChunkedReader::defaultThreads();
    if (format == formats::FileFormat::Iso && threads > 1) {
        ChunkedReader::Options options;
        options.threads = threads;
        options.chunkBytes = m_chunkBytes;
        // Called on a worker: the chunks are taken here, from the event loop. One call
        // waiting is enough, as a call takes every chunk that is ready.
        options.ready = [this] {
            if (!m_takePosted.exchange(true))
                QMetaObject::invokeMethod(this, &LoadJob::takeChunks, Qt::QueuedConnection);
        };
        auto chunked = std::make_unique<ChunkedReader>(options, makeRows);
        if (!chunked->open(toFilesystemPath(path)))
            return false;
        m_chunked = std::move(chunked);
    } else {
        m_reader = std::move(reader);
    }
    m_model.clear();
    m_count = 0;
    m_reserved = false;
    m_fileBytes = static_cast<double>(QFileInfo(path).size());
    if (m_reader)
        m_timer.start();
    return true;
}

void LoadJob::cancel()
{
    m_timer.stop();
    m_reader.reset();
    m_chunked.reset(); // the workers end with the chunk in hand
    m_model.publish();
}

bool LoadJob::isRunning() const
{
    return m_timer.isActive() || m_chunked != nullptr;
}

void LoadJob::reserveRows(std::uint64_t position)
{
    // After the first slice the row count is estimated from the file size, so the row vector
    // is allocated once instead of doubling (and moving a million rows) as it grows. Twice the
    // estimate: the first records may be larger than the rest, and capacity that is never
    // written costs address space, not memory. Capped: a tiny first record before gigabytes
    // of junk must not size the list.
    m_reserved = true;
    if (m_count == 0)
        return;
    const double perRecord =
        std::max(1.0, static_cast<double>(position) / static_cast<double>(m_count));
    const double rows = std::min(m_fileBytes / perRecord * 2, 4.0 * 1024 * 1024);
    try {
        m_model.reserve(static_cast<std::size_t>(rows) + 1024);
    } catch (const std::bad_alloc&) {
        // Growing as rows come is slower but works.
    }
}

void LoadJob::runSlice()
{
    QElapsedTimer clock;
    clock.start();
    formats::RecordSource::Step step = formats::RecordSource::Step::Pending;
    // At least one step a slice; the clock is read every few records, as a record takes well
    // under a microsecond.
    for (unsigned n = 1;; ++n) {
        step = m_reader->next(m_record, m_encoding);
        if (step == formats::RecordSource::Step::End)
            break;
        if (step == formats::RecordSource::Step::Record) {
            if (m_count == std::numeric_limits<std::int32_t>::max()) {
                step = formats::RecordSource::Step::End; // the grid numbers rows in 32 bits
                break;
            }
            m_model.stage(m_record, static_cast<std::int32_t>(++m_count), m_encoding);
        }
        if (n % 32 == 0 && clock.elapsed() >= m_sliceMs)
            break;
    }
    if (!m_reserved)
        reserveRows(m_reader->position());
    m_model.publish();
    if (step != formats::RecordSource::Step::End) {
        emit progress(m_count);
        return;
    }
    m_timer.stop();
    m_problem = QString::fromStdString(m_reader->error());
    m_skipped = m_reader->skipped();
    m_reader.reset();
    emit finished(m_count);
}

void LoadJob::takeChunks()
{
    m_takePosted = false;
    if (!m_chunked)
        return; // cancelled after the call was posted
    QElapsedTimer clock;
    clock.start();
    RecordChunk chunk;
    ChunkedReader::Step step = ChunkedReader::Step::Pending;
    // At least one chunk a slice.
    for (;;) {
        try {
            step = m_chunked->next(chunk, false);
        } catch (const std::bad_alloc&) {
            // A worker ran out of memory making rows: the rows so far stay, as after a
            // file that ends early.
            m_model.publish();
            finish(QStringLiteral("内存不足，文件没有读完"));
            return;
        }
        if (step != ChunkedReader::Step::Chunk)
            break;
        stageChunk(chunk);
        if (m_count == std::numeric_limits<std::int32_t>::max()) {
            step = ChunkedReader::Step::End;
            break;
        }
        if (clock.elapsed() >= m_sliceMs)
            break;
    }
    if (!m_reserved)
        reserveRows(m_chunked->position());
    m_model.publish();
    if (step == ChunkedReader::Step::End) {
        finish(m_chunked->failed() ? QString::fromUtf8(formats::kUnfinishedRead) : QString());
        return;
    }
    emit progress(m_count);
    // The slice ended on the clock with chunks perhaps still waiting: another turn after the
    // events that came meanwhile (a repaint, a close).
    if (step == ChunkedReader::Step::Chunk && !m_takePosted.exchange(true))
        QMetaObject::invokeMethod(this, &LoadJob::takeChunks, Qt::QueuedConnection);
}

void LoadJob::stageChunk(RecordChunk& chunk)
{
    ChunkRows& made = *std::any_cast<std::shared_ptr<ChunkRows>&>(chunk.extra);
    // The grid numbers rows in 32 bits: what passes that is not loaded.
    const auto room = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - m_count);
    if (made.rows.size() > room)
        made.rows.resize(room);
    std::vector<std::size_t> renew;
    for (std::size_t i = 0; i < made.rows.size(); ++i) {
        RecordRow& row = made.rows[i];
        row.sequence = row.number = static_cast<std::int32_t>(++m_count);
        if (chunk.records[i].encoding != row.encoding) {
            row.encoding = chunk.records[i].encoding;
            renew.push_back(i);
        }
    }
    m_model.stageBlocks(std::move(chunk.bytes), chunk.size, std::move(made.texts), made.textBytes,
                        made.rows, renew);
}

void LoadJob::finish(const QString& problem)
{
    m_problem = problem;
    m_chunked.reset();
    emit finished(m_count);
}

} // namespace bibliora
