#include "recordmodel.h"

#include "reader.h"

#include <algorithm>

namespace bibliora {
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

ListTexts RecordModel::texts(std::size_t r) const
{
    return ListTexts::of(m_texts.view(m_rows[r].texts), m_rows[r].titleUnits);
}

QString RecordModel::title(std::size_t r) const
{
    const ListTexts t = texts(r);
    return ListTexts::toString(t.title, t.titleNarrow);
}

QString RecordModel::standardNumber(std::size_t r) const
{
    const ListTexts t = texts(r);
    return ListTexts::toString(t.number, t.numberNarrow);
}

bool RecordModel::titleEquals(std::size_t r, QStringView text) const
{
    const ListTexts t = texts(r);
    return ListTexts::equals(t.title, t.titleNarrow, text);
}

bool RecordModel::standardNumberEquals(std::size_t r, QStringView text) const
{
    const ListTexts t = texts(r);
    return ListTexts::equals(t.number, t.numberNarrow, text);
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
    row.record = m_records.add(record);
    row.sequence = sequence;
    renewTexts(row);
    return row;
}

void RecordModel::renewTexts(RecordRow& row)
{
    const std::string_view record = m_records.view(row.record);
    m_textBuffer.clear();
    row.titleUnits = ListTexts::append(m_textBuffer, titleOf(record, row.encoding),
                                       standardNumberOf(record, row.encoding));
    row.texts = m_texts.add(m_textBuffer);
}

void RecordModel::stage(std::string_view record, std::int32_t sequence, Encoding encoding)
{
    m_rows.push_back(makeRow(record, sequence, encoding));
    m_rows.back().number = sequence;
    m_loadedBytes += record.size();
}

void RecordModel::stageBlocks(ByteBlock records, std::size_t recordBytes, ByteBlock texts,
                              std::size_t textBytes, std::vector<RecordRow>& rows,
                              const std::vector<std::size_t>& renew)
{
    const std::uint32_t recordBlock = m_records.adoptBlock(std::move(records), recordBytes);
    const std::uint32_t textBlock = m_texts.adoptBlock(std::move(texts), textBytes);
    for (RecordRow& row : rows) {
        row.record.block = recordBlock;
        row.texts.block = textBlock;
        m_loadedBytes += row.record.size;
    }
    for (const std::size_t r : renew)
        renewTexts(rows[r]);
    m_rows.insert(m_rows.end(), rows.begin(), rows.end());
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
    m_loadedBytes = 0;
    m_history.clear();
    endResetModel();
    emit cleared();
    emit historyChanged();
}

void RecordModel::apply(ListChange&& change)
{
    publish();
    HistoryStep step;
    step.name = change.name();
    step.shownBefore = change.m_shownBefore;
    step.shownAfter = change.m_shownAfter;
    step.exports = m_exports;

    const std::uint32_t offset = m_records.adopt(std::move(change.m_bytes));
    const std::uint32_t textOffset = m_texts.adopt(std::move(change.m_texts));
    std::vector<bool> seen(m_shown, false);
    // Each entry of the change takes the old version of its row, in place: the entries become
    // the step.
    auto& entries = change.m_replaced;
    std::size_t taken = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t at = entries[i].first;
        if (at >= m_shown || seen[at])
            continue;
        seen[at] = true;
        const RecordRow& fresh = entries[i].second;
        const ListChange::How how = change.m_how[i];
        RecordRow& now = m_rows[at];
        RecordRow row = now;
        row.record = fresh.record;
        row.record.block += offset;
        if (how.numbered)
            row.sequence = fresh.sequence;
        row.modified = true;
        row.unexported = true;
        switch (how.texts) {
        case ListChange::Texts::Given:
            row.texts = fresh.texts;
            row.texts.block += textOffset;
            row.titleUnits = fresh.titleUnits;
            break;
        case ListChange::Texts::Read:
            renewTexts(row);
            break;
        case ListChange::Texts::Kept:
            break;
        }
        step.keptBytes += now.record.size;
        entries[taken++] = {at, now};
        now = row;
    }
    entries.resize(taken);
    // A change that made room for every row and replaced few keeps only what it holds.
    if (entries.capacity() > 2 * taken)
        entries.shrink_to_fit();
    step.swapped = std::move(entries);
    change.m_how = {};
    const auto byRow = [](const auto& a, const auto& b) { return a.first < b.first; };
    if (!std::is_sorted(step.swapped.begin(), step.swapped.end(), byRow))
        std::sort(step.swapped.begin(), step.swapped.end(), byRow);
    std::vector<std::size_t> replaced;
    replaced.reserve(step.swapped.size());
    for (const auto& [at, row] : step.swapped)
        replaced.push_back(at);
    emitReplaced(replaced);

    std::vector<std::size_t> removed;
    removed.reserve(change.m_removed.size());
    std::fill(seen.begin(), seen.end(), false);
    for (const std::size_t r : change.m_removed)
        if (r < m_shown && !seen[r]) {
            seen[r] = true;
            removed.push_back(r);
        }
    std::sort(removed.begin(), removed.end());
    removeSorted(removed, &step.removed);
    for (const auto& [at, row] : step.removed)
        step.keptBytes += row.record.size;

    if (step.swapped.empty() && step.removed.empty())
        return;
    m_history.push(std::move(step), m_loadedBytes);
    emit historyChanged();
}

std::optional<int> RecordModel::undo()
{
    if (!m_history.canUndo())
        return std::nullopt;
    HistoryStep& step = m_history.undoStep();
    // Taken back in the reverse order of the change: the removed rows return, then the
    // replaced ones get their old versions.
    insertSorted(step.removed);
    swapRows(step.swapped, step.exports);
    step.exports = m_exports;
    const int shown = step.shownBefore;
    m_history.stepBack();
    emit historyChanged();
    return shown;
}

std::optional<int> RecordModel::redo()
{
    if (!m_history.canRedo())
        return std::nullopt;
    HistoryStep& step = m_history.redoStep();
    swapRows(step.swapped, step.exports);
    std::vector<std::size_t> rows;
    rows.reserve(step.removed.size());
    for (const auto& [at, row] : step.removed)
        rows.push_back(at);
    step.removed.clear();
    removeSorted(rows, &step.removed);
    step.exports = m_exports;
    const int shown = step.shownAfter;
    m_history.stepForward();
    emit historyChanged();
    return shown;
}

void RecordModel::swapRows(std::vector<std::pair<std::size_t, RecordRow>>& rows,
                           std::uint64_t exports)
{
    std::vector<std::size_t> replaced;
    replaced.reserve(rows.size());
    for (auto& [at, other] : rows) {
        RecordRow& now = m_rows[at];
        // What an export wrote since the step last moved this row is not what the row will
        // hold: it counts as a change to export again.
        const bool exportedSince = exports != m_exports && !now.unexported;
        other.hasErrors = now.hasErrors;
        std::swap(now, other);
        if (exportedSince) {
            now.modified = true;
            now.unexported = true;
        }
        replaced.push_back(at);
    }
    emitReplaced(replaced);
}

void RecordModel::emitReplaced(const std::vector<std::size_t>& rows)
{
    if (rows.empty())
        return;
    emit dataChanged(index(static_cast<int>(rows.front()), 0),
                     index(static_cast<int>(rows.back()), ColumnCount - 1));
    emit recordsReplaced(rows);
}

namespace {

// Beyond this many separate runs of rows, views are told of a removal or insertion as a
// reset: each run told alone would move the rows after it once per run.
constexpr std::size_t kRunsToldOneByOne = 16;

std::size_t runsOf(const std::vector<std::size_t>& sorted)
{
    std::size_t runs = 0;
    for (std::size_t i = 0; i < sorted.size(); ++i)
        runs += i == 0 || sorted[i] != sorted[i - 1] + 1 ? 1 : 0;
    return runs;
}

} // namespace

void RecordModel::removeSorted(const std::vector<std::size_t>& rows,
                               std::vector<std::pair<std::size_t, RecordRow>>* removed)
{
    if (rows.empty())
        return;
    emit recordsAboutToBeRemoved(rows);
    for (const std::size_t r : rows)
        removed->emplace_back(r, m_rows[r]);
    if (runsOf(rows) <= kRunsToldOneByOne) {
        // From the last run to the first, so the rows named stay where they were named.
        std::size_t end = rows.size();
        while (end > 0) {
            std::size_t begin = end - 1;
            while (begin > 0 && rows[begin - 1] + 1 == rows[begin])
                --begin;
            const std::size_t first = rows[begin];
            const std::size_t last = rows[end - 1];
            beginRemoveRows({}, static_cast<int>(first), static_cast<int>(last));
            m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(first),
                         m_rows.begin() + static_cast<std::ptrdiff_t>(last + 1));
            m_shown -= last - first + 1;
            endRemoveRows();
            end = begin;
        }
        return;
    }
    beginResetModel();
    std::size_t next = 0;
    std::size_t kept = 0;
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        if (next < rows.size() && rows[next] == r) {
            ++next;
            continue;
        }
        m_rows[kept++] = m_rows[r];
    }
    m_rows.resize(kept);
    m_shown = kept;
    endResetModel();
}

void RecordModel::insertSorted(const std::vector<std::pair<std::size_t, RecordRow>>& rows)
{
    if (rows.empty())
        return;
    std::vector<std::size_t> at;
    at.reserve(rows.size());
    for (const auto& [r, row] : rows)
        at.push_back(r);
    if (runsOf(at) <= kRunsToldOneByOne) {
        // From the first run to the last: each goes where it was before the removal.
        std::size_t begin = 0;
        while (begin < rows.size()) {
            std::size_t end = begin + 1;
            while (end < rows.size() && rows[end].first == rows[end - 1].first + 1)
                ++end;
            const std::size_t first = rows[begin].first;
            beginInsertRows({}, static_cast<int>(first), static_cast<int>(first + end - begin) - 1);
            std::vector<RecordRow> run;
            run.reserve(end - begin);
            for (std::size_t i = begin; i < end; ++i)
                run.push_back(rows[i].second);
            m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(first), run.begin(),
                          run.end());
            m_shown += end - begin;
            endInsertRows();
            begin = end;
        }
    } else {
        beginResetModel();
        std::vector<RecordRow> merged;
        merged.reserve(m_rows.size() + rows.size());
        std::size_t next = 0;
        std::size_t old = 0;
        while (merged.size() < m_rows.size() + rows.size()) {
            if (next < rows.size() && rows[next].first == merged.size())
                merged.push_back(rows[next++].second);
            else
                merged.push_back(m_rows[old++]);
        }
        m_rows = std::move(merged);
        m_shown = m_rows.size();
        endResetModel();
    }
    emit recordsInserted(at);
}

void RecordModel::markExported(bool onlyModified)
{
    ++m_exports;
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
