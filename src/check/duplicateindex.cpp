#include "duplicateindex.h"

namespace bibliora::check {
namespace {

// Keys are ISBNs (consecutive numbers for one publisher) or already hashes: mixed so that
// either spreads over the slots.
std::uint64_t mix(std::uint64_t key)
{
    key ^= key >> 33;
    key *= 0xFF51AFD7ED558CCDULL;
    key ^= key >> 33;
    return key;
}

} // namespace

std::size_t DuplicateIndex::slotOf(std::uint64_t key) const
{
    const std::size_t mask = m_keys.size() - 1;
    std::size_t slot = static_cast<std::size_t>(mix(key)) & mask;
    while (m_keys[slot] != 0 && m_keys[slot] != key)
        slot = (slot + 1) & mask;
    return slot;
}

std::optional<std::int64_t> DuplicateIndex::find(std::uint64_t key) const
{
    if (m_keys.empty())
        return std::nullopt;
    const std::size_t slot = slotOf(key);
    if (m_keys[slot] == 0)
        return std::nullopt;
    return m_numbers[slot];
}

void DuplicateIndex::insert(std::uint64_t key, std::int64_t number)
{
    if (2 * (m_size + 1) > m_keys.size())
        grow();
    const std::size_t slot = slotOf(key);
    if (m_keys[slot] != 0)
        return;
    m_keys[slot] = key;
    m_numbers[slot] = number;
    ++m_size;
}

void DuplicateIndex::grow()
{
    std::vector<std::uint64_t> keys(m_keys.empty() ? 1024 : 2 * m_keys.size(), 0);
    std::vector<std::int64_t> numbers(keys.size());
    keys.swap(m_keys);
    numbers.swap(m_numbers);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] == 0)
            continue;
        const std::size_t slot = slotOf(keys[i]);
        m_keys[slot] = keys[i];
        m_numbers[slot] = numbers[i];
    }
}

} // namespace bibliora::check
