#pragma once

#include "encoding.h"
#include "marc.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <memory>

namespace bibliora {

namespace formats {
class RecordSource;
}
class ChunkedReader;
struct RecordChunk;
class RecordModel;

// Reads a file into a RecordModel in short slices run from the event loop, so the window
// repaints, answers and can be closed while a million records load. Between slices nothing
// of the job is on the stack: a handler never runs inside a load. The file's form (ISO 2709,
// MARCXML, MARC text) is told from its content. ISO 2709 files are read and their rows made
// on worker threads, a chunk of records at a time; the rows are added here, in file order.
class LoadJob final : public QObject
{
    Q_OBJECT
public:
    explicit LoadJob(RecordModel& model, QObject* parent = nullptr);
    ~LoadJob() override;

    // Clears the model and starts reading; false (and nothing changed) when the file cannot
    // be opened.
    bool start(const QString& path);
    // Stops reading; the records read so far stay. No signal follows.
    void cancel();
    bool isRunning() const;
    std::int64_t count() const { return m_count; }
    // After finished: why the reading stopped before the end of the file (for the user), or
    // empty; and the records the file held that could not be read and were left out.
    const QString& problem() const { return m_problem; }
    std::uint64_t skipped() const { return m_skipped; }
    void setSliceMs(int ms) { m_sliceMs = ms; }
    // Threads that read an ISO 2709 file, from the next start(): 0 (the default) one per
    // core, 1 none but this one.
    void setThreads(unsigned threads) { m_threads = threads; }
    // Bytes of a file each worker takes at a time (tests cut small files into many chunks).
    void setChunkBytes(std::size_t bytes) { m_chunkBytes = bytes; }

signals:
    void progress(qint64 count);
    void finished(qint64 count);

private:
    void runSlice();
    // Takes the chunks the workers have made, for one slice; called when one is ready.
    void takeChunks();
    void stageChunk(RecordChunk& chunk);
    void finish(const QString& problem);
    void reserveRows(std::uint64_t position);

    RecordModel& m_model;
    std::unique_ptr<formats::RecordSource> m_reader;
    std::unique_ptr<ChunkedReader> m_chunked;
    std::atomic<bool> m_takePosted{false};
    unsigned m_threads = 0;
    std::size_t m_chunkBytes = 4u << 20;
    MarcRecord m_record;
    Encoding m_encoding = Encoding::Gbk;
    QString m_problem;
    std::uint64_t m_skipped = 0;
    QTimer m_timer;
    std::int64_t m_count = 0;
    double m_fileBytes = 0;
    bool m_reserved = false;
    int m_sliceMs = 40;
};

} // namespace bibliora
