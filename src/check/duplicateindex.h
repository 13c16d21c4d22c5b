#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace bibliora::check {

// The record in which each key of a file was first seen. The keys and their record numbers
// are kept in the order they were first seen, in two arrays that only grow at their end; a
// hash table of 8-byte slots (a 32-bit fingerprint of the key and its place in those arrays,
// at most half of the slots full) finds them. A million keys take 32 MB, of which the 16 MB
// of the table are read at random: on a large file that is one cache miss per look-up, which
// prefetch() lets a caller start early and overlap with other work.
class DuplicateIndex final
{
public:
    // The record `key` was first seen in, if it was.
    std::optional<std::int64_t> find(std::uint64_t key) const;
    // The same, and when it was not seen, records it as first seen in `number`.
    std::optional<std::int64_t> findOrInsert(std::uint64_t key, std::int64_t number);
    // Makes room for `keys` keys at once, so that the index does not grow step by step.
    void reserve(std::size_t keys);
    // Starts bringing the slot of `key` into the cache.
    void prefetch(std::uint64_t key) const;
    std::size_t size() const { return m_keys.size(); }

private:
    // The slot holding `key` (whose hash is `hash`), or the empty slot where it would go.
    std::size_t slotOf(std::uint64_t key, std::uint64_t hash) const;
    void resize(std::size_t slots);

    std::vector<std::uint64_t> m_slots; // fingerprint << 32 | place + 1; 0 for an empty slot
    std::vector<std::uint64_t> m_keys;  // in the order first seen
    std::vector<std::int64_t> m_numbers;
};

} // namespace bibliora::check
