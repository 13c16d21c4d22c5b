#pragma once

#include "problem.h"

#include <QObject>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace bibliora {

namespace check {
class AheadChecker;
class FileChecker;
} // namespace check
class CheckResults;
class RecordModel;

// Checks every record of the list, in order, in short slices run from the event loop as a
// load is: the window repaints and answers while a million records are checked. The problems
// go to a CheckResults, the rows with errors are marked in the list. Afterwards the file's
// checker stays, so that a record changed later is checked again against the others; a record
// changed during the run is checked when the run reaches it.
//
// With more than one thread, workers check each record by its own rules ahead of the run, and
// the event loop completes them in order (duplicates, the file's choice of rules): the results
// are those of one thread. The workers read the records where the list keeps them, which stay
// put until the list is cleared; a change of rows during the run drops what they prepared.
class CheckJob final : public QObject
{
    Q_OBJECT
public:
    CheckJob(RecordModel& records, CheckResults& results, QObject* parent = nullptr);
    ~CheckJob() override;

    // Starts again from the first record; what an earlier check found is cleared.
    void start();
    void cancel();
    bool isRunning() const { return m_timer.isActive() || m_ahead; }
    void setSliceMs(int ms) { m_sliceMs = ms; }
    // Threads that check, from the next start(): 0 (the default) one per core, 1 none but
    // this one.
    void setThreads(unsigned threads) { m_threads = threads; }

signals:
    void progress(qint64 checked, qint64 total);
    void finished(qint64 checked);

private:
    void runSlice();
    // The slice of a run with workers: completes what they prepared, in order, and gives
    // them more. Called when the oldest batch is ready, and after a change of rows.
    void takePrepared();
    void giveAhead();
    void postTake();
    // Rows changed under the workers: what they prepared past m_next is dropped.
    void dropAhead();
    // Stages the problems in m_problems as those of row m_next, and moves on.
    void stage();
    // Shows what a slice staged from row `first`; ends the run at the last row.
    void publishSlice(std::size_t first);
    void recheckRows(const std::vector<std::size_t>& rows);
    void recheck(std::size_t row);
    void forget();

    RecordModel& m_records;
    CheckResults& m_results;
    std::unique_ptr<check::FileChecker> m_checker;
    std::vector<check::Problem> m_problems;
    std::vector<bool> m_marks;
    std::size_t m_next = 0; // the first row not yet checked
    QTimer m_timer;
    int m_sliceMs = 40;
    unsigned m_threads = 0;
    std::size_t m_given = 0; // the first row not given to the workers
    std::size_t m_aheadBatches = 0;
    std::atomic<bool> m_takePosted{false};
    // Last: its workers stop before the rest goes.
    std::unique_ptr<check::AheadChecker> m_ahead;
};

} // namespace bibliora
