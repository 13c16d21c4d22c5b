#pragma once

#include "problem.h"

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

namespace bibliora {

class RecordModel;

// What a check of the record list found: one row per problem, in the order of the records
// and, within a record, as the checker lists them. It follows the record list: the problems
// of removed records go, and those of later records move up with them. Columns: 序号 (as the
// grid shows it), 字段, 子字段, 级别, 规则, 说明.
class CheckResults final : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        Sequence,
        Tag,
        Code,
        Level,
        RuleColumn,
        Message,
        ColumnCount
    };

    explicit CheckResults(const RecordModel& records, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // DisplayRole is what the table shows; the sequence column is a number, so it sorts as
    // one.
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The problems of record row `row` (0-based), which comes after every row already here:
    // staged, and shown to views with the others staged by publish(), in one insertion.
    void stage(std::size_t row, std::vector<check::Problem>& problems);
    void publish();
    // The problems of a record checked again replace the ones it had.
    void replace(std::size_t row, std::vector<check::Problem>& problems);
    void clear();

    std::size_t recordRowAt(int resultRow) const { return m_entries[std::size_t(resultRow)].row; }
    std::int64_t errors() const { return m_errors; }
    std::int64_t warnings() const { return m_warnings; }

private:
    struct Entry
    {
        std::size_t row;
        check::Problem problem;
    };

    // Rows of the record list (ascending) about to go, and rows that came back.
    void removeRecordRows(const std::vector<std::size_t>& rows);
    void insertRecordRows(const std::vector<std::size_t>& rows);
    void erase(std::size_t lo, std::size_t hi); // entries [lo, hi), all shown
    // The entries of records [first, last]: a range, the entries being in record order.
    std::pair<std::size_t, std::size_t> entriesOf(std::size_t first, std::size_t last) const;
    void count(const check::Problem& problem, int sign);

    const RecordModel& m_records;
    std::vector<Entry> m_entries;
    std::size_t m_shown = 0;
    std::int64_t m_errors = 0;
    std::int64_t m_warnings = 0;
};

} // namespace bibliora
