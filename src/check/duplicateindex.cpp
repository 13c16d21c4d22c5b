#include "duplicateindex.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace bibliora::check {
namespace {

// Spreads keys over the slots (ISBNs are close numbers for one publisher): the low bits pick
// the slot, the high 32 are the fingerprint.
std::uint64_t hashOf(std::uint64_t key)
{
    key ^= key >> 33;
    key *= 0xFF51AFD7ED558CCDULL;
    key ^= key >> 33;
    key *= 0xC4CEB9FE1A85EC53ULL;
    key ^= key >> 33;
    return key;
}

std::uint64_t fingerprintOf(std::uint64_t hash)
{
    return hash >> 32;
}

// Asks Linux to back the 2 MB pages inside [data, data + bytes) with huge pages: the slots are
// read at random, and translating their addresses through small pages costs as much again.
void adviseHugePages(const void* data, std::size_t bytes)
{
#ifdef __linux__
    constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t end = begin + bytes;
    const std::uintptr_t from = (begin + kHuge - 1) & ~(kHuge - 1);
    if (end > from + kHuge)
        madvise(reinterpret_cast<void*>(from), (end - from) & ~(kHuge - 1), MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

// Room for `capacity` elements in `v`, on huge pages where the system gives them: on a large
// file every page of the index is touched once, and a first touch of a small page costs more
// than a look-up.
template <typename T> void growTo(std::vector<T>& v, std::size_t capacity)
{
    if (capacity <= v.capacity())
        return;
    std::vector<T> grown;
    grown.reserve(capacity);
    adviseHugePages(grown.data(), capacity * sizeof(T));
    grown.assign(v.begin(), v.end());
    v.swap(grown);
}

} // namespace

std::size_t DuplicateIndex::slotOf(std::uint64_t key, std::uint64_t hash) const
{
    const std::size_t mask = m_slots.size() - 1;
    const std::uint64_t fingerprint = fingerprintOf(hash);
    for (std::size_t slot = static_cast<std::size_t>(hash) & mask;; slot = (slot + 1) & mask) {
        const std::uint64_t s = m_slots[slot];
        if (s == 0 || ((s >> 32) == fingerprint && m_keys[(s & 0xFFFFFFFF) - 1] == key))
            return slot;
    }
}

std::optional<std::int64_t> DuplicateIndex::find(std::uint64_t key) const
{
    if (m_slots.empty())
        return std::nullopt;
    const std::uint64_t s = m_slots[slotOf(key, hashOf(key))];
    return s == 0 ? std::nullopt : std::optional(m_numbers[(s & 0xFFFFFFFF) - 1]);
}

std::optional<std::int64_t> DuplicateIndex::findOrInsert(std::uint64_t key, std::int64_t number)
{
    if (2 * (m_keys.size() + 1) > m_slots.size())
        resize(m_slots.empty() ? 1024 : 2 * m_slots.size());
    const std::uint64_t hash = hashOf(key);
    std::uint64_t& s = m_slots[slotOf(key, hash)];
    if (s != 0)
        return m_numbers[(s & 0xFFFFFFFF) - 1];
    if (m_keys.size() == m_keys.capacity()) {
        growTo(m_keys, 2 * m_keys.size() + 1024);
        growTo(m_numbers, m_keys.capacity());
    }
    m_keys.push_back(key);
    m_numbers.push_back(number);
    s = fingerprintOf(hash) << 32 | m_keys.size();
    return std::nullopt;
}

void DuplicateIndex::prefetch(std::uint64_t key) const
{
#if defined(__GNUC__) || defined(__clang__)
    if (!m_slots.empty())
        __builtin_prefetch(&m_slots[static_cast<std::size_t>(hashOf(key)) & (m_slots.size() - 1)]);
#else
    (void)key;
#endif
}

void DuplicateIndex::reserve(std::size_t keys)
{
    std::size_t slots = 1024;
    while (slots < 2 * keys)
        slots *= 2;
    if (slots > m_slots.size())
        resize(slots);
    growTo(m_keys, keys);
    growTo(m_numbers, keys);
}

void DuplicateIndex::resize(std::size_t slots)
{
    std::vector<std::uint64_t> table;
    growTo(table, slots);
    table.resize(slots);
    m_slots.swap(table);
    const std::size_t mask = slots - 1;
    // Places are kept: only the slots move.
    for (std::size_t place = 0; place < m_keys.size(); ++place) {
        const std::uint64_t hash = hashOf(m_keys[place]);
        std::size_t slot = static_cast<std::size_t>(hash) & mask;
        while (m_slots[slot] != 0)
            slot = (slot + 1) & mask;
        m_slots[slot] = fingerprintOf(hash) << 32 | (place + 1);
    }
}

} // namespace bibliora::check
