#pragma once

// Synthetic catalogue records for samples, benchmarks and tests, assembled by the ISO 2709
// assembler and never through the codec's builder, so the codec can be checked against them.

#include <cstdint>
#include <string>

namespace bibliora::support {

enum class RecordFormat
{
    Cnmarc, // 200 $a title, 010 $a ISBN or 011 $a ISSN
    Marc21, // 245 $a title, 020 $a ISBN
};

struct GeneratedRecord
{
    std::string bytes;   // the record in code page 936, ending with 0x1D
    std::u16string text; // the same characters as UTF-16 (filled only when asked for)
};

class RecordGenerator
{
public:
    RecordGenerator(std::uint64_t seed, RecordFormat format);

    // Record `index` (0-based). The same seed, format and index always give the same record,
    // whatever else was generated before, so a smaller file is a prefix of a larger one.
    void make(std::uint64_t index, GeneratedRecord& out, bool withText = false) const;

private:
    std::uint64_t m_seed;
    RecordFormat m_format;
};

} // namespace bibliora::support
