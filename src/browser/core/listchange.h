#pragma once

#include "recordrow.h"
#include "recordstore.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace bibliora {

// One change of the list's records, made by a command and handed whole to
// RecordModel::apply, which makes it one step that undo takes back: a save, a deletion, a
// replacement, a replace-all, a batch change. Rows are the model's 0-based rows as they are
// when the change is applied. New record bytes go into a store of the change's own, which
// the model takes over without copying them again.
class ListChange final
{
public:
    // `name` is what the menu shows after 撤销 and 重做 ("保存", "全部替换").
    explicit ListChange(QString name);

    // The record of `row` becomes `bytes`, written in the row's encoding. The number column
    // then shows `sequence` when given (a save numbers the row by its position), else what it
    // showed. Each row at most once.
    void replace(std::size_t row, std::string_view bytes,
                 std::optional<std::int32_t> sequence = std::nullopt);
    // As replace() without a number, for a caller that has read the new record's title and
    // standard number itself (a change of many records does so slice by slice, so that applying
    // it reads none): the row keeps the texts it shows, or shows these.
    void replaceKeepingTexts(std::size_t row, std::string_view bytes);
    void replaceWithTexts(std::size_t row, std::string_view bytes, std::u16string_view title,
                          std::u16string_view standardNumber);
    // Room for `rows` replacements, so that a change of many rows is not copied as it grows.
    void reserve(std::size_t rows);
    // The row goes. Each row at most once, in any order.
    void remove(std::size_t row);
    // The record shown (the form's NowRow) before the change and after it, which undo and
    // redo show again.
    void setShownRows(int before, int after);

    const QString& name() const { return m_name; }
    bool empty() const { return m_replaced.empty() && m_removed.empty(); }
    std::size_t replacedCount() const { return m_replaced.size(); }
    std::size_t removedCount() const { return m_removed.size(); }
    // Whether the change replaces or removes `row`.
    bool touches(std::size_t row) const;
    // The i-th replacement given, i < replacedCount(): its row and its new bytes.
    std::size_t replacedRow(std::size_t i) const { return m_replaced[i].first; }
    std::string_view replacedBytes(std::size_t i) const
    {
        return m_bytes.view(m_replaced[i].second.record);
    }

private:
    friend class RecordModel;

    // Where a replaced row's texts come from.
    enum class Texts : std::uint8_t
    {
        Read,  // read from the new record when the change is applied
        Kept,  // the row's own
        Given, // the new version's, in m_texts
    };
    struct How
    {
        Texts texts;
        bool numbered; // the new version's sequence is the row's new number
    };

    QString m_name;
    RecordStore m_bytes;
    RecordStore m_texts;
    // Each replaced row with its new version as far as the change knows it: the record's slot
    // in m_bytes, the number, the texts' slot in m_texts. Applying the change puts the row's
    // old version in its place and hands the whole to the history, so that a replace-all of a
    // million rows, built slice by slice, needs no memory of its own when it is applied.
    std::vector<std::pair<std::size_t, RecordRow>> m_replaced;
    std::vector<How> m_how;
    std::vector<std::size_t> m_removed;
    int m_shownBefore = 0;
    int m_shownAfter = 0;
};

} // namespace bibliora
