#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace bibliora::check {

// The record in which each key of a file was first seen: open addressing over two flat arrays,
// 16 bytes a slot and at most half the slots full, so a million keys take 32 MB and nothing is
// allocated per key.
class DuplicateIndex final
{
public:
    // The record `key` was first seen in, if it was. `key` must not be 0.
    std::optional<std::int64_t> find(std::uint64_t key) const;
    // Records `key` as first seen in `number` unless it was seen before.
    void insert(std::uint64_t key, std::int64_t number);
    std::size_t size() const { return m_size; }

private:
    std::size_t slotOf(std::uint64_t key) const;
    void grow();

    std::vector<std::uint64_t> m_keys; // 0: an empty slot
    std::vector<std::int64_t> m_numbers;
    std::size_t m_size = 0;
};

} // namespace bibliora::check
