#include "testfiles.h"

#include <fstream>
#include <iterator>
#include <random>

namespace bibliora::support {

TempDir::TempDir()
{
    std::random_device random;
    do
        m_path = std::filesystem::temp_directory_path() /
                 ("bibliora-test-" + std::to_string(random()) + std::to_string(random()));
    while (!std::filesystem::create_directory(m_path));
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::filesystem::path TempDir::write(const std::string& name, std::string_view bytes) const
{
    return writeFile(m_path / name, bytes);
}

std::filesystem::path writeFile(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

std::string readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::filesystem::path writeEndless(const std::filesystem::path& path, std::string_view head)
{
    std::ofstream out(path, std::ios::binary);
    out << head;
    const std::string megabyte(1u << 20, 'x');
    for (int i = 0; i < 64; ++i)
        out << megabyte;
    return path;
}

std::string randomBytes(std::size_t n, std::uint64_t seed)
{
    std::mt19937_64 rng(seed);
    std::string out(n, '\0');
    for (char& c : out)
        c = static_cast<char>(rng());
    return out;
}

std::string asLines(const std::vector<std::string>& records)
{
    std::string out;
    for (const std::string& r : records)
        out += r + "\r\n";
    return out;
}

std::string utf16File(std::u16string_view text)
{
    std::string bytes = "\xFF\xFE";
    for (const char16_t c : text)
        bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return bytes;
}

} // namespace bibliora::support
