#pragma once

#include "problem.h"

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <vector>

namespace bibliora {

namespace check {
class FileChecker;
}
class CheckResults;
class RecordModel;

// Checks every record of the list, in order, in short slices run from the event loop as a
// load is: the window repaints and answers while a million records are checked. The problems
// go to a CheckResults, the rows with errors are marked in the list. Afterwards the file's
// checker stays, so that a record changed later is checked again against the others; a record
// changed during the run is checked when the run reaches it.
class CheckJob final : public QObject
{
    Q_OBJECT
public:
    CheckJob(RecordModel& records, CheckResults& results, QObject* parent = nullptr);
    ~CheckJob() override;

    // Starts again from the first record; what an earlier check found is cleared.
    void start();
    void cancel();
    bool isRunning() const { return m_timer.isActive(); }
    void setSliceMs(int ms) { m_sliceMs = ms; }

signals:
    void progress(qint64 checked, qint64 total);
    void finished(qint64 checked);

private:
    void runSlice();
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
};

} // namespace bibliora
