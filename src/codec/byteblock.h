#pragma once

#include <cstddef>
#include <memory>

namespace bibliora {

struct ByteBlockFree
{
    void operator()(char* bytes) const noexcept;
};

// A large run of bytes that is not zeroed, so its pages cost memory only once written. Where
// the system offers transparent huge pages on request (Linux), a block of several megabytes
// asks for them: a file's bytes then fault in 2 MiB at a time instead of 4 KiB.
using ByteBlock = std::unique_ptr<char[], ByteBlockFree>;

// Throws std::bad_alloc when the memory cannot be had.
ByteBlock allocateByteBlock(std::size_t size);

} // namespace bibliora
