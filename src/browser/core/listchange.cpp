#include "listchange.h"

#include "listtexts.h"

#include <algorithm>
#include <utility>

namespace bibliora {

ListChange::ListChange(QString name) : m_name(std::move(name)) {}

void ListChange::replace(std::size_t row, std::string_view bytes,
                         std::optional<std::int32_t> sequence)
{
    RecordRow& fresh = m_replaced.emplace_back(row, RecordRow()).second;
    fresh.record = m_bytes.add(bytes);
    fresh.sequence = sequence.value_or(0);
    m_how.push_back({Texts::Read, sequence.has_value()});
}

void ListChange::replaceKeepingTexts(std::size_t row, std::string_view bytes)
{
    m_replaced.emplace_back(row, RecordRow()).second.record = m_bytes.add(bytes);
    m_how.push_back({Texts::Kept, false});
}

void ListChange::replaceWithTexts(std::size_t row, std::string_view bytes,
                                  std::u16string_view title, std::u16string_view standardNumber)
{
    RecordRow& fresh = m_replaced.emplace_back(row, RecordRow()).second;
    fresh.record = m_bytes.add(bytes);
    std::string texts;
    fresh.titleUnits = ListTexts::append(texts, title, standardNumber);
    fresh.texts = m_texts.add(texts);
    m_how.push_back({Texts::Given, false});
}

void ListChange::reserve(std::size_t rows)
{
    m_replaced.reserve(rows);
    m_how.reserve(rows);
}

void ListChange::remove(std::size_t row)
{
    m_removed.push_back(row);
}

bool ListChange::touches(std::size_t row) const
{
    return std::any_of(m_replaced.begin(), m_replaced.end(),
                       [row](const auto& r) { return r.first == row; }) ||
           std::find(m_removed.begin(), m_removed.end(), row) != m_removed.end();
}

void ListChange::setShownRows(int before, int after)
{
    m_shownBefore = before;
    m_shownAfter = after;
}

} // namespace bibliora
