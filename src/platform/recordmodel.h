#pragma once

#include "recordrow.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

namespace bibliora {

// The rows of the record grid over a plain vector. Model row r is grid row r + 1: grid row 0
// is the heading, shown by the horizontal header. data() is constant time and reads nothing
// but the vector.
class RecordModel final : public QAbstractTableModel
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

    const std::vector<RecordRow>& rows() const { return m_rows; }
    RecordRow& row(std::size_t r) { return m_rows[r]; }

    void setHeadings(const QStringList& texts, const std::vector<Qt::Alignment>& alignments);
    QString heading(int column) const { return m_headings.value(column); }

    void appendRows(std::vector<RecordRow>&& rows);
    void reserve(std::size_t rows) { m_rows.reserve(rows); }
    void resizeRows(std::size_t count);
    void removeRows(std::size_t first, std::size_t count);
    void clearTexts();
    void rowChanged(std::size_t r);
    // A save marks its row modified (blue) and not exported; an export of all rows, or of
    // the modified ones, counts as exporting them.
    void markSaved(std::size_t r);
    void markExported(bool onlyModified);
    std::int64_t unexportedCount() const;

private:
    std::vector<RecordRow> m_rows;
    QStringList m_headings;
    std::vector<Qt::Alignment> m_alignments;
};

} // namespace bibliora
