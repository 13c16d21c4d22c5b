#pragma once

#include "builder.h"
#include "listchange.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <vector>

namespace bibliora {

namespace edit {
class RecordChange;
}
class RecordModel;

// Makes one change (a replacement, an added or deleted field, indicators) in every record
// of the list, or in the rows given, in short slices run from the event loop as a load is:
// the window repaints and answers while a million records change. Nothing in the list changes
// until every row has been seen; then the records the change touched make one ListChange,
// which the caller applies as one step. A change of the list meanwhile (there is none while
// the window waits for the job) would make the rows stale: the job is cancelled with it.
class EditJob final : public QObject
{
    Q_OBJECT
public:
    explicit EditJob(const RecordModel& records, QObject* parent = nullptr);
    ~EditJob() override;

    // `rows`: 0-based rows, ascending; empty for every row. `name` names the step for undo;
    // `shownRow` is the form's NowRow, which the step keeps.
    void start(std::shared_ptr<const edit::RecordChange> change, const QString& name,
               std::vector<std::size_t> rows, const BuildTime& now, int shownRow);
    void cancel();
    // Runs the rest at once, finished included: for a change of one record.
    void runToEnd();
    bool isRunning() const { return m_timer.isActive(); }
    void setSliceMs(int ms) { m_sliceMs = ms; }

    // After finished: the records changed, to apply; empty when none was.
    ListChange takeResult();
    // After finished: the rows (1-based, as the grid numbers them) whose records the change
    // applied to but could not write, with why.
    const std::vector<std::pair<int, QString>>& failures() const { return m_failures; }

signals:
    void progress(qint64 done, qint64 total);
    // Changes made (subfields replaced, fields added or deleted, indicators set) and the
    // records they are in.
    void finished(qint64 changes, qint64 records);

private:
    void runSlice();

    const RecordModel& m_records;
    std::shared_ptr<const edit::RecordChange> m_change;
    std::optional<ListChange> m_result;
    std::vector<std::size_t> m_rows;
    std::vector<std::pair<int, QString>> m_failures;
    BuildTime m_now;
    std::size_t m_next = 0;
    std::size_t m_total = 0;
    qint64 m_changes = 0;
    qint64 m_changed = 0;
    QTimer m_timer;
    int m_sliceMs = 40;
};

} // namespace bibliora
