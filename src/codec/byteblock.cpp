#include "byteblock.h"

#include <cstdlib>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace bibliora {
namespace {

constexpr std::size_t kHugePage = 2u << 20;

} // namespace

void ByteBlockFree::operator()(char* bytes) const noexcept
{
    std::free(bytes);
}

ByteBlock allocateByteBlock(std::size_t size)
{
    const std::size_t bytes = size ? size : 1;
#ifdef __linux__
    if (bytes >= 2 * kHugePage) {
        // Whole huge pages, aligned to them: madvise works on whole pages of the range.
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        if (void* p = std::aligned_alloc(kHugePage, rounded)) {
            madvise(p, rounded, MADV_HUGEPAGE); // advice: refused or not, the memory serves
            return ByteBlock(static_cast<char*>(p));
        }
        throw std::bad_alloc();
    }
#endif
    if (void* p = std::malloc(bytes))
        return ByteBlock(static_cast<char*>(p));
    throw std::bad_alloc();
}

} // namespace bibliora
