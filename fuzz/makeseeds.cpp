// Writes seed inputs for the fuzz targets from MARC files: each file whole for the reader and
// the checker, and each of its first records for the look-up and display targets, its display
// text (as UTF-8 and as UTF-16) for the builder, a few searches and changes over it for the
// edit target, and those records as MARCXML and as MARC text for their readers. File names are
// content hashes, so running it again over the same files adds nothing.
//
//   bibliora-fuzz-seeds OUTDIR FILE...
#include "codec.h"
#include "marcxmlwriter.h"
#include "mrkwriter.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <string>

using namespace bibliora;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kRecordsPerFile = 40;
constexpr std::size_t kMaxSeedBytes = 64 * 1024;
constexpr std::size_t kTextSeedBytes = 12 * 1024;

void writeSeed(const fs::path& dir, const std::string& bytes)
{
    if (bytes.empty() || bytes.size() > kMaxSeedBytes)
        return;
    fs::create_directories(dir);
    char name[32];
    std::snprintf(name, sizeof name, "seed-%016zx", std::hash<std::string>{}(bytes));
    std::ofstream(dir / name, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::cerr << "usage: bibliora-fuzz-seeds OUTDIR FILE...\n";
        return 2;
    }
    const fs::path out = argv[1];
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        const std::string whole((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        writeSeed(out / "reader", whole.substr(0, kMaxSeedBytes));
        // The checker: rules and encodings as the file's reading decides them (mode 0).
        writeSeed(out / "checker", std::string(1, '\0') + whole.substr(0, kMaxSeedBytes - 1));
        std::size_t n = 0;
        formats::MarcXmlWriter xml;
        formats::MrkWriter mrk;
        std::string xmlText, mrkText;
        xml.begin(xmlText);
        mrk.begin(mrkText);
        readMarcFile(argv[i], [&](MarcRecord&& r) {
            if (n++ >= kRecordsPerFile)
                return;
            // As many records as the runs' input limit (16 KB) leaves whole.
            if (xmlText.size() < kTextSeedBytes)
                xml.write(xmlText, std::int64_t(n), r, detectEncoding(r));
            if (mrkText.size() < kTextSeedBytes)
                mrk.write(mrkText, std::int64_t(n), r, detectEncoding(r));
            writeSeed(out / "lookup", "\xC0" + r); // 0xC0: the title look-up
            writeSeed(out / "displaytext", r);
            const std::u16string text = formatRecordText(r) + u"\r\n";
            writeSeed(out / "builder", '\0' + Gbk::toUtf8(text));
            std::string utf16 = "\x01";
            for (char16_t c : text) {
                utf16.push_back(static_cast<char>(c & 0xFF));
                utf16.push_back(static_cast<char>(c >> 8));
            }
            writeSeed(out / "builder", utf16);
            // Mode, scope or tag, expression, replacement or line (see editProblem).
            for (const std::string& edit :
                 {std::string("\x00\x00\x03\xE7\x9A\x84\x03\xE4\xB9\x8B", 10),
                  std::string("\x06\x02\x0C\\p{Han}(\\d+)\x04<$1>", 20),
                  std::string("\x10\x00\x01x\x0C"
                              "905 __ \xE2\x96\xA0"
                              "aX",
                              17),
                  std::string("\x20\x18\x01x\x00", 5),
                  std::string("\x31\x00\x01"
                              "a\x02"
                              "1_",
                              7)})
                writeSeed(out / "edit", edit + r);
        });
        xml.end(xmlText);
        writeSeed(out / "marcxml", xmlText);
        writeSeed(out / "mrk", mrkText);
    }
    return 0;
}
