#pragma once

#include <QWidget>

class QLabel;
class QSortFilterProxyModel;
class QTableView;

namespace bibliora {

class CheckJob;
class CheckResults;
class RecordModel;

// The modeless window "检查结果": what the last check of the record list found, one row per
// problem, sortable by any column, with the counts above. Enter or a double click on a
// problem shows its record in the main window; Escape closes the window, F7 checks again.
class CheckWindow final : public QWidget
{
    Q_OBJECT
public:
    CheckWindow(RecordModel& records, QWidget* mainWindow);

    // Checks every record from the first, and shows the window.
    void checkAll();
    CheckResults& results() const { return *m_results; }
    CheckJob& job() const { return *m_job; }

signals:
    void recordActivated(int gridRow); // 1-based, as the grid counts

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showSummary();

    const RecordModel& m_records;
    CheckResults* m_results;
    CheckJob* m_job;
    QSortFilterProxyModel* m_sorted;
    QLabel* m_summary;
    QTableView* m_table;
    bool m_done = false; // a run has ended and nothing has cleared what it found
    bool m_placed = false;
};

} // namespace bibliora
