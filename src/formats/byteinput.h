#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace bibliora::formats {

// A file, or bytes in memory, handed out in pieces of at most one buffer, so that a reader
// never holds more of its input than that.
class ByteInput final
{
public:
    explicit ByteInput(std::size_t bufferBytes);
    ~ByteInput();
    ByteInput(const ByteInput&) = delete;
    ByteInput& operator=(const ByteInput&) = delete;

    bool open(const std::filesystem::path& path);
    // The bytes must outlive the input.
    void openBytes(std::string_view bytes);

    // The next piece; empty at the end of the input or after a read error.
    std::string_view read();
    bool failed() const { return m_failed; }
    std::uint64_t position() const { return m_position; }

private:
    std::size_t m_bufferBytes;
    std::FILE* m_file = nullptr;
    std::vector<char> m_buffer;
    std::string_view m_memory;
    std::uint64_t m_position = 0;
    bool m_failed = false;
};

} // namespace bibliora::formats
