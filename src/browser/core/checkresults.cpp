#include "checkresults.h"

#include "recordmodel.h"

#include <algorithm>
#include <iterator>

namespace bibliora {

CheckResults::CheckResults(const RecordModel& records, QObject* parent)
    : QAbstractTableModel(parent), m_records(records)
{
    connect(&records, &RecordModel::recordsAboutToBeRemoved, this, &CheckResults::removeRecordRows);
    connect(&records, &RecordModel::recordsInserted, this, &CheckResults::insertRecordRows);
    connect(&records, &RecordModel::cleared, this, &CheckResults::clear);
}

int CheckResults::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_shown);
}

int CheckResults::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CheckResults::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || std::size_t(index.row()) >= m_shown)
        return {};
    const Entry& e = m_entries[std::size_t(index.row())];
    if (role == Qt::TextAlignmentRole)
        return index.column() == Message ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                         : QVariant(Qt::AlignCenter);
    if (role == Qt::ToolTipRole && index.column() == Message)
        return QString::fromStdString(e.problem.message); // when the column cuts it
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Sequence:
        return e.row < m_records.size() ? m_records.row(e.row).sequence : 0;
    case Tag:
        return QString::fromStdString(e.problem.tag);
    case Code:
        return e.problem.code.empty() ? QStringLiteral("-")
                                      : QString::fromStdString(e.problem.code);
    case Level:
        return QString::fromUtf8(check::severityLabel(e.problem.severity));
    case RuleColumn:
        return QString::fromUtf8(check::ruleLabel(e.problem.rule));
    case Message:
        return QString::fromStdString(e.problem.message);
    default:
        return {};
    }
}

QVariant CheckResults::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kHeadings[] = {"序号", "字段", "子字段", "级别", "规则", "说明"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf8(kHeadings[section])
                                                 : QVariant();
}

void CheckResults::count(const check::Problem& problem, int sign)
{
    (problem.severity == check::Severity::Error ? m_errors : m_warnings) += sign;
}

void CheckResults::stage(std::size_t row, std::vector<check::Problem>& problems)
{
    for (check::Problem& p : problems) {
        count(p, 1);
        m_entries.push_back({row, std::move(p)});
    }
}

void CheckResults::publish()
{
    if (m_shown == m_entries.size())
        return;
    beginInsertRows({}, int(m_shown), int(m_entries.size()) - 1);
    m_shown = m_entries.size();
    endInsertRows();
}

std::pair<std::size_t, std::size_t> CheckResults::entriesOf(std::size_t first,
                                                            std::size_t last) const
{
    const auto lo = std::lower_bound(m_entries.begin(), m_entries.end(), first,
                                     [](const Entry& e, std::size_t r) { return e.row < r; });
    const auto hi = std::upper_bound(lo, m_entries.end(), last,
                                     [](std::size_t r, const Entry& e) { return r < e.row; });
    return {std::size_t(lo - m_entries.begin()), std::size_t(hi - m_entries.begin())};
}

void CheckResults::replace(std::size_t row, std::vector<check::Problem>& problems)
{
    publish();
    const auto [lo, hi] = entriesOf(row, row);
    erase(lo, hi);
    if (problems.empty())
        return;
    beginInsertRows({}, int(lo), int(lo + problems.size()) - 1);
    std::vector<Entry> added;
    for (check::Problem& p : problems) {
        count(p, 1);
        added.push_back({row, std::move(p)});
    }
    m_entries.insert(m_entries.begin() + std::ptrdiff_t(lo), std::make_move_iterator(added.begin()),
                     std::make_move_iterator(added.end()));
    m_shown = m_entries.size();
    endInsertRows();
}

void CheckResults::erase(std::size_t lo, std::size_t hi)
{
    if (hi <= lo)
        return;
    beginRemoveRows({}, int(lo), int(hi) - 1);
    for (std::size_t i = lo; i < hi; ++i)
        count(m_entries[i].problem, -1);
    m_entries.erase(m_entries.begin() + std::ptrdiff_t(lo), m_entries.begin() + std::ptrdiff_t(hi));
    m_shown = m_entries.size();
    endRemoveRows();
}

void CheckResults::removeRecordRows(const std::vector<std::size_t>& rows)
{
    publish();
    if (rows.back() - rows.front() + 1 == rows.size()) {
        // One run: its problems go as one removal, the later ones move up.
        const auto [lo, hi] = entriesOf(rows.front(), rows.back());
        erase(lo, hi);
        for (std::size_t i = lo; i < m_entries.size(); ++i)
            m_entries[i].row -= rows.size();
        if (lo < m_entries.size())
            emit dataChanged(index(int(lo), Sequence), index(int(m_entries.size()) - 1, Sequence));
        return;
    }
    beginResetModel();
    std::size_t gone = 0; // rows removed before the entry's
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        Entry& e = m_entries[i];
        while (gone < rows.size() && rows[gone] < e.row)
            ++gone;
        if (gone < rows.size() && rows[gone] == e.row) {
            count(e.problem, -1);
            continue;
        }
        e.row -= gone;
        m_entries[kept++] = std::move(e);
    }
    m_entries.resize(kept);
    m_shown = kept;
    endResetModel();
}

void CheckResults::insertRecordRows(const std::vector<std::size_t>& rows)
{
    publish();
    std::size_t before = 0; // rows inserted before the entry's, in the new numbering
    for (Entry& e : m_entries) {
        while (before < rows.size() && rows[before] <= e.row + before)
            ++before;
        e.row += before;
    }
    if (!m_entries.empty())
        emit dataChanged(index(0, Sequence), index(int(m_entries.size()) - 1, Sequence));
}

void CheckResults::clear()
{
    beginResetModel();
    m_entries.clear();
    m_entries.shrink_to_fit();
    m_shown = 0;
    m_errors = 0;
    m_warnings = 0;
    endResetModel();
}

} // namespace bibliora
