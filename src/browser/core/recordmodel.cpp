#include "recordmodel.h"

#include "reader.h"

#include <cstring>

namespace bibliora {
namespace {

// Row texts sit in their store at any byte offset: they are copied out, never read in place
// as char16_t.
QString textAt(std::string_view bytes)
{
    QString s(static_cast<qsizetype>(bytes.size() / 2), Qt::Uninitialized);
    std::memcpy(s.data(), bytes.data(), bytes.size() & ~std::size_t(1));
    return s;
}

bool textEquals(std::string_view bytes, QStringView text)
{
    return bytes.size() == static_cast<std::size_t>(text.size()) * 2 &&
           std::memcmp(bytes.data(), text.utf16(), bytes.size()) == 0;
}

} // namespace

RecordModel::RecordModel(QObject* parent) : QAbstractTableModel(parent) {}

int RecordModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_shown);
}

int RecordModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RecordModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= m_shown)
        return {};
    const auto r = static_cast<std::size_t>(index.row());
    const RecordRow& row = m_rows[r];
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case Sequence:
            return row.sequence > 0 ? QString::number(row.sequence) : QString();
        case Title:
            return title(r);
        case StandardNumber:
            return standardNumber(r);
        default:
            return {};
        }
    case Qt::ToolTipRole:
        // Each record keeps its own encoding; the user sees which one here.
        return QString::fromLatin1(encodingName(row.encoding));
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

std::string_view RecordModel::record(std::size_t r) const
{
    return m_records.view(m_rows[r].record);
}

std::string_view RecordModel::titleBytes(std::size_t r) const
{
    return m_texts.view(m_rows[r].texts).substr(0, std::size_t(m_rows[r].titleUnits) * 2);
}

std::string_view RecordModel::numberBytes(std::size_t r) const
{
    return m_texts.view(m_rows[r].texts).substr(std::size_t(m_rows[r].titleUnits) * 2);
}

QString RecordModel::title(std::size_t r) const
{
    return textAt(titleBytes(r));
}

QString RecordModel::standardNumber(std::size_t r) const
{
    return textAt(numberBytes(r));
}

bool RecordModel::titleEquals(std::size_t r, QStringView text) const
{
    return textEquals(titleBytes(r), text);
}

bool RecordModel::standardNumberEquals(std::size_t r, QStringView text) const
{
    return textEquals(numberBytes(r), text);
}

void RecordModel::setHeadings(const QStringList& texts,
                              const std::vector<Qt::Alignment>& alignments)
{
    m_headings = texts;
    m_alignments = alignments;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

RecordRow RecordModel::makeRow(std::string_view record, std::int32_t sequence, Encoding encoding)
{
    RecordRow row;
    row.encoding = encoding;
    m_textBuffer = titleOf(record, row.encoding);
    row.titleUnits = static_cast<std::uint32_t>(m_textBuffer.size());
    m_textBuffer += standardNumberOf(record, row.encoding);
    row.record = m_records.add(record);
    row.texts =
        m_texts.add({reinterpret_cast<const char*>(m_textBuffer.data()), m_textBuffer.size() * 2});
    row.sequence = sequence;
    return row;
}

void RecordModel::stage(std::string_view record, std::int32_t sequence, Encoding encoding)
{
    m_rows.push_back(makeRow(record, sequence, encoding));
    m_rows.back().number = sequence;
}

void RecordModel::publish()
{
    if (m_shown == m_rows.size())
        return;
    beginInsertRows({}, static_cast<int>(m_shown), static_cast<int>(m_rows.size()) - 1);
    m_shown = m_rows.size();
    endInsertRows();
}

void RecordModel::reserve(std::size_t rows)
{
    m_rows.reserve(rows);
}

void RecordModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_records.clear();
    m_texts.clear();
    m_shown = 0;
    endResetModel();
}

void RecordModel::replaceRecord(std::size_t r, std::string_view record, std::int32_t sequence)
{
    RecordRow row = makeRow(record, sequence, m_rows[r].encoding);
    row.number = m_rows[r].number;
    row.modified = true;
    row.unexported = true;
    m_rows[r] = row;
    emit dataChanged(index(static_cast<int>(r), 0), index(static_cast<int>(r), ColumnCount - 1));
    emit recordReplaced(r);
}

void RecordModel::removeRows(std::size_t first, std::size_t count)
{
    if (count == 0 || first >= m_shown)
        return;
    count = std::min(count, m_shown - first);
    beginRemoveRows({}, static_cast<int>(first), static_cast<int>(first + count) - 1);
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(first),
                 m_rows.begin() + static_cast<std::ptrdiff_t>(first + count));
    m_shown -= count;
    endRemoveRows();
}

void RecordModel::markExported(bool onlyModified)
{
    for (RecordRow& r : m_rows)
        if (!onlyModified || r.modified)
            r.unexported = false;
}

void RecordModel::setErrorMarks(std::size_t first, const std::vector<bool>& marks)
{
    if (marks.empty() || first + marks.size() > m_shown)
        return;
    for (std::size_t i = 0; i < marks.size(); ++i)
        m_rows[first + i].hasErrors = marks[i];
    emit dataChanged(index(static_cast<int>(first), Sequence),
                     index(static_cast<int>(first + marks.size() - 1), Sequence),
                     {Qt::DecorationRole});
}

void RecordModel::clearErrorMarks()
{
    for (RecordRow& r : m_rows)
        r.hasErrors = false;
    if (m_shown > 0)
        emit dataChanged(index(0, Sequence), index(static_cast<int>(m_shown) - 1, Sequence),
                         {Qt::DecorationRole});
}

std::int64_t RecordModel::unexportedCount() const
{
    std::int64_t n = 0;
    for (const RecordRow& r : m_rows)
        n += r.unexported ? 1 : 0;
    return n;
}

} // namespace bibliora
