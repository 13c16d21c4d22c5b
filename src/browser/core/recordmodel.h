#pragma once

#include "listchange.h"
#include "listtexts.h"
#include "recordhistory.h"
#include "recordrow.h"
#include "recordstore.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bibliora {

// The records of the grid: rows 0 .. size() - 1 over a plain vector, the bytes in one store.
// data() is constant time in the number of rows and reads nothing but memory. Rows change
// only through the operations below, each of which tells the views once. Colours belong to
// the widgets: a view's model adds the foreground of modified rows.
class RecordModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        Sequence = 0,
        Title = 1,
        StandardNumber = 2,
        Marc = 3,
        ColumnCount = 4
    };

    explicit RecordModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    std::size_t size() const { return m_shown; }
    const RecordRow& row(std::size_t r) const { return m_rows[r]; }
    std::string_view record(std::size_t r) const;
    QString title(std::size_t r) const;
    QString standardNumber(std::size_t r) const;
    // Exact comparison without building a string per row: find runs over every row.
    bool titleEquals(std::size_t r, QStringView text) const;
    bool standardNumberEquals(std::size_t r, QStringView text) const;

    void setHeadings(const QStringList& texts, const std::vector<Qt::Alignment>& alignments);
    QString heading(int column) const { return m_headings.value(column); }

    // Loading: stage() adds a row that views do not see yet, publish() shows every staged row
    // at once, so a batch of thousands of records is one insertion. The encoding is the one
    // the file's reading decided for the record; the row keeps it for good.
    void stage(std::string_view record, std::int32_t sequence, Encoding encoding);
    // The same for rows made on another thread: their records lie in `records` and their
    // texts in `texts`, each slot numbered as if its block were block 0; both blocks are taken
    // over whole. The rows in `renew` (indexes into `rows`) get their texts made again here,
    // in the encoding the row now says.
    void stageBlocks(ByteBlock records, std::size_t recordBytes, ByteBlock texts,
                     std::size_t textBytes, std::vector<RecordRow>& rows,
                     const std::vector<std::size_t>& renew);
    void publish();
    void reserve(std::size_t rows);
    void clear();

    // Every change of records after the load: the replaced rows show their new records,
    // numbered as the change says and marked modified (blue) and not exported; the removed
    // rows go. The change becomes one step of the history, which drops the steps undone
    // before it. Rows named twice, or past the end, are a caller's fault and ignored.
    void apply(ListChange&& change);
    // Takes the last applied step back, or applies the last undone one again: the exact rows
    // (bytes, number, marks) and their order. Returns the shown row the step noted (its
    // NowRow before the change for undo, after it for redo), or nothing when there was no
    // step. A row exported after the step took it out of the list counts as changed again.
    std::optional<int> undo();
    std::optional<int> redo();
    const RecordHistory& history() const { return m_history; }
    // An export of all rows, or of the modified ones, counts as exporting them.
    void markExported(bool onlyModified);
    std::int64_t unexportedCount() const;

    // What a check found: rows first .. first + marks.size() - 1 get the marks given.
    void setErrorMarks(std::size_t first, const std::vector<bool>& marks);
    void clearErrorMarks();

signals:
    // Rows (0-based, ascending) whose records a change, undo or redo replaced.
    void recordsReplaced(const std::vector<std::size_t>& rows);
    // Rows about to go, ascending, numbered as before the removal.
    void recordsAboutToBeRemoved(const std::vector<std::size_t>& rows);
    // Rows that came back, ascending, numbered as after the insertion.
    void recordsInserted(const std::vector<std::size_t>& rows);
    // Every row went (a new load).
    void cleared();
    void historyChanged();

private:
    RecordRow makeRow(std::string_view record, std::int32_t sequence, Encoding encoding);
    // The row texts of a record already in the store.
    void renewTexts(RecordRow& row);
    // Puts each (row, version) of `rows` in the list, leaving the version it replaces in its
    // place, with the marks an undo or redo gives it.
    void swapRows(std::vector<std::pair<std::size_t, RecordRow>>& rows, std::uint64_t exports);
    void removeSorted(const std::vector<std::size_t>& rows,
                      std::vector<std::pair<std::size_t, RecordRow>>* removed);
    void insertSorted(const std::vector<std::pair<std::size_t, RecordRow>>& rows);
    void emitReplaced(const std::vector<std::size_t>& rows);
    // Where a row's title and standard number are.
    ListTexts texts(std::size_t r) const;

    RecordStore m_records;
    RecordStore m_texts;
    std::vector<RecordRow> m_rows;
    std::size_t m_shown = 0;
    RecordHistory m_history;
    std::uint64_t m_loadedBytes = 0; // what the load brought: the history's budget
    std::uint64_t m_exports = 0;     // exports so far, for the history's marks
    std::string m_textBuffer;
    QStringList m_headings;
    std::vector<Qt::Alignment> m_alignments;
};

} // namespace bibliora
