#pragma once

#include "byteblock.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace bibliora {

// The bytes of one load (records, or row texts) copied one after another into large blocks, so a
// million records cost a few dozen allocations instead of a million. Nothing is freed before
// clear(): a record replaced by a save leaves its old bytes behind, which is cheap next to the file
// and keeps every slot valid while rows are removed or reordered.
class RecordStore final
{
public:
    struct Slot
    {
        std::uint32_t block = 0;
        std::uint32_t offset = 0;
        std::uint32_t size = 0;
    };

    // Copies the bytes into a slot of their own. Throws std::length_error for 4 GiB or more
    // (records are at most 16 MiB).
    Slot add(std::string_view bytes);
    std::string_view view(Slot slot) const
    {
        return {m_blocks[slot.block].bytes.get() + slot.offset, slot.size};
    }
    void clear();
    // Takes over the blocks of `other`, which is left empty; a slot `other` gave is valid here
    // once the returned number is added to its block. Nothing is copied, so a change of a
    // million records built in a store of its own joins the list's bytes at no cost.
    std::uint32_t adopt(RecordStore&& other);
    // Takes over a block whose first `size` bytes are in use; its slots are those of block
    // number `index` (the returned number) at their offsets. No slot is added to it after.
    std::uint32_t adoptBlock(ByteBlock bytes, std::size_t size);
    // Bytes held in blocks, used or not.
    std::uint64_t capacity() const;

private:
    struct Block
    {
        ByteBlock bytes;
        std::size_t size = 0;
        std::size_t used = 0;
    };

    std::vector<Block> m_blocks;
    std::size_t m_current = 0; // the block small slots go to
    // Blocks for small slots grow from this, doubling, to 16 MiB: a store of one saved record
    // stays small (the list adopts a change's blocks whole and keeps them until it is cleared;
    // a large block takes huge pages, 2 MiB for a record), a load fills large ones.
    static constexpr std::size_t kFirstBlockBytes = 4u << 10;
    std::size_t m_nextBlockBytes = kFirstBlockBytes;
};

} // namespace bibliora
