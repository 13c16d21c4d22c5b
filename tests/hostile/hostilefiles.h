#pragma once

// Files nobody should feed a MARC reader, written into a folder the test owns. Shared by the
// codec tests and the window tests.

#include "gbk.h"
#include "recordgen.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace bibliora::hostile {
namespace fs = std::filesystem;

// mt19937_64 is fully specified: the same bytes on every platform and run.
inline std::string randomBytes(std::size_t n, std::uint64_t seed)
{
    std::mt19937_64 rng(seed);
    std::string out(n, '\0');
    for (char& c : out)
        c = static_cast<char>(rng());
    return out;
}

inline fs::path writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

inline std::string readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// `head`, then 64 MB holding neither LF nor 0x1D (the same shape at 2 GB is checked by hand:
// README.md).
inline fs::path writeEndless(const fs::path& path, const std::string& head = {})
{
    std::ofstream out(path, std::ios::binary);
    out << head;
    for (int megabytes = 0; megabytes < 64; ++megabytes)
        out << std::string(1u << 20, 'x');
    return path;
}

// Generated record `i` (CNMARC unless told), assembled byte by byte, not by the builder.
inline std::string generated(std::uint64_t i, support::RecordFormat format = {})
{
    support::GeneratedRecord record;
    support::RecordGenerator(7, format).make(i, record);
    return record.bytes;
}

inline std::string asLines(const std::vector<std::string>& records)
{
    std::string out;
    for (const std::string& r : records)
        out += r + "\r\n";
    return out;
}

// FF FE, the records in UTF-16LE each followed by 0x1D CR LF, then half a character.
inline std::string oddUtf16(const std::vector<std::string>& records)
{
    std::string bytes = "\xFF\xFE";
    for (const std::string& r : records)
        for (const char16_t c : Gbk::decode(r) + u"\x1D\r\n") {
            bytes.push_back(static_cast<char>(c & 0xFF));
            bytes.push_back(static_cast<char>(c >> 8));
        }
    return bytes + 'A';
}

} // namespace bibliora::hostile
