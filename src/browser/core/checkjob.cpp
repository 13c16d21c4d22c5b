#include "checkjob.h"

#include "checkresults.h"
#include "filechecker.h"
#include "recordmodel.h"

#include <QElapsedTimer>
#include <algorithm>

namespace bibliora {

CheckJob::CheckJob(RecordModel& records, CheckResults& results, QObject* parent)
    : QObject(parent), m_records(records), m_results(results)
{
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &CheckJob::runSlice);
    connect(&records, &RecordModel::recordReplaced, this, &CheckJob::recheck);
    // Rows removed before the next one to check move it up with them.
    connect(&records, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) {
                const auto f = std::size_t(first);
                const auto l = std::size_t(last);
                if (m_next > l)
                    m_next -= l - f + 1;
                else if (m_next > f)
                    m_next = f;
            });
    connect(&records, &QAbstractItemModel::modelReset, this, &CheckJob::forget);
}

CheckJob::~CheckJob() = default;

void CheckJob::start()
{
    forget();
    m_results.clear();
    m_records.clearErrorMarks();
    m_checker = std::make_unique<check::FileChecker>();
    m_checker->reserve(m_records.size());
    m_timer.start();
}

void CheckJob::cancel()
{
    m_timer.stop();
}

void CheckJob::forget()
{
    m_timer.stop();
    m_checker.reset();
    m_next = 0;
}

void CheckJob::runSlice()
{
    QElapsedTimer clock;
    clock.start();
    const std::size_t first = m_next;
    m_marks.clear();
    // The clock is read every few records: a record takes about a microsecond.
    for (unsigned n = 1; m_next < m_records.size(); ++n) {
        const RecordRow& row = m_records.row(m_next);
        m_problems.clear();
        m_checker->check(m_records.record(m_next), row.encoding, row.number, m_problems);
        m_marks.push_back(std::any_of(m_problems.begin(), m_problems.end(), [](const auto& p) {
            return p.severity == check::Severity::Error;
        }));
        m_results.stage(m_next, m_problems);
        ++m_next;
        if (n % 64 == 0 && clock.elapsed() >= m_sliceMs)
            break;
    }
    m_results.publish();
    m_records.setErrorMarks(first, m_marks);
    if (m_next < m_records.size()) {
        emit progress(qint64(m_next), qint64(m_records.size()));
        return;
    }
    m_timer.stop();
    emit finished(qint64(m_next));
}

void CheckJob::recheck(std::size_t row)
{
    if (!m_checker || row >= m_next)
        return; // not checked yet: the run checks it when it gets there
    const RecordRow& r = m_records.row(row);
    m_problems.clear();
    m_checker->recheck(m_records.record(row), r.encoding, r.number, m_problems);
    const bool errors = std::any_of(m_problems.begin(), m_problems.end(), [](const auto& p) {
        return p.severity == check::Severity::Error;
    });
    m_results.replace(row, m_problems);
    m_records.setErrorMarks(row, {errors});
}

} // namespace bibliora
