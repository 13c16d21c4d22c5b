#pragma once

// Helpers shared by the codec tests: records assembled by hand, GBK bytes, temporary folders.

#include "codec.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace bibliora::test {

// Field text as written in a test: "$" stands for the subfield delimiter 0x1F.
inline std::u16string sub(std::u16string_view text)
{
    std::u16string out(text);
    for (char16_t& c : out)
        if (c == u'$')
            c = u'\x1F';
    return out;
}

inline std::string gbk(std::u16string_view text)
{
    return Gbk::encode(text);
}

struct FieldSpec
{
    std::string tag;
    std::u16string data; // without its field terminator; "$" is the subfield delimiter
};

// A leader whose record length and base address are nonsense: readers must never use them.
inline const std::string kOddLeader = "99999nam0 2299999   450 ";

// An ISO 2709 record made by hand: the directory counts GBK bytes, every field ends in 0x1E,
// the record in 0x1D.
inline MarcRecord assemble(const std::vector<FieldSpec>& fields,
                           const std::string& leader = kOddLeader)
{
    std::string directory;
    std::string data;
    for (const FieldSpec& f : fields) {
        const std::string bytes = gbk(sub(f.data)) + '\x1E';
        char entry[16];
        std::snprintf(entry, sizeof entry, "%.3s%04zu%05zu", f.tag.c_str(), bytes.size(),
                      data.size());
        directory += entry;
        data += bytes;
    }
    return leader + directory + '\x1E' + data + '\x1D';
}

inline std::vector<MarcRecord> readAll(std::string_view bytes, const ReadOptions& options = {})
{
    std::vector<MarcRecord> records;
    readMarcBytes(
        bytes, [&](MarcRecord&& r) { records.push_back(std::move(r)); }, options);
    return records;
}

inline std::string utf16File(std::u16string_view text)
{
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

// A folder of its own for one test, removed with everything in it afterwards.
class TempDir
{
public:
    TempDir()
    {
        static std::atomic<unsigned> counter{0};
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            m_path = base / ("bibliora-codec-" + std::to_string(random()) + "-" +
                             std::to_string(counter++));
            if (std::filesystem::create_directory(m_path))
                break;
        }
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::filesystem::path write(const std::string& name, std::string_view bytes) const
    {
        const std::filesystem::path file = m_path / name;
        std::ofstream out(file, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file;
    }

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace bibliora::test
