#include "checkjob.h"

#include "aheadchecker.h"
#include "checkresults.h"
#include "chunkedreader.h"
#include "filechecker.h"
#include "recordmodel.h"

#include <QElapsedTimer>
#include <algorithm>

namespace bibliora {
namespace {

constexpr std::size_t kRowsRecheckedAtOnce = 1000;
// Rows a worker prepares at a time (a few milliseconds), and batches given out per worker: far
// enough ahead that no worker waits for the event loop between two of its slices.
constexpr std::size_t kBatchRows = 2048;
constexpr std::size_t kBatchesPerThread = 4;
// Records whose duplicate look-ups are started ahead of their turn.
constexpr std::size_t kPrefetchAhead = 8;

bool hasErrors(const std::vector<check::Problem>& problems)
{
    return std::any_of(problems.begin(), problems.end(),
                       [](const auto& p) { return p.severity == check::Severity::Error; });
}

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
                dropAhead();
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
                dropAhead();
            });
    // The workers stop before the list lets go of the records they read.
    connect(&records, &QAbstractItemModel::modelAboutToBeReset, this, &CheckJob::forget);
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
    const unsigned threads = m_threads ? m_threads : ChunkedReader::defaultThreads();
    if (threads == 1) {
        m_timer.start();
        return;
    }
    m_aheadBatches = kBatchesPerThread * threads;
    m_ahead = std::make_unique<check::AheadChecker>(threads, check::RuleSet::Auto,
                                                    [this] { postTake(); });
    postTake();
}

void CheckJob::cancel()
{
    m_timer.stop();
    m_ahead.reset();
}

void CheckJob::forget()
{
    cancel();
    m_checker.reset();
    m_next = 0;
    m_given = 0;
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
        stage();
        if (n % 64 == 0 && clock.elapsed() >= m_sliceMs)
            break;
    }
    publishSlice(first);
}

void CheckJob::postTake()
{
    if (!m_takePosted.exchange(true))
        QMetaObject::invokeMethod(this, &CheckJob::takePrepared, Qt::QueuedConnection);
}

void CheckJob::takePrepared()
{
    m_takePosted = false;
    if (!m_ahead)
        return; // posted before the run ended
    QElapsedTimer clock;
    clock.start();
    const std::size_t first = m_next;
    m_marks.clear();
    giveAhead();
    while (m_next < m_records.size()) {
        std::unique_ptr<check::AheadChecker::Batch> batch = m_ahead->take();
        if (!batch)
            break; // the workers call again
        // The batch holds rows m_next onwards: batches come back in order, and a change of
        // rows drops those given.
        const std::size_t size = batch->records.size();
        for (std::size_t i = 0; i < size; ++i) {
            if (i + kPrefetchAhead < size)
                m_checker->prefetch(batch->prepared[i + kPrefetchAhead]);
            m_problems.clear();
            m_checker->finish(batch->records[i], batch->encodings[i], m_records.row(m_next).number,
                              batch->prepared[i], m_problems);
            stage();
        }
        m_ahead->recycle(std::move(batch));
        giveAhead();
        if (clock.elapsed() >= m_sliceMs) {
            postTake(); // the rest after a repaint
            break;
        }
    }
    if (m_next == first && m_next < m_records.size())
        return; // nothing was ready
    publishSlice(first);
}

void CheckJob::giveAhead()
{
    while (m_given < m_records.size() && m_ahead->waiting() < m_aheadBatches) {
        std::unique_ptr<check::AheadChecker::Batch> batch = m_ahead->fresh();
        const std::size_t end = std::min(m_records.size(), m_given + kBatchRows);
        for (; m_given < end; ++m_given) {
            batch->records.push_back(m_records.record(m_given));
            batch->encodings.push_back(m_records.row(m_given).encoding);
        }
        m_ahead->give(std::move(batch));
    }
}

void CheckJob::dropAhead()
{
    if (!m_ahead)
        return;
    m_ahead->discard();
    m_given = m_next;
    postTake();
}

void CheckJob::stage()
{
    m_marks.push_back(hasErrors(m_problems));
    m_results.stage(m_next, m_problems);
    ++m_next;
}

void CheckJob::publishSlice(std::size_t first)
{
    m_results.publish();
    m_records.setErrorMarks(first, m_marks);
    if (m_next < m_records.size()) {
        emit progress(qint64(m_next), qint64(m_records.size()));
        return;
    }
    cancel();
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
    // Rows given to the workers and changed since are prepared again.
    if (std::any_of(rows.begin(), rows.end(),
                    [this](std::size_t r) { return r >= m_next && r < m_given; }))
        dropAhead();
}

void CheckJob::recheck(std::size_t row)
{
    if (row >= m_next)
        return; // not checked yet: the run checks it when it gets there
    const RecordRow& r = m_records.row(row);
    m_problems.clear();
    m_checker->recheck(m_records.record(row), r.encoding, r.number, m_problems);
    // The mark first: the results' change makes the window count the marked rows.
    m_records.setErrorMarks(row, {hasErrors(m_problems)});
    m_results.replace(row, m_problems);
}

} // namespace bibliora
