#pragma once

// Files for tests: written into a folder of the test's own, read back whole, and the shapes
// of file that readers meet (UTF-16 with its byte-order mark, records one per line, noise).

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace bibliora::support {

// A fresh folder of its own, removed with its contents when the object goes.
class TempDir final
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // Writes `bytes` to `name` inside the folder and gives its path.
    std::filesystem::path write(const std::string& name, std::string_view bytes) const;

private:
    std::filesystem::path m_path;
};

std::filesystem::path writeFile(const std::filesystem::path& path, std::string_view bytes);
std::string readBytes(const std::filesystem::path& path);

// `head`, then 64 MB holding neither LF nor 0x1D.
std::filesystem::path writeEndless(const std::filesystem::path& path, std::string_view head = {});

// `n` bytes of mt19937_64 (fully specified: the same bytes on every platform and run).
std::string randomBytes(std::size_t n, std::uint64_t seed);

// Each record followed by CR LF.
std::string asLines(const std::vector<std::string>& records);

// FF FE and the text in UTF-16LE.
std::string utf16File(std::u16string_view text);

} // namespace bibliora::support
