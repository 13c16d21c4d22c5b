#pragma once

#include "recordmodel.h"

#include <QTableView>
#include <functional>
#include <optional>
#include <string_view>

namespace bibliora {

inline constexpr std::uint32_t kModifiedColour = 0xFF0000; // pure blue in 0x00BBGGRR

// The record grid: row 0 is the heading row, rows 1 .. rowCount() - 1 hold one record each;
// columns 0 to 3 are the sequence number, title, ISBN/ISSN and the record itself. Sizes are
// in twips. The user's row changes (click, keyboard) are reported through onRowSelected;
// changes made through these operations are not reported. Rows of the model are 0-based:
// grid row r is model row r - 1.
class GridControl final : public QTableView
{
    Q_OBJECT
public:
    explicit GridControl(QWidget* parent = nullptr);

    RecordModel& model() const { return *m_model; }

    int rowCount() const;
    int currentRow() const;
    int selectionEndRow() const;

    QString cellText(int row, int column) const; // column 3 decodes the record
    std::string_view recordAt(int row) const;    // empty for row 0 and rows past the end
    Encoding encodingAt(int row) const;          // the encoding the row's record was read in

    // Heading texts of row 0; a column's cells are aligned as its heading.
    void setHeadings(const QStringList& texts, const std::vector<Qt::Alignment>& alignments);
    void setColumnWidthTwips(int column, int twips);
    double widthTwips() const;
    void selectRange(int row1, int column1, int row2, int column2);
    // Selects exactly `rows` (ascending), which need not be next to each other; the first is
    // made current.
    void selectRows(const std::vector<int>& rows);
    // The selected rows, ascending, when they are not one run (as 全部选中 leaves them); empty
    // when the selection is one run or nothing.
    std::vector<int> scatteredSelection() const;
    // The rows a command on the selection acts on, ascending: those 全部选中 left selected, or
    // else the run from the current row to the selection's other end; empty when no record
    // row is selected.
    std::vector<int> selectedRows() const;
    void scrollIntoView(int row, int column);
    std::uint32_t cellTextColour(int row, int column) const;
    // Changes of the records and their undo, told to the views but, like the operations above,
    // not reported as the user's choice of a row.
    void apply(ListChange&& change);
    std::optional<int> undo();
    std::optional<int> redo();

    std::function<void()> onRowSelected;
    // The context menu: at the mouse cursor after a right click (no position), under the
    // current row for the menu key and Shift+F10.
    std::function<void(std::optional<QPoint> globalPos)> onMenuRequested;
    // While false (during a load) neither the mouse nor the keyboard opens the menu.
    bool menuEnabled = true;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void notifyRowSelected();
    bool isRecordRow(int row) const { return row >= 1 && row < rowCount(); }

    RecordModel* m_model;
    bool m_silent = false;
    bool m_leftPressed = false;
    int m_rowAtPress = 0;
};

} // namespace bibliora
