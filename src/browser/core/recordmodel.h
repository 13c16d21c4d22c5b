#pragma once

#include "recordrow.h"
#include "recordstore.h"

#include <QAbstractTableModel>
#include <QStringList>
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
    void publish();
    void reserve(std::size_t rows);
    void clear();

    // A save: the row shows the new record, written in the row's encoding, and is marked
    // modified (blue) and not exported; recordReplaced follows.
    void replaceRecord(std::size_t r, std::string_view record, std::int32_t sequence);
    void removeRows(std::size_t first, std::size_t count);
    // An export of all rows, or of the modified ones, counts as exporting them.
    void markExported(bool onlyModified);
    std::int64_t unexportedCount() const;

    // What a check found: rows first .. first + marks.size() - 1 get the marks given.
    void setErrorMarks(std::size_t first, const std::vector<bool>& marks);
    void clearErrorMarks();

signals:
    void recordReplaced(std::size_t row);

private:
    RecordRow makeRow(std::string_view record, std::int32_t sequence, Encoding encoding);
    // The UTF-16 bytes of a row's title and of its standard number.
    std::string_view titleBytes(std::size_t r) const;
    std::string_view numberBytes(std::size_t r) const;

    RecordStore m_records;
    RecordStore m_texts;
    std::vector<RecordRow> m_rows;
    std::size_t m_shown = 0;
    std::u16string m_textBuffer;
    QStringList m_headings;
    std::vector<Qt::Alignment> m_alignments;
};

} // namespace bibliora
