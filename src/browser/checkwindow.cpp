#include "checkwindow.h"

#include "checkjob.h"
#include "checkresults.h"
#include "fonts.h"
#include "recordmodel.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

namespace bibliora {

CheckWindow::CheckWindow(RecordModel& records, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window), m_records(records),
      m_results(new CheckResults(records, this)), m_job(new CheckJob(records, *m_results, this)),
      m_sorted(new QSortFilterProxyModel(this)), m_summary(new QLabel(this)),
      m_table(new QTableView(this))
{
    setObjectName(QStringLiteral("CheckWindow"));
    setWindowTitle(QStringLiteral("检查结果"));
    setFont(songFont(9));
    m_sorted->setSourceModel(m_results);
    m_table->setObjectName(QStringLiteral("Results"));
    m_table->setModel(m_sorted);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(-1, Qt::AscendingOrder); // the checker's order until a heading is clicked
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->setTabKeyNavigation(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setStretchLastSection(true);
    const int em = m_table->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (const auto& [column, chars] : {std::pair{CheckResults::Sequence, 9},
                                        {CheckResults::Tag, 6},
                                        {CheckResults::Code, 7},
                                        {CheckResults::Level, 6},
                                        {CheckResults::RuleColumn, 10}})
        m_table->setColumnWidth(column, chars * em);
    m_summary->setObjectName(QStringLiteral("Summary"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_table, 1);

    connect(m_table, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
        const int row = m_sorted->mapToSource(index).row();
        if (row >= 0 && row < m_results->rowCount())
            emit recordActivated(int(m_results->recordRowAt(row)) + 1);
    });
    connect(m_job, &CheckJob::progress, this, [this](qint64 checked, qint64 total) {
        m_summary->setText(
            QStringLiteral("正在检查第 %1 条记录，共 %2 条……").arg(checked).arg(total));
    });
    connect(m_job, &CheckJob::finished, this, [this] {
        m_done = true;
        showSummary();
    });
    // Saves and deletions change the counts of a finished check.
    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_results, signal, this, &CheckWindow::showSummary);
    connect(m_results, &QAbstractItemModel::modelReset, this, [this] {
        m_done = false;
        showSummary();
    });

    auto* again = new QAction(this);
    again->setShortcut(QKeySequence(Qt::Key_F7));
    connect(again, &QAction::triggered, this, &CheckWindow::checkAll);
    addAction(again);
    showSummary();
}

void CheckWindow::checkAll()
{
    m_job->start();
    m_summary->setText(QStringLiteral("正在检查……"));
    if (!m_placed) {
        // First shown over the lower part of the main window, as wide as most of it, so that
        // the top of the record text stays in sight.
        const QRect main = parentWidget()->frameGeometry();
        resize(main.width() * 9 / 10, main.height() / 2);
        move(main.topLeft() + QPoint(main.width() / 20, main.height() * 9 / 20));
        m_placed = true;
    }
    show();
    raise();
    activateWindow();
}

void CheckWindow::showSummary()
{
    if (m_job->isRunning())
        return; // the run's progress says more
    if (!m_done) {
        m_summary->setText(QStringLiteral("尚未检查。按 F7 检查全部记录。"));
        return;
    }
    const auto records = qint64(m_records.size());
    if (m_results->rowCount() == 0) {
        m_summary->setText(QStringLiteral("已检查 %1 条记录，没有发现问题。").arg(records));
        return;
    }
    qint64 withErrors = 0;
    for (std::size_t r = 0; r < m_records.size(); ++r)
        withErrors += m_records.row(r).hasErrors;
    m_summary->setText(QStringLiteral("已检查 %1 条记录：%2 条有错误；错误 %3 处，警告 %4 处。")
                           .arg(records)
                           .arg(withErrors)
                           .arg(m_results->errors())
                           .arg(m_results->warnings()));
}

void CheckWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace bibliora
