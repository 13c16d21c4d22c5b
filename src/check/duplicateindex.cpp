#include "duplicateindex.h"

#include <algorithm>
#include <cstring>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace bibliora::check {
namespace {

constexpr std::size_t kBlockWords = 8;  // 512 bits, one cache line
constexpr std::size_t kBitsPerKey = 10; // about 1% false positives with four bits a key
constexpr std::size_t kAhead = 16;      // slots prefetched ahead when a batch is moved
constexpr std::uint64_t kPlaceMask = 0xFFFFFFFF;
constexpr std::size_t kHuge = std::size_t{2} << 20;

// Spreads keys (ISBNs are close numbers for one publisher): the low bits pick a slot, the high
// 32 are the fingerprint kept in it.
std::uint64_t hashOf(std::uint64_t key)
{
    key ^= key >> 33;
    key *= 0xFF51AFD7ED558CCDULL;
    key ^= key >> 33;
    key *= 0xC4CEB9FE1A85EC53ULL;
    key ^= key >> 33;
    return key;
}

// A second hash for the filter, so that its block does not follow the slot.
std::uint64_t filterHashOf(std::uint64_t hash)
{
    return (hash ^ (hash >> 29)) * 0x9E3779B97F4A7C15ULL;
}

std::uint64_t slotValue(std::uint64_t hash, std::size_t place)
{
    return (hash >> 32) << 32 | (place + 1);
}

void prefetchAddress(const void* p)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

std::size_t powerOfTwoAtLeast(std::size_t n)
{
    std::size_t p = 1;
    while (p < n)
        p *= 2;
    return p;
}

// The place (plus one) that `slots` holds for `key`, or 0, probing from the hash's slot;
// keyAt(place) gives the key at a place.
template <typename KeyAt>
std::size_t probe(const std::uint64_t* slots, std::size_t size, KeyAt keyAt, std::uint64_t key,
                  std::uint64_t hash)
{
    if (size == 0)
        return 0;
    const std::size_t mask = size - 1;
    for (std::size_t slot = static_cast<std::size_t>(hash) & mask;; slot = (slot + 1) & mask) {
        const std::uint64_t s = slots[slot];
        if (s == 0)
            return 0;
        if ((s >> 32) == (hash >> 32) && keyAt((s & kPlaceMask) - 1) == key)
            return static_cast<std::size_t>(s & kPlaceMask);
    }
}

void put(std::uint64_t* slots, std::size_t size, std::uint64_t hash, std::size_t place)
{
    const std::size_t mask = size - 1;
    std::size_t slot = static_cast<std::size_t>(hash) & mask;
    while (slots[slot] != 0)
        slot = (slot + 1) & mask;
    slots[slot] = slotValue(hash, place);
}

} // namespace

void DuplicateIndex::HugeFree::operator()(void* p) const
{
    ::operator delete(p, std::align_val_t(kHuge));
}

template <typename T> DuplicateIndex::HugeArray<T> DuplicateIndex::allocateHuge(std::size_t count)
{
    const std::size_t bytes = (count * sizeof(T) + kHuge - 1) / kHuge * kHuge;
    void* p = ::operator new(bytes, std::align_val_t(kHuge));
#ifdef __linux__
    madvise(p, bytes, MADV_HUGEPAGE);
#endif
    return HugeArray<T>(static_cast<T*>(p));
}

bool DuplicateIndex::mayHave(std::uint64_t hash) const
{
    if (m_filter.empty())
        return false;
    const std::uint64_t h = filterHashOf(hash);
    const std::size_t block =
        static_cast<std::size_t>(h >> 40) & (m_filter.size() / kBlockWords - 1);
    const std::uint64_t* words = &m_filter[block * kBlockWords];
    for (int k = 0; k < 4; ++k) {
        const unsigned bit = static_cast<unsigned>(h >> (9 * k)) & 511;
        if (!(words[bit / 64] >> (bit % 64) & 1))
            return false;
    }
    return true;
}

void DuplicateIndex::remember(std::uint64_t hash)
{
    const std::uint64_t h = filterHashOf(hash);
    const std::size_t block =
        static_cast<std::size_t>(h >> 40) & (m_filter.size() / kBlockWords - 1);
    std::uint64_t* words = &m_filter[block * kBlockWords];
    for (int k = 0; k < 4; ++k) {
        const unsigned bit = static_cast<unsigned>(h >> (9 * k)) & 511;
        words[bit / 64] |= std::uint64_t{1} << (bit % 64);
    }
}

std::size_t DuplicateIndex::placeInTable(std::uint64_t key, std::uint64_t hash) const
{
    return probe(
        m_table.get(), m_tableSize, [this](std::size_t place) { return entry(place).key; }, key,
        hash);
}

std::size_t DuplicateIndex::placeInBatch(std::uint64_t key, std::uint64_t hash) const
{
    return probe(
        m_batch.data(), m_batch.size(), [this](std::size_t place) { return entry(place).key; }, key,
        hash);
}

std::optional<std::int64_t> DuplicateIndex::find(std::uint64_t key) const
{
    const std::uint64_t hash = hashOf(key);
    if (!mayHave(hash))
        return std::nullopt;
    std::size_t place = placeInBatch(key, hash);
    if (!place)
        place = placeInTable(key, hash);
    return place ? std::optional(entry(place - 1).number) : std::nullopt;
}

std::optional<std::int64_t> DuplicateIndex::findOrInsert(std::uint64_t key, std::int64_t number)
{
    if (const std::optional<std::int64_t> first = find(key))
        return first;
    if ((m_size >> kChunkBits) == m_chunks.size())
        m_chunks.push_back(allocateHuge<Entry>(kChunk));
    if (m_size + 1 > m_filterKeys)
        growFilter(std::max<std::size_t>(2 * m_filterKeys, 16 * kBatch));
    if (m_batch.empty())
        m_batch.assign(2 * kBatch, 0);
    const std::uint64_t hash = hashOf(key);
    m_chunks[m_size >> kChunkBits][m_size & (kChunk - 1)] = {key, number};
    remember(hash);
    put(m_batch.data(), m_batch.size(), hash, m_size);
    ++m_size;
    if (m_size - m_inTable == kBatch)
        flushBatch();
    return std::nullopt;
}

void DuplicateIndex::reserve(std::size_t keys)
{
    if (keys > m_filterKeys)
        growFilter(keys);
    if (2 * keys > m_tableSize)
        growTable(powerOfTwoAtLeast(2 * keys));
}

void DuplicateIndex::prefetch(std::uint64_t key) const
{
    if (m_filter.empty())
        return;
    const std::uint64_t h = filterHashOf(hashOf(key));
    const std::size_t block =
        static_cast<std::size_t>(h >> 40) & (m_filter.size() / kBlockWords - 1);
    prefetchAddress(&m_filter[block * kBlockWords]);
}

void DuplicateIndex::flushBatch()
{
    if (2 * m_size > m_tableSize)
        growTable(std::max<std::size_t>(2 * m_tableSize, powerOfTwoAtLeast(2 * m_size)));
    insertIntoTable(m_inTable, m_size);
    m_inTable = m_size;
    std::fill(m_batch.begin(), m_batch.end(), 0);
}

void DuplicateIndex::growTable(std::size_t slots)
{
    m_table = allocateHuge<std::uint64_t>(slots);
    std::memset(m_table.get(), 0, slots * sizeof(std::uint64_t));
    m_tableSize = slots;
    insertIntoTable(0, m_inTable);
}

void DuplicateIndex::insertIntoTable(std::size_t from, std::size_t to)
{
    // Slots prefetched ahead of their turn, so that the misses overlap.
    const std::size_t mask = m_tableSize - 1;
    for (std::size_t place = from; place < to; ++place) {
        if (place + kAhead < to)
            prefetchAddress(
                &m_table[static_cast<std::size_t>(hashOf(entry(place + kAhead).key)) & mask]);
        put(m_table.get(), m_tableSize, hashOf(entry(place).key), place);
    }
}

void DuplicateIndex::growFilter(std::size_t keys)
{
    const std::size_t blocks = powerOfTwoAtLeast((keys * kBitsPerKey + 511) / 512);
    m_filter.assign(blocks * kBlockWords, 0);
    m_filterKeys = blocks * 512 / kBitsPerKey;
    for (std::size_t place = 0; place < m_size; ++place)
        remember(hashOf(entry(place).key));
}

} // namespace bibliora::check
