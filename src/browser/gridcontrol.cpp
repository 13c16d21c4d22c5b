#include "gridcontrol.h"

#include "fieldtext.h"
#include "recordtext.h"
#include "twips.h"

#include <QColor>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScopedValueRollback>
#include <algorithm>

namespace bibliora {
namespace {

// The mark of a record in which the last check found an error: a red disc with a white "!",
// drawn once.
QIcon errorMark()
{
    static const QIcon icon = [] {
        QPixmap pixmap(32, 32);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xD0, 0x30, 0x30));
        p.drawEllipse(QRectF(2, 2, 28, 28));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(13.5, 7, 5, 12), 2, 2);
        p.drawEllipse(QRectF(13.5, 21, 5, 5));
        return QIcon(pixmap);
    }();
    return icon;
}

// The records with the blue of modified rows and the mark of rows with errors.
class GridModel final : public RecordModel
{
public:
    using RecordModel::RecordModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::DecorationRole) {
            if (index.isValid() && index.column() == Sequence &&
                row(static_cast<std::size_t>(index.row())).hasErrors)
                return errorMark();
            return {};
        }
        if (role != Qt::ForegroundRole)
            return RecordModel::data(index, role);
        if (!index.isValid() || index.column() >= Marc ||
            !row(static_cast<std::size_t>(index.row())).modified)
            return {};
        return QColor(int(kModifiedColour & 0xFF), int((kModifiedColour >> 8) & 0xFF),
                      int((kModifiedColour >> 16) & 0xFF));
    }
};

} // namespace

GridControl::GridControl(QWidget* parent) : QTableView(parent), m_model(new GridModel(this))
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
    return static_cast<int>(m_model->size()) + 1;
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
    const auto r = static_cast<std::size_t>(row - 1);
    if (column == RecordModel::Marc)
        return toQString(FieldText::value(m_model->row(r).encoding, m_model->record(r)));
    return m_model->data(m_model->index(row - 1, column), Qt::DisplayRole).toString();
}

std::string_view GridControl::recordAt(int row) const
{
    return isRecordRow(row) ? m_model->record(static_cast<std::size_t>(row - 1))
                            : std::string_view();
}

Encoding GridControl::encodingAt(int row) const
{
    return isRecordRow(row) ? m_model->row(static_cast<std::size_t>(row - 1)).encoding
                            : Encoding::Gbk;
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

void GridControl::selectRows(const std::vector<int>& rows)
{
    QScopedValueRollback<bool> silent(m_silent, true);
    QItemSelection selection;
    for (std::size_t begin = 0; begin < rows.size();) {
        std::size_t end = begin + 1;
        while (end < rows.size() && rows[end] == rows[end - 1] + 1)
            ++end;
        if (isRecordRow(rows[begin]) && isRecordRow(rows[end - 1]))
            selection.select(m_model->index(rows[begin] - 1, 0),
                             m_model->index(rows[end - 1] - 1, RecordModel::Marc));
        begin = end;
    }
    if (!rows.empty() && isRecordRow(rows.front()))
        selectionModel()->setCurrentIndex(m_model->index(rows.front() - 1, 0),
                                          QItemSelectionModel::NoUpdate);
    selectionModel()->select(selection,
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

std::vector<int> GridControl::scatteredSelection() const
{
    std::vector<int> rows;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        for (int r = range.top(); r <= range.bottom(); ++r)
            rows.push_back(r + 1);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty() || rows.back() - rows.front() + 1 == static_cast<int>(rows.size()))
        return {};
    return rows;
}

std::vector<int> GridControl::selectedRows() const
{
    std::vector<int> rows = scatteredSelection();
    if (!rows.empty())
        return rows;
    const int current = currentRow();
    const int end = selectionEndRow();
    for (int row = std::max(1, std::min(current, end)); row <= std::max(current, end); ++row)
        rows.push_back(row);
    return rows;
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
    return m_model->row(static_cast<std::size_t>(row - 1)).modified ? kModifiedColour : 0;
}

void GridControl::apply(ListChange&& change)
{
    QScopedValueRollback<bool> silent(m_silent, true);
    m_model->apply(std::move(change));
}

std::optional<int> GridControl::undo()
{
    QScopedValueRollback<bool> silent(m_silent, true);
    return m_model->undo();
}

std::optional<int> GridControl::redo()
{
    QScopedValueRollback<bool> silent(m_silent, true);
    return m_model->redo();
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
        if (onMenuRequested && menuEnabled)
            onMenuRequested(std::nullopt);
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
    if ((!menuKey && !shiftF10) || !menuEnabled) {
        QTableView::keyPressEvent(event);
        return;
    }
    event->accept();
    QRect row = visualRect(selectionModel()->currentIndex());
    if (!row.isValid())
        row = QRect(viewport()->rect().topLeft(), QSize(0, 0));
    if (onMenuRequested)
        onMenuRequested(viewport()->mapToGlobal(row.bottomLeft()));
}

void GridControl::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept(); // the right-button press or the menu key has already shown the menu
}

} // namespace bibliora
