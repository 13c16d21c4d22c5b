#include "byteinput.h"

#include "openfile.h"

#include <algorithm>

namespace bibliora::formats {

ByteInput::ByteInput(std::size_t bufferBytes) : m_bufferBytes(std::max<std::size_t>(1, bufferBytes))
{
}

ByteInput::~ByteInput()
{
    if (m_file)
        std::fclose(m_file);
}

bool ByteInput::open(const std::filesystem::path& path)
{
    m_file = openRegularFile(path);
    if (!m_file)
        return false;
    m_buffer.resize(m_bufferBytes);
    return true;
}

void ByteInput::openBytes(std::string_view bytes)
{
    m_memory = bytes;
}

std::string_view ByteInput::read()
{
    if (!m_file) {
        const std::string_view piece = m_memory.substr(0, m_bufferBytes);
        m_memory.remove_prefix(piece.size());
        m_position += piece.size();
        return piece;
    }
    const std::size_t n = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file);
    if (n == 0 && std::ferror(m_file))
        m_failed = true;
    m_position += n;
    return {m_buffer.data(), n};
}

} // namespace bibliora::formats
