#include "editjob.h"

#include "listchange.h"
#include "recordmodel.h"

#include "edit.h"
#include "reader.h"

#include <QElapsedTimer>

namespace bibliora {

EditJob::EditJob(const RecordModel& records, QObject* parent) : QObject(parent), m_records(records)
{
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &EditJob::runSlice);
    connect(&records, &RecordModel::cleared, this, &EditJob::cancel);
    connect(&records, &RecordModel::recordsAboutToBeRemoved, this, &EditJob::cancel);
    connect(&records, &RecordModel::recordsInserted, this, &EditJob::cancel);
}

EditJob::~EditJob() = default;

void EditJob::start(std::shared_ptr<const edit::RecordChange> change, const QString& name,
                    std::vector<std::size_t> rows, const BuildTime& now, int shownRow)
{
    m_change = std::move(change);
    m_result.emplace(name);
    m_result->setShownRows(shownRow, shownRow);
    m_rows = std::move(rows);
    m_total = m_rows.empty() ? m_records.size() : m_rows.size();
    m_result->reserve(m_total);
    m_failures.clear();
    m_now = now;
    m_next = 0;
    m_changes = 0;
    m_changed = 0;
    m_timer.start();
}

void EditJob::cancel()
{
    m_timer.stop();
    m_result.reset();
}

void EditJob::runToEnd()
{
    while (m_timer.isActive())
        runSlice();
}

ListChange EditJob::takeResult()
{
    ListChange result = m_result ? std::move(*m_result) : ListChange(QString());
    m_result.reset();
    return result;
}

void EditJob::runSlice()
{
    QElapsedTimer clock;
    clock.start();
    // The clock is read every few records: a record takes a few microseconds at most.
    for (unsigned n = 1; m_next < m_total; ++n) {
        const std::size_t row = m_rows.empty() ? m_next : m_rows[m_next];
        ++m_next;
        if (row >= m_records.size())
            continue;
        const edit::EditOutcome outcome =
            m_change->apply(m_records.record(row), m_records.row(row).encoding, m_now);
        if (outcome.changed()) {
            // The row's texts read here, slice by slice, rather than all at once when the
            // change is applied; most changes leave them as they were.
            const Encoding encoding = m_records.row(row).encoding;
            const std::u16string title = titleOf(outcome.record, encoding);
            const std::u16string number = standardNumberOf(outcome.record, encoding);
            if (m_records.titleEquals(row, QStringView(title.data(), qsizetype(title.size()))) &&
                m_records.standardNumberEquals(
                    row, QStringView(number.data(), qsizetype(number.size()))))
                m_result->replaceKeepingTexts(row, outcome.record);
            else
                m_result->replaceWithTexts(row, outcome.record, title, number);
            m_changes += qint64(outcome.changes);
            ++m_changed;
        } else if (outcome.error != edit::EditError::None) {
            m_failures.emplace_back(
                int(row) + 1, QString::fromStdU16String(edit::editErrorMessage(outcome.error)));
        }
        if (n % 64 == 0 && clock.elapsed() >= m_sliceMs)
            break;
    }
    if (m_next < m_total) {
        emit progress(qint64(m_next), qint64(m_total));
        return;
    }
    m_timer.stop();
    emit finished(m_changes, m_changed);
}

} // namespace bibliora
