#include "loadjob.h"

#include "opensource.h"
#include "ordinaryfile.h"
#include "recordmodel.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <limits>

namespace bibliora {

LoadJob::LoadJob(RecordModel& model, QObject* parent) : QObject(parent), m_model(model)
{
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &LoadJob::runSlice);
}

LoadJob::~LoadJob() = default;

bool LoadJob::start(const QString& path)
{
    cancel();
    m_problem.clear();
    m_skipped = 0;
    std::unique_ptr<formats::RecordSource> reader =
        formats::openRecordSource(toFilesystemPath(path));
    if (!reader)
        return false;
    m_reader = std::move(reader);
    m_model.clear();
    m_count = 0;
    m_reserved = false;
    m_fileBytes = static_cast<double>(QFileInfo(path).size());
    m_timer.start();
    return true;
}

void LoadJob::cancel()
{
    m_timer.stop();
    m_reader.reset();
    m_model.publish();
}

void LoadJob::reserveRows()
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
        std::max(1.0, static_cast<double>(m_reader->position()) / static_cast<double>(m_count));
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
        reserveRows();
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

} // namespace bibliora
