#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace bibliora::check {

// The record in which each key of a file was first seen, built for files of millions of
// records, where a look-up in a table of that size is a cache miss.
//
// Keys and their record numbers are kept in the order first seen, in two arrays that only grow
// at their end. Most keys of a file are new, and a Bloom filter of about 10 bits a key (1.3 MB
// for a million keys, mostly in cache) says so at once. Keys added since the last batch sit in a
// small table of their own; every 4,096 of them are moved into the large hash table together,
// their slots prefetched ahead, so that their cache misses overlap. Only a key the filter may
// have seen is looked for in the large table. A million keys take about 34 MB.
class DuplicateIndex final
{
public:
    // The record `key` was first seen in, if it was.
    std::optional<std::int64_t> find(std::uint64_t key) const;
    // The same, and when it was not seen, records it as first seen in `number`.
    std::optional<std::int64_t> findOrInsert(std::uint64_t key, std::int64_t number);
    // Makes room for `keys` keys at once, so that the index does not grow step by step.
    void reserve(std::size_t keys);
    // Starts bringing what a look-up of `key` reads first into the cache.
    void prefetch(std::uint64_t key) const;
    std::size_t size() const { return m_size; }

private:
    static constexpr std::size_t kBatch = 4096;

    bool mayHave(std::uint64_t hash) const;
    void remember(std::uint64_t hash);
    // The place of `key` in the large table, or 0.
    std::size_t placeInTable(std::uint64_t key, std::uint64_t hash) const;
    std::size_t placeInBatch(std::uint64_t key, std::uint64_t hash) const;
    void flushBatch();
    void insertIntoTable(std::size_t from, std::size_t to);
    void growTable(std::size_t slots);
    void growFilter(std::size_t keys);

    // Memory on 2 MB boundaries, offered to the system as huge pages: on a large file every page
    // of the index is touched, and first touches of small pages cost more than the look-ups.
    struct HugeFree
    {
        void operator()(void* p) const;
    };
    template <typename T> using HugeArray = std::unique_ptr<T[], HugeFree>;
    template <typename T> static HugeArray<T> allocateHuge(std::size_t count);

    // Slots of the large table and of the batch: fingerprint << 32 | (place + 1); 0 is empty.
    HugeArray<std::uint64_t> m_table;
    std::size_t m_tableSize = 0;
    std::vector<std::uint64_t> m_batch;
    std::size_t m_inTable = 0; // keys [0, m_inTable) are in the large table, the rest in the batch
    std::vector<std::uint64_t> m_filter; // blocks of 512 bits
    std::size_t m_filterKeys = 0;        // keys the filter is sized for
    // Keys and record numbers in the order first seen, in chunks of kChunk that never move.
    static constexpr std::size_t kChunkBits = 17; // 2 MB
    static constexpr std::size_t kChunk = std::size_t{1} << kChunkBits;
    struct Entry
    {
        std::uint64_t key;
        std::int64_t number;
    };
    const Entry& entry(std::size_t place) const
    {
        return m_chunks[place >> kChunkBits][place & (kChunk - 1)];
    }
    std::vector<HugeArray<Entry>> m_chunks;
    std::size_t m_size = 0;
};

} // namespace bibliora::check
