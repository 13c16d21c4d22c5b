#include "checkjob.h"

#include "checkresults.h"
#include "filechecker.h"
#include "recordmodel.h"

#include <QElapsedTimer>
#include <algorithm>

namespace bibliora {
namespace {

constexpr std::size_t kRowsRecheckedAtOnce = 1000;

} // namespace

CheckJob::CheckJob(RecordModel& records, CheckResults& results, QObject* parent)
    : QObject(parent), m_records(records), m_results(results)
{
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &CheckJob::runSlice);
    connect(&records, &RecordModel::recordsReplaced, this, &CheckJob::recheckRows);
    // Rows removed before the next one to check move it up with them.
    connect(&records, &RecordModel::recordsAboutToBeRemoved, this,
            [this](const std::vector<std::size_t>& rows) {
                m_next -=
                    std::size_t(std::lower_bound(rows.begin(), rows.end(), m_next) - rows.begin());
            });
    // Rows that come back where the run has been are checked again; the later ones when the
    // run gets there.
    connect(&records, &RecordModel::recordsInserted, this,
            [this](const std::vector<std::size_t>& rows) {
                std::size_t before = 0;
                while (before < rows.size() && rows[before] < m_next + before)
                    ++before;
                m_next += before;
                recheckRows({rows.begin(), rows.begin() + std::ptrdiff_t(before)});
            });
    connect(&records, &RecordModel::cleared, this, &CheckJob::forget);
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

void CheckJob::recheckRows(const std::vector<std::size_t>& rows)
{
    if (!m_checker || rows.empty())
        return;
    // A change of many records is checked again as a whole, in slices, rather than one
    // record at a time while the window waits.
    if (rows.size() > kRowsRecheckedAtOnce) {
        start();
        return;
    }
    for (const std::size_t row : rows)
        recheck(row);
}

void CheckJob::recheck(std::size_t row)
{
    if (row >= m_next)
        return; // not checked yet: the run checks it when it gets there
    const RecordRow& r = m_records.row(row);
    m_problems.clear();
    m_checker->recheck(m_records.record(row), r.encoding, r.number, m_problems);
    const bool errors = std::any_of(m_problems.begin(), m_problems.end(), [](const auto& p) {
        return p.severity == check::Severity::Error;
    });
    // The mark first: the results' change makes the window count the marked rows.
    m_records.setErrorMarks(row, {errors});
    m_results.replace(row, m_problems);
}

} // namespace bibliora
