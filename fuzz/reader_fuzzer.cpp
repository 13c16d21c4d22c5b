// The file reader over arbitrary bytes, on both paths: the bytes as given (code page 936
// unless they start FF FE) and the same bytes behind FF FE (UTF-16LE). Each is read whole
// from memory and again from a file in chunks of 4 to 11 bytes, with the default run limit
// and with a limit of a few dozen bytes; the chunked reads must deliver the same records, and
// every record must be what that path can deliver.
#include "fuzzsupport.h"

#include <sys/mman.h>
#include <unistd.h>
#include <vector>

using namespace bibliora;
using namespace bibliora::fuzz;

namespace {

using Records = std::vector<MarcRecord>;

// One in-memory file for the whole run, rewritten for each input.
const std::string& memoryFile()
{
    static const std::string path = [] {
        const int fd = memfd_create("bibliora-fuzz", 0);
        if (fd < 0)
            fail("memfd_create");
        return "/proc/self/fd/" + std::to_string(fd);
    }();
    return path;
}

void writeMemoryFile(std::string_view bytes)
{
    const int fd = std::stoi(memoryFile().substr(std::string("/proc/self/fd/").size()));
    if (ftruncate(fd, 0) != 0 || lseek(fd, 0, SEEK_SET) != 0)
        fail("ftruncate");
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n <= 0)
            fail("write");
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void checkRecords(const Records& records, bool utf16, std::size_t limit)
{
    for (const MarcRecord& r : records) {
        require(r.size() <= limit, "record longer than the run limit",
                std::to_string(r.size()) + " > " + std::to_string(limit));
        if (utf16) {
            // Encoded from text cut at U+001D: the terminator cannot come back as a byte.
            require(r.find(kRecordTerminator) == std::string::npos, "UTF-16 record holds 0x1D");
            continue;
        }
        require(!r.empty(), "empty record from code page 936");
        require(r.back() == kRecordTerminator && r.find(kRecordTerminator) == r.size() - 1,
                "code page 936 record does not end at its only terminator");
        require(r.find('\n') == std::string::npos, "code page 936 record holds a line break");
        require(r.front() != ' ', "code page 936 record keeps a leading blank");
    }
}

void readBothWays(std::string_view bytes, std::size_t limit, std::size_t chunk)
{
    const bool utf16 = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                       static_cast<unsigned char>(bytes[1]) == 0xFE;
    ReadOptions options;
    options.maxRecordBytes = limit;
    Records whole;
    readMarcBytes(
        bytes, [&](MarcRecord&& r) { whole.push_back(std::move(r)); }, options);
    checkRecords(whole, utf16, limit);

    writeMemoryFile(bytes);
    options.bufferBytes = chunk;
    Records chunked;
    const bool ok = readMarcFile(
        memoryFile(), [&](MarcRecord&& r) { chunked.push_back(std::move(r)); }, options);
    require(ok, "readMarcFile failed on a readable file");
    require(chunked == whole, "chunked read differs from the whole read",
            std::to_string(chunked.size()) + " vs " + std::to_string(whole.size()) + " records");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes = asBytes(data, size);
    const std::size_t chunk = 4 + (size ? data[size - 1] % 8 : 0);
    const std::size_t small = 16 + (size ? data[size / 2] % 48 : 0);
    readBothWays(bytes, kMaxRecordBytes, chunk);
    readBothWays(bytes, small, chunk);
    std::string utf16 = "\xFF\xFE";
    utf16 += bytes;
    readBothWays(utf16, kMaxRecordBytes, chunk);
    readBothWays(utf16, small, chunk);
    return 0;
}
