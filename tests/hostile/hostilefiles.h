#pragma once

// Files nobody should feed a MARC reader, made on demand in a folder the caller owns (a
// temporary one): each is written the first time it is asked for. Shared by the codec tests
// and the window tests.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace bibliora::hostile {

// The size of the file with no line break and no record terminator (the same shape at 2 GB
// is checked by hand: tests/hostile/README.md).
inline constexpr std::uint64_t kEndlessBytes = 64ull << 20;
// A run of this many bytes without a terminator, between two good records.
inline constexpr std::uint64_t kLongRunBytes = 20ull << 20;
// The size of the generated record that is far larger than any directory can describe.
inline constexpr std::size_t kHugeRecordBytes = 2u << 20;

// splitmix64: the same bytes on every platform and run.
class Noise
{
public:
    explicit Noise(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next();
    void fill(std::string& out, std::size_t n); // appends n bytes

private:
    std::uint64_t m_state;
};

class HostileFiles
{
public:
    explicit HostileFiles(std::filesystem::path dir) : m_dir(std::move(dir)) {}

    // Three ordinary CNMARC records, one per line (each ends with 0x1D, then CR LF).
    std::filesystem::path good();
    const std::vector<std::string>& goodRecords();

    std::filesystem::path endless(); // kEndlessBytes, no LF, no 0x1D
    std::filesystem::path
    endlessThenGood(); // good record 1, a kLongRunBytes run ending in 0x1D, good record 2
    std::filesystem::path
    tinyThenEndless(); // a record of two bytes ("x", 0x1D), then kEndlessBytes as endless()
    std::filesystem::path random();      // 1 MB of random bytes
    std::filesystem::path png();         // a 64 x 64 noise picture, a valid PNG
    std::filesystem::path empty();       // 0 bytes
    std::filesystem::path folder();      // a folder (named like a MARC file)
    std::filesystem::path throughFile(); // a path whose parent is a regular file
    std::filesystem::path oddUtf16();    // FF FE, two records, then one stray byte
    std::filesystem::path hugeRecord();  // a good record, one of kHugeRecordBytes, a good record

    // What the reader must deliver for random() and png(): every 0x1D ends a record; line
    // breaks inside become blanks (CR LF two, LF one) and leading blanks go.
    static std::vector<std::string> expectedRecords(const std::string& bytes);
    // The UTF-16 file's records as the reader delivers them: GBK, without terminators.
    std::vector<std::string> oddUtf16Records();
    // The big one of hugeRecord(), with its terminator.
    const std::string& hugeRecordBytes();

    static std::string readBytes(const std::filesystem::path& path);

private:
    std::filesystem::path write(const char* name, const std::string& bytes);
    bool exists(const char* name, std::filesystem::path& path) const;

    std::filesystem::path m_dir;
    std::vector<std::string> m_good;
    std::string m_huge;
};

} // namespace bibliora::hostile
