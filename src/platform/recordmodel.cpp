#include "recordmodel.h"

#include "encoding.h"

#include <QColor>

namespace bibliora {

RecordModel::RecordModel(QObject* parent) : QAbstractTableModel(parent) {}

int RecordModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int RecordModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RecordModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= m_rows.size())
        return {};
    const RecordRow& r = m_rows[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case Sequence:
            return r.sequence > 0 ? QString::number(r.sequence) : QString();
        case Title:
            return r.title;
        case StandardNumber:
            return r.standardNumber;
        default:
            return {};
        }
    case Qt::ForegroundRole:
        if (column < Marc && r.modified)
            return QColor(int(kModifiedColour & 0xFF), int((kModifiedColour >> 8) & 0xFF),
                          int((kModifiedColour >> 16) & 0xFF));
        return {};
    case Qt::ToolTipRole:
        // Each record keeps its own encoding; the user sees which one here.
        return QString::fromLatin1(encodingName(detectEncoding(r.record)));
    case Qt::TextAlignmentRole:
        // A column's cells are aligned as its heading.
        return headerData(column, Qt::Horizontal, role);
    default:
        return {};
    }
}

QVariant RecordModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole)
        return m_headings.value(section);
    if (role == Qt::TextAlignmentRole && static_cast<std::size_t>(section) < m_alignments.size())
        return QVariant(m_alignments[static_cast<std::size_t>(section)]);
    return {};
}

void RecordModel::setHeadings(const QStringList& texts,
                              const std::vector<Qt::Alignment>& alignments)
{
    m_headings = texts;
    m_alignments = alignments;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void RecordModel::appendRows(std::vector<RecordRow>&& rows)
{
    if (rows.empty())
        return;
    const int first = static_cast<int>(m_rows.size());
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    if (m_rows.empty())
        m_rows = std::move(rows);
    else
        m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()),
                      std::make_move_iterator(rows.end()));
    endInsertRows();
}

void RecordModel::resizeRows(std::size_t count)
{
    if (count == m_rows.size())
        return;
    if (count < m_rows.size()) {
        removeRows(count, m_rows.size() - count);
        return;
    }
    beginInsertRows({}, static_cast<int>(m_rows.size()), static_cast<int>(count) - 1);
    m_rows.resize(count);
    endInsertRows();
}

void RecordModel::removeRows(std::size_t first, std::size_t count)
{
    if (count == 0 || first >= m_rows.size())
        return;
    count = std::min(count, m_rows.size() - first);
    beginRemoveRows({}, static_cast<int>(first), static_cast<int>(first + count) - 1);
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(first),
                 m_rows.begin() + static_cast<std::ptrdiff_t>(first + count));
    endRemoveRows();
}

void RecordModel::clearTexts()
{
    if (m_rows.empty())
        return;
    for (RecordRow& r : m_rows) {
        r.sequence = 0;
        r.title.clear();
        r.standardNumber.clear();
        r.record.clear();
    }
    emit dataChanged(index(0, 0), index(static_cast<int>(m_rows.size()) - 1, ColumnCount - 1));
}

void RecordModel::markSaved(std::size_t r)
{
    m_rows[r].modified = true;
    m_rows[r].unexported = true;
    rowChanged(r);
}

void RecordModel::markExported(bool onlyModified)
{
    for (RecordRow& r : m_rows)
        if (!onlyModified || r.modified)
            r.unexported = false;
}

std::int64_t RecordModel::unexportedCount() const
{
    std::int64_t n = 0;
    for (const RecordRow& r : m_rows)
        n += r.unexported ? 1 : 0;
    return n;
}

void RecordModel::rowChanged(std::size_t r)
{
    emit dataChanged(index(static_cast<int>(r), 0), index(static_cast<int>(r), ColumnCount - 1));
}

} // namespace bibliora
