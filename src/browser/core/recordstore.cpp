#include "recordstore.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>
#include <stdexcept>

namespace bibliora {
namespace {

// Large enough that a block costs nothing next to its records; small enough that the unused
// end of the last block is noise beside a file of any size. A slot of more than a sixteenth
// of a block gets a block of its own, so no block wastes more than that at its end.
constexpr std::size_t kBlockBytes = 16u << 20;
constexpr std::size_t kOwnBlock = kBlockBytes / 16;

} // namespace

RecordStore::Slot RecordStore::add(std::string_view bytes)
{
    const std::size_t size = bytes.size();
    if (size >= std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("record slot too large");
    std::size_t index = m_current;
    if (size > kOwnBlock || m_blocks.empty() ||
        m_blocks[m_current].size - m_blocks[m_current].used < size) {
        std::size_t blockSize = size;
        if (size <= kOwnBlock) {
            blockSize = std::max(m_nextBlockBytes, size);
            m_nextBlockBytes = std::min(kBlockBytes, 2 * m_nextBlockBytes);
        }
        // Not zeroed: pages of a block are touched, and count as memory, only once written.
        m_blocks.push_back({allocateByteBlock(blockSize), blockSize, 0});
        index = m_blocks.size() - 1;
        if (size <= kOwnBlock)
            m_current = index;
    }
    Block& block = m_blocks[index];
    const Slot slot{static_cast<std::uint32_t>(index), static_cast<std::uint32_t>(block.used),
                    static_cast<std::uint32_t>(size)};
    if (size > 0)
        std::memcpy(block.bytes.get() + block.used, bytes.data(), size);
    block.used += size;
    return slot;
}

void RecordStore::clear()
{
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    m_current = 0;
    m_nextBlockBytes = kFirstBlockBytes;
}

std::uint32_t RecordStore::adopt(RecordStore&& other)
{
    const auto offset = static_cast<std::uint32_t>(m_blocks.size());
    m_blocks.insert(m_blocks.end(), std::make_move_iterator(other.m_blocks.begin()),
                    std::make_move_iterator(other.m_blocks.end()));
    // Small slots keep going to this store's own block: the adopted ones are full enough.
    if (offset == 0 && !m_blocks.empty())
        m_current = other.m_current;
    other.clear();
    return offset;
}

std::uint32_t RecordStore::adoptBlock(ByteBlock bytes, std::size_t size)
{
    if (m_blocks.size() >= std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("too many record blocks");
    // Full: a slot added later goes to a block of the store's own.
    m_blocks.push_back({std::move(bytes), size, size});
    return static_cast<std::uint32_t>(m_blocks.size() - 1);
}

std::uint64_t RecordStore::capacity() const
{
    std::uint64_t n = 0;
    for (const Block& b : m_blocks)
        n += b.size;
    return n;
}

} // namespace bibliora
