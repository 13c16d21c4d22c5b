#pragma once

// Helpers shared by the codec and command-line tests: records written by hand, UTF-16 files,
// a temporary folder.

#include "codec.h"
#include "isoassembler.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace bibliora::test {

// Input and expected output of one case of a table-driven test.
using TextCases = std::vector<std::pair<std::u16string, std::u16string>>;

// GBK bytes of a test text in which "$" stands for the subfield delimiter, "^" for the field
// terminator and "%" for the record terminator.
inline std::string gbk(std::u16string text)
{
    for (char16_t& c : text)
        c = c == u'$' ? u'\x1F' : c == u'^' ? u'\x1E' : c == u'%' ? u'\x1D' : c;
    return Gbk::encode(text);
}

// A well-formed record of {tag, data} fields, data written as for gbk(). Its leader holds a
// nonsense record length and base address, which readers must never use.
inline MarcRecord assemble(const std::vector<std::pair<std::string, std::u16string>>& fields)
{
    std::vector<support::IsoField> isoFields;
    for (const auto& [tag, text] : fields)
        isoFields.push_back({tag, gbk(text)});
    return support::assembleIso("99999nam0 2299999   450 ", isoFields,
                                support::LeaderLengths::AsGiven);
}

// A UTF-16LE file with its byte-order mark.
inline std::string utf16File(std::u16string_view text)
{
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text)
        bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return bytes;
}

// A folder of its own for one test, removed with its contents afterwards.
struct TempDir
{
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("bibliora-test-" + std::to_string(std::random_device()()));
    TempDir() { std::filesystem::create_directories(path); }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path write(const std::string& name, std::string_view bytes) const
    {
        std::ofstream(path / name, std::ios::binary)
            .write(bytes.data(), std::streamsize(bytes.size()));
        return path / name;
    }
};

} // namespace bibliora::test
