#include "gridcontrol.h"

#include "fieldtext.h"
#include "gbk.h"
#include "twips.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopedValueRollback>

namespace bibliora {

namespace {
const MarcRecord kNoRecord;
}

GridControl::GridControl(QWidget* parent) : QTableView(parent), m_model(new RecordModel(this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    // Fixed row heights keep a million rows cheap: the view never measures a row.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex&, const QModelIndex&) { notifyRowSelected(); });
}

int GridControl::rowCount() const
{
    return static_cast<int>(m_model->rows().size()) + 1;
}

void GridControl::setRowCount(int rows)
{
    m_model->resizeRows(static_cast<std::size_t>(std::max(rows, 1) - 1));
}

int GridControl::currentRow() const
{
    const QModelIndex current = selectionModel()->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

int GridControl::selectionEndRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    const int current = currentRow();
    if (rows.isEmpty())
        return current;
    int lo = rows.first().row();
    int hi = lo;
    for (const QModelIndex& i : rows) {
        lo = std::min(lo, i.row());
        hi = std::max(hi, i.row());
    }
    ++lo;
    ++hi;
    return current == lo ? hi : lo;
}

QString GridControl::cellText(int row, int column) const
{
    if (row == 0)
        return m_model->heading(column);
    if (!isRecordRow(row))
        return {};
    const RecordRow& r = m_model->rows()[static_cast<std::size_t>(row - 1)];
    switch (column) {
    case RecordModel::Sequence:
        return r.sequence > 0 ? QString::number(r.sequence) : QString();
    case RecordModel::Title:
        return r.title;
    case RecordModel::StandardNumber:
        return r.standardNumber;
    case RecordModel::Marc: {
        const std::u16string text = FieldText::value(detectEncoding(r.record), r.record);
        return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
    }
    default:
        return {};
    }
}

const MarcRecord& GridControl::recordAt(int row) const
{
    return isRecordRow(row) ? m_model->rows()[static_cast<std::size_t>(row - 1)].record : kNoRecord;
}

void GridControl::setRow(int row, std::int64_t sequence, const QString& title,
                         const QString& standardNumber, MarcRecord record)
{
    if (!isRecordRow(row))
        return;
    RecordRow& r = m_model->row(static_cast<std::size_t>(row - 1));
    r.sequence = sequence;
    r.title = title;
    r.standardNumber = standardNumber;
    r.record = std::move(record);
    m_model->rowChanged(static_cast<std::size_t>(row - 1));
}

void GridControl::clear()
{
    m_model->clearTexts();
}

void GridControl::setHeadings(const QStringList& texts,
                              const std::vector<Qt::Alignment>& alignments)
{
    m_model->setHeadings(texts, alignments);
}

void GridControl::setColumnWidthTwips(int column, int twips)
{
    if (twips <= 0) {
        setColumnHidden(column, true);
        return;
    }
    setColumnHidden(column, false);
    setColumnWidth(column, twipsToPixels(twips, logicalDpi(this)));
}

double GridControl::widthTwips() const
{
    return pixelsToTwips(width(), logicalDpi(this));
}

void GridControl::selectRange(int row1, int column1, int row2, int column2)
{
    if (!isRecordRow(row1) || !isRecordRow(row2))
        return;
    QScopedValueRollback<bool> silent(m_silent, true);
    const QModelIndex current = m_model->index(row1 - 1, std::clamp(column1, 0, 3));
    selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    const QItemSelection range(
        m_model->index(std::min(row1, row2) - 1, std::clamp(std::min(column1, column2), 0, 3)),
        m_model->index(std::max(row1, row2) - 1, std::clamp(std::max(column1, column2), 0, 3)));
    selectionModel()->select(range,
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void GridControl::scrollIntoView(int row, int column)
{
    if (!isRecordRow(row))
        return;
    scrollTo(m_model->index(row - 1, std::clamp(column, 0, 2)));
}

std::uint32_t GridControl::cellTextColour(int row, int column) const
{
    if (!isRecordRow(row) || column < 0 || column > 2)
        return 0;
    return m_model->rows()[static_cast<std::size_t>(row - 1)].modified ? kModifiedColour : 0;
}

void GridControl::removeRows(int firstRow, int count)
{
    if (!isRecordRow(firstRow) || count <= 0)
        return;
    QScopedValueRollback<bool> silent(m_silent, true);
    m_model->removeRows(static_cast<std::size_t>(firstRow - 1), static_cast<std::size_t>(count));
}

void GridControl::notifyRowSelected()
{
    if (!m_silent && onRowSelected)
        onRowSelected();
}

void GridControl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        // The right button opens the context menu and leaves the selection alone: delete acts
        // on the rows the user selected.
        event->accept();
        if (onMouseDown)
            onMouseDown(2, int(event->modifiers() >> 25), event->position().toPoint());
        return;
    }
    m_leftPressed = event->button() == Qt::LeftButton;
    m_rowAtPress = currentRow();
    QTableView::mousePressEvent(event);
}

void GridControl::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && m_leftPressed) {
        m_leftPressed = false;
        if (onMouseDown)
            onMouseDown(1, int(event->modifiers() >> 25), event->position().toPoint());
        // A click on the row already current shows its stored record again; a click that
        // moved the current row has been reported already.
        if (indexAt(event->position().toPoint()).isValid() && currentRow() == m_rowAtPress)
            notifyRowSelected();
    }
}

void GridControl::keyPressEvent(QKeyEvent* event)
{
    // The menu key and Shift+F10 open the context menu under the current row. The
    // platform's own keyboard context-menu event is ignored below, so the menu opens once.
    const bool menuKey = event->key() == Qt::Key_Menu && event->modifiers() == Qt::NoModifier;
    const bool shiftF10 = event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier;
    if (!menuKey && !shiftF10) {
        QTableView::keyPressEvent(event);
        return;
    }
    event->accept();
    QRect row = visualRect(selectionModel()->currentIndex());
    if (!row.isValid())
        row = QRect(viewport()->rect().topLeft(), QSize(0, 0));
    if (onMenuKey)
        onMenuKey(viewport()->mapToGlobal(row.bottomLeft()));
}

void GridControl::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept(); // the right-button press or the menu key has already shown the menu
}

} // namespace bibliora
