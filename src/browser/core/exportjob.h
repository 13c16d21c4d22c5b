#pragma once

#include "conversion.h"
#include "recordwriter.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <vector>

class QFileDevice;

namespace bibliora {

class RecordModel;

// Writes rows of the list to a file in any form, through a formats::RecordWriter, in short
// slices run from the event loop as a load is: the window repaints and answers while a million
// records are written. A form that cannot be appended to replaces the file only once every
// record is written (a failure leaves the old file as it was); the ISO 2709 forms may append.
//
// Before records are converted into code page 936, scan() looks for characters it cannot
// hold, so the user can be asked before anything is written.
//
// The rows must not change while the job runs: the window takes no change of the list then.
class ExportJob final : public QObject
{
    Q_OBJECT
public:
    // A character that cannot be written, where it is.
    struct Unholdable
    {
        int row = 0; // 1-based, as the grid numbers it
        QString tag;
        QString characters;
    };

    explicit ExportJob(const RecordModel& records, QObject* parent = nullptr);
    ~ExportJob() override;

    // Looks through `rows` (0-based, ascending) for characters code page 936 cannot hold;
    // scanned() follows.
    void scan(std::vector<std::size_t> rows);
    // Writes `rows` through `writer` to `path`, appended to what the file holds or replacing
    // it; false, with error() set and nothing changed, when the file cannot be opened.
    bool start(std::vector<std::size_t> rows, std::unique_ptr<formats::RecordWriter> writer,
               const QString& path, bool append);
    void cancel();
    // Runs the rest at once, the signal included: for tests and benchmarks.
    void runToEnd();
    bool isRunning() const { return m_timer.isActive(); }
    void setSliceMs(int ms) { m_sliceMs = ms; }

    // After scanned(): the first few characters found, and how many records hold any.
    const std::vector<Unholdable>& unholdable() const { return m_unholdable; }
    qint64 unholdableRecords() const { return m_unholdableRecords; }
    // After written(): what the writer did, and why the file could not be written, if so.
    const formats::WriteCounts& counts() const { return m_counts; }
    const QString& error() const { return m_error; }

signals:
    void progress(qint64 done, qint64 total);
    void scanned();
    // `ok`: every byte reached the file; otherwise error() says what went wrong.
    void written(bool ok);

private:
    void runSlice();
    void scanRow(std::size_t row);
    bool writeRow(std::size_t row);
    bool flush();
    void finishWriting();

    const RecordModel& m_records;
    std::vector<std::size_t> m_rows;
    std::size_t m_next = 0;
    std::unique_ptr<formats::RecordWriter> m_writer;
    std::unique_ptr<QFileDevice> m_file;
    std::string m_buffer;
    QString m_path;
    QString m_error;
    formats::WriteCounts m_counts;
    std::vector<Unholdable> m_unholdable;
    qint64 m_unholdableRecords = 0;
    bool m_scanning = false;
    QTimer m_timer;
    int m_sliceMs = 40;
};

} // namespace bibliora
