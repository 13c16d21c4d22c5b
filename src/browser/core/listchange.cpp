#include "listchange.h"

#include <algorithm>
#include <utility>

namespace bibliora {

ListChange::ListChange(QString name) : m_name(std::move(name)) {}

void ListChange::replace(std::size_t row, std::string_view bytes,
                         std::optional<std::int32_t> sequence)
{
    m_replaced.push_back({row, m_bytes.add(bytes), sequence});
}

void ListChange::remove(std::size_t row)
{
    m_removed.push_back(row);
}

bool ListChange::touches(std::size_t row) const
{
    return std::any_of(m_replaced.begin(), m_replaced.end(),
                       [row](const Replacement& r) { return r.row == row; }) ||
           std::find(m_removed.begin(), m_removed.end(), row) != m_removed.end();
}

void ListChange::setShownRows(int before, int after)
{
    m_shownBefore = before;
    m_shownAfter = after;
}

} // namespace bibliora
