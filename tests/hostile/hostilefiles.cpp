#include "hostilefiles.h"

#include "gbk.h"
#include "recordgen.h"

#include <array>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace bibliora::hostile {
namespace fs = std::filesystem;

std::uint64_t Noise::next()
{
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

void Noise::fill(std::string& out, std::size_t n)
{
    for (std::size_t i = 0; i < n; i += 8) {
        const std::uint64_t v = next();
        for (std::size_t k = 0; k < 8 && i + k < n; ++k)
            out.push_back(static_cast<char>(v >> (8 * k)));
    }
}

namespace {

constexpr char kFt = '\x1E';
constexpr char kRt = '\x1D';
constexpr char kSd = '\x1F';

std::uint32_t crc32(const std::string& bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void putBigEndian(std::string& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>(v >> shift));
}

void putChunk(std::string& png, const char* type, const std::string& data)
{
    putBigEndian(png, static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    png += typed;
    putBigEndian(png, crc32(typed));
}

// A 64 x 64 RGB picture of noise: the pixels are stored in one uncompressed deflate block,
// so no compression library is needed and every byte value turns up in the file.
std::string makePng()
{
    constexpr std::uint32_t side = 64;
    std::string raw;
    Noise noise(0x504E47);
    for (std::uint32_t y = 0; y < side; ++y) {
        raw.push_back('\0'); // filter: none
        noise.fill(raw, side * 3);
    }
    std::string zlib = "\x78\x01";
    zlib.push_back('\x01'); // the final block, stored
    const auto n = static_cast<std::uint16_t>(raw.size());
    zlib.push_back(static_cast<char>(n & 0xFF));
    zlib.push_back(static_cast<char>(n >> 8));
    zlib.push_back(static_cast<char>(~n & 0xFF));
    zlib.push_back(static_cast<char>((~n >> 8) & 0xFF));
    zlib += raw;
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    putBigEndian(zlib, b << 16 | a);

    std::string png = "\x89PNG\r\n\x1A\n";
    std::string header;
    putBigEndian(header, side);
    putBigEndian(header, side);
    header +=
        std::string("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, deflate, no filter, no interlace
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", zlib);
    putChunk(png, "IEND", {});
    return png;
}

// Writes `total` bytes of `fill` (one block repeated) without holding the file in memory.
void appendRepeated(std::ofstream& out, const std::string& block, std::uint64_t total)
{
    for (std::uint64_t left = total; left > 0;) {
        const auto n = static_cast<std::streamsize>(std::min<std::uint64_t>(left, block.size()));
        out.write(block.data(), n);
        left -= static_cast<std::uint64_t>(n);
    }
}

// 1 MB of text-like bytes: anything but LF and 0x1D.
std::string runBlock()
{
    std::string block;
    Noise noise(0x52554E);
    noise.fill(block, 1u << 20);
    for (char& c : block)
        if (c == '\n' || c == '\x1D')
            c = ' ';
    return block;
}

void ensureWritten(const std::ofstream& out, const fs::path& path)
{
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

} // namespace

bool HostileFiles::exists(const char* name, fs::path& path) const
{
    path = m_dir / name;
    std::error_code ec;
    return fs::exists(path, ec);
}

fs::path HostileFiles::write(const char* name, const std::string& bytes)
{
    fs::path path;
    if (exists(name, path))
        return path;
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    ensureWritten(out, path);
    return path;
}

std::string HostileFiles::readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::vector<std::string>& HostileFiles::goodRecords()
{
    if (m_good.empty()) {
        const bench::RecordGenerator generator(7, bench::RecordFormat::Cnmarc);
        bench::GeneratedRecord record;
        for (std::uint64_t i = 0; i < 3; ++i) {
            generator.make(i, record);
            m_good.push_back(record.bytes);
        }
    }
    return m_good;
}

fs::path HostileFiles::good()
{
    std::string bytes;
    for (const std::string& r : goodRecords())
        bytes += r + "\r\n";
    return write("good.iso", bytes);
}

fs::path HostileFiles::endless()
{
    fs::path path;
    if (exists("endless.iso", path))
        return path;
    std::ofstream out(path, std::ios::binary);
    appendRepeated(out, runBlock(), kEndlessBytes);
    out.close();
    ensureWritten(out, path);
    return path;
}

fs::path HostileFiles::endlessThenGood()
{
    fs::path path;
    if (exists("endless-then-good.iso", path))
        return path;
    std::ofstream out(path, std::ios::binary);
    const std::vector<std::string>& good = goodRecords();
    out << good[0] << "\r\n";
    appendRepeated(out, runBlock(), kLongRunBytes);
    out << "\x1D\r\n" << good[1] << "\r\n";
    out.close();
    ensureWritten(out, path);
    return path;
}

fs::path HostileFiles::tinyThenEndless()
{
    fs::path path;
    if (exists("tiny-then-endless.iso", path))
        return path;
    std::ofstream out(path, std::ios::binary);
    out << "x\x1D";
    appendRepeated(out, runBlock(), kEndlessBytes);
    out.close();
    ensureWritten(out, path);
    return path;
}

fs::path HostileFiles::random()
{
    std::string bytes;
    Noise(0x52414E44).fill(bytes, 1u << 20);
    return write("random.iso", bytes);
}

fs::path HostileFiles::png()
{
    return write("picture.png", makePng());
}

fs::path HostileFiles::empty()
{
    return write("empty.iso", {});
}

fs::path HostileFiles::folder()
{
    const fs::path path = m_dir / "folder.iso";
    fs::create_directories(path);
    return path;
}

fs::path HostileFiles::throughFile()
{
    return empty() / "record.iso";
}

std::vector<std::string> HostileFiles::oddUtf16Records()
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < 2; ++i)
        out.push_back(goodRecords()[i].substr(0, goodRecords()[i].size() - 1));
    return out;
}

fs::path HostileFiles::oddUtf16()
{
    std::string bytes = "\xFF\xFE";
    const auto put = [&](char16_t c) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    };
    for (const std::string& r : oddUtf16Records()) {
        for (char16_t c : Gbk::decode(r))
            put(c);
        for (char16_t c : u"\x1D\r\n")
            if (c)
                put(c);
    }
    bytes.push_back('\x41'); // half a character
    return write("odd-length.txt", bytes);
}

const std::string& HostileFiles::hugeRecordBytes()
{
    if (m_huge.empty()) {
        // Real records of over a megabyte exist. Their leader says 99999 and their directory
        // cannot describe them: this one has a single entry, for its first 9999 bytes.
        std::string title;
        const std::u16string words = u"长篇题名测试";
        while (title.size() < kHugeRecordBytes - 64)
            title += Gbk::encode(words);
        const std::string leaderAndDirectory = "99999nam0 2299999   450 200999900000";
        m_huge = leaderAndDirectory + kFt + "1 " + kSd + "a" + title + kFt + kRt;
    }
    return m_huge;
}

fs::path HostileFiles::hugeRecord()
{
    const std::vector<std::string>& good = goodRecords();
    return write("huge-record.iso",
                 good[0] + "\r\n" + hugeRecordBytes() + "\r\n" + good[2] + "\r\n");
}

std::vector<std::string> HostileFiles::expectedRecords(const std::string& bytes)
{
    std::vector<std::string> records;
    std::string current;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\x1D') {
            const std::size_t lead = current.find_first_not_of(' ');
            records.push_back((lead == std::string::npos ? std::string() : current.substr(lead)) +
                              c);
            current.clear();
        } else if (c == '\n') {
            if (!current.empty() && current.back() == '\r') {
                current.back() = ' ';
                current.push_back(' ');
            } else {
                current.push_back(' ');
            }
        } else {
            current.push_back(c);
        }
    }
    return records;
}

} // namespace bibliora::hostile
