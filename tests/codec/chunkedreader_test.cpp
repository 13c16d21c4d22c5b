#include "chunkedreader.h"
#include "encodingvote.h"
#include "reader.h"
#include "recordgen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

using namespace bibliora;

namespace {

struct Read
{
    std::vector<std::string> records;
    std::vector<Encoding> encodings;
    bool operator==(const Read& o) const
    {
        return records == o.records && encodings == o.encodings;
    }
};

Read sequential(std::string_view bytes, const ReadOptions& options = {})
{
    Read read;
    EncodingVote vote;
    readMarcBytes(
        bytes,
        [&](MarcRecord&& record) {
            read.encodings.push_back(vote.next(record));
            read.records.push_back(std::move(record));
        },
        options);
    return read;
}

Read chunked(std::string_view bytes, std::size_t chunkBytes, unsigned threads,
             const ReadOptions& options = {})
{
    ChunkedReader::Options o;
    o.threads = threads;
    o.chunkBytes = chunkBytes;
    o.read = options;
    ChunkedReader reader(o);
    reader.openBytes(bytes);
    Read read;
    RecordChunk chunk;
    std::uint64_t index = 0;
    while (reader.next(chunk) == ChunkedReader::Step::Chunk) {
        EXPECT_EQ(chunk.index, index++);
        for (std::size_t i = 0; i < chunk.records.size(); ++i) {
            read.records.emplace_back(chunk.record(i));
            read.encodings.push_back(chunk.records[i].encoding);
        }
    }
    EXPECT_EQ(reader.position(), bytes.size());
    return read;
}

std::string fileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string generated(std::size_t count, std::string_view between)
{
    const support::RecordGenerator gen(7, support::RecordFormat::Cnmarc);
    support::GeneratedRecord r;
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i) {
        gen.make(i, r);
        bytes += r.bytes;
        bytes += between;
    }
    return bytes;
}

// Every chunk size from 1 byte up cuts the input at every position, around every terminator.
void expectSameAtEveryChunkSize(const std::string& bytes, std::size_t upTo,
                                const ReadOptions& options = {})
{
    const Read expected = sequential(bytes, options);
    for (std::size_t size = 1; size <= upTo; ++size)
        ASSERT_EQ(chunked(bytes, size, 1 + size % 3, options), expected) << "chunks of " << size;
}

} // namespace

TEST(ChunkedReader, GivesTheSequentialRecordsAndEncodingsAtEveryChunkSize)
{
    // Back to back, one a line (CR LF and LF), with blank lines and blanks between records,
    // line breaks inside a record, and bytes after the last terminator.
    const std::string lines = generated(6, "\r\n");
    std::string mixed = generated(3, "\n\n  ");
    mixed.insert(100, "\r\n");
    mixed.insert(300, "\n");
    mixed += "\x1D\x1D  \r\n\x1D trailing";
    for (const std::string& bytes : {generated(6, ""), lines, mixed})
        expectSameAtEveryChunkSize(bytes, 700);
}

TEST(ChunkedReader, ReadsUtf16AtCodeUnitBoundariesOnly)
{
    // Each record's bytes as UTF-16LE (ASCII and GBK pairs both become one unit each here,
    // which is all the cut needs), with CR LF after each terminator; a 0x1D byte at an odd
    // offset (the high byte of U+1D41) must not cut.
    std::string bytes = "\xFF\xFE";
    for (const char c : generated(4, "\r\n") + "A\x1D")
        bytes += std::string{c, '\0'};
    bytes += std::string("\x41\x1D\x1D\x00", 4);
    bytes += std::string("x", 1); // an odd byte at the end
    expectSameAtEveryChunkSize(bytes, 300);
}

TEST(ChunkedReader, SkipsRunsTooLongToBeRecordsAsTheReaderDoes)
{
    ReadOptions options;
    options.maxRecordBytes = 64;
    const std::string record = generated(1, "");
    // Runs just under, at and over the limit, with and without leading line breaks, which
    // leave nothing in a record; a run without any terminator at the end.
    std::string bytes = record;
    for (const std::size_t n : {62u, 63u, 64u, 65u, 200u}) {
        bytes += std::string(n, 'x') + "\x1D";
        bytes += "\r\n\n\r\n" + std::string(n, 'y') + "\x1D";
        bytes += std::string(n, '\n') + "z\x1D";
    }
    bytes += std::string(1000, 'w');
    const Read expected = sequential(bytes, options);
    ASSERT_GE(expected.records.size(), 8u);
    for (std::size_t size = 1; size <= 140; ++size)
        ASSERT_EQ(chunked(bytes, size, 2, options), expected) << "chunks of " << size;

    std::string utf16 = "\xFF\xFE";
    for (const char c : bytes)
        utf16 += std::string{c, '\0'};
    const Read expected16 = sequential(utf16, options);
    for (std::size_t size = 1; size <= 140; ++size)
        ASSERT_EQ(chunked(utf16, size, 2, options), expected16) << "chunks of " << size;
}

TEST(ChunkedReader, ReadsEverySampleAndRealFileAsTheReaderDoes)
{
    std::size_t files = 0;
    for (const std::filesystem::path folder :
         {BIBLIORA_SAMPLES, BIBLIORA_REAL_SAMPLES, BIBLIORA_FUZZ_CORPUS}) {
        if (!std::filesystem::is_directory(folder))
            continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.path().extension() == ".md")
                continue;
            const std::string bytes = fileBytes(entry.path());
            const Read expected = sequential(bytes);
            // Small chunks only on small files: every chunk is a hand-over between threads.
            for (const std::size_t size :
                 {std::size_t(61), std::size_t(4096), std::size_t(1) << 20})
                if (size > 100 || bytes.size() < (64u << 10)) {
                    ASSERT_EQ(chunked(bytes, size, 3), expected)
                        << entry.path() << " chunks of " << size;
                }
            ++files;
        }
    }
    if (files < 10)
        GTEST_SKIP() << "no sample folders";
}

TEST(ChunkedReader, ReadsFilesAndRunsTheWorkOnTheWorkers)
{
    const std::string bytes = generated(2000, "\r\n");
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "bibliora-chunked-reader-test.iso";
    std::ofstream(path, std::ios::binary) << bytes;
    ChunkedReader::Options options;
    options.chunkBytes = 16 << 10;
    options.threads = 4;
    {
        ChunkedReader reader(options,
                             [](RecordChunk& chunk) { chunk.extra = chunk.records.size(); });
        ASSERT_TRUE(reader.open(path));
        std::size_t records = 0;
        RecordChunk chunk;
        while (reader.next(chunk) == ChunkedReader::Step::Chunk) {
            ASSERT_EQ(std::any_cast<std::size_t>(chunk.extra), chunk.records.size());
            records += chunk.records.size();
        }
        EXPECT_EQ(records, 2000u);
        EXPECT_FALSE(reader.failed());
        EXPECT_EQ(reader.position(), bytes.size());
    } // closed first: Windows removes no file that is open
    std::filesystem::remove(path);

    EXPECT_FALSE(ChunkedReader(options).open(std::filesystem::temp_directory_path()));
}

TEST(ChunkedReader, PassesOnWhatTheWorkThrowsAndStopsWhenDestroyed)
{
    const std::string bytes = generated(500, "");
    ChunkedReader::Options options;
    options.chunkBytes = 1024;
    options.threads = 2;
    ChunkedReader failing(options, [](RecordChunk& chunk) {
        if (chunk.index == 3)
            throw std::runtime_error("work failed");
    });
    failing.openBytes(bytes);
    RecordChunk chunk;
    EXPECT_THROW(while (failing.next(chunk) == ChunkedReader::Step::Chunk){}, std::runtime_error);

    // Destroyed with chunks made and not taken, and workers waiting for room.
    std::atomic<int> made{0};
    {
        ChunkedReader reader(options, [&](RecordChunk&) { ++made; });
        reader.openBytes(bytes);
        ASSERT_EQ(reader.next(chunk), ChunkedReader::Step::Chunk);
    }
    EXPECT_GE(made.load(), 1);
}
