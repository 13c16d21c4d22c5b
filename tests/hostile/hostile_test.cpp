// The codec on hostile input: files that are no MARC file or that would exhaust memory, the
// builder's properties over generated records, and every input kept in fuzz/corpus/ replayed
// through the fuzz targets' own checks.
#include "chunkedreader.h"
#include "fuzzchecks.h"
#include "hostilefiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>

#include <sys/resource.h>

using namespace bibliora;
using namespace bibliora::hostile;
using namespace bibliora::support;
using Records = std::vector<MarcRecord>;
namespace fs = std::filesystem;

namespace {

// Whether the file was read to its end, and its records.
std::pair<bool, Records> readAll(const fs::path& path)
{
    Records records;
    const bool ok = readMarcFile(path, [&](MarcRecord&& r) { records.push_back(std::move(r)); });
    return {ok, records};
}

// The same by the reader that cuts the file into chunks for two workers.
std::pair<bool, Records> readChunked(const fs::path& path)
{
    ChunkedReader::Options options;
    options.threads = 2;
    ChunkedReader reader(options);
    Records records;
    if (!reader.open(path))
        return {false, records};
    RecordChunk chunk;
    while (reader.next(chunk) == ChunkedReader::Step::Chunk) {
        for (std::size_t i = 0; i < chunk.records.size(); ++i)
            records.emplace_back(chunk.record(i));
        reader.recycle(chunk);
    }
    return {!reader.failed(), records};
}

class HostileFiles : public ::testing::Test
{
protected:
    TempDir m_temp;
    const fs::path& m_dir = m_temp.path();
};

} // namespace

TEST_F(HostileFiles, AnEndlessRunIsNoRecordAndReadingItTakesLittleMemory)
{
    const fs::path path = writeEndless(m_dir / "endless.iso");
    // At most: the sequential reader's buffer grown to the record limit (16 MiB); a chunk
    // reader's worker growing its piece to that limit, the block it grows from beside the new
    // one, while the other worker holds its 4 MiB chunk. Either way far below the run.
    const std::pair<std::pair<bool, Records> (*)(const fs::path&), long> reads[] = {
        {readAll, 32 * 1024}, {readChunked, 48 * 1024}};
    for (const auto& [read, limitKiB] : reads) {
        std::ofstream("/proc/self/clear_refs") << "5"; // the peak resident size starts again
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        EXPECT_EQ(read(path), std::make_pair(true, Records{}));
        getrusage(RUSAGE_SELF, &after);
#ifndef BIBLIORA_NO_MEMORY_MEASURES
        EXPECT_LT(after.ru_maxrss - before.ru_maxrss, limitKiB) << "KiB more at the peak";
#else
        (void)limitKiB;
#endif
    }
    // Once a terminator ends it, the run is skipped through it and reading goes on.
    std::ofstream(path, std::ios::binary | std::ios::app) << "\x1D\r\n" << asLines({generated(0)});
    EXPECT_EQ(readAll(path), std::make_pair(true, Records{generated(0)}));
    EXPECT_EQ(readChunked(path), std::make_pair(true, Records{generated(0)}));
}

TEST_F(HostileFiles, FilesThatAreNoMarcFileAreReadWithoutHarm)
{
    // Random bytes and a picture: one record per terminator, each one the window can show.
    writeFile(m_dir / "random.iso", randomBytes(1u << 20, 0x52414E44));
    for (const fs::path& path : {m_dir / "random.iso", fs::path(BIBLIORA_PNG)}) {
        const std::string bytes = readBytes(path);
        const auto [ok, records] = readAll(path);
        EXPECT_TRUE(ok) << path;
        EXPECT_EQ(records.size(), std::size_t(std::count(bytes.begin(), bytes.end(), '\x1D')));
        // Whole and chunked reads agree, also behind FF FE.
        EXPECT_EQ(readerProblem(bytes, m_dir / "scratch"), "") << path;
        for (const MarcRecord& record : records)
            ASSERT_EQ(displayTextProblem(record), "") << path;
    }
    EXPECT_EQ(readAll(writeFile(m_dir / "empty.iso", "")), std::make_pair(true, Records{}));
    EXPECT_EQ(readAll(m_dir), std::make_pair(false, Records{}));
    EXPECT_EQ(readAll(m_dir / "empty.iso" / "record.iso"), std::make_pair(false, Records{}));
}

TEST_F(HostileFiles, RecordsOfOverAMegabyteAreDeliveredWhole)
{
    // As in real records that size, the leader says 99999, the directory runs past 100,000
    // bytes and the title's entry, after the others, covers only the first 9999 bytes (octal
    // escapes: \036 is the field terminator).
    std::string directory, title;
    while (directory.size() < 100000)
        directory += "300000100000";
    while (title.size() < (2u << 20))
        title += Gbk::encode(u"长篇题名测试");
    const std::string huge =
        "99999nam0 2299999   450 " + directory + "200999900000\0361 \037a" + title + "\036\035";
    const Records records = {generated(0), huge, generated(1)};
    EXPECT_TRUE(readAll(writeFile(m_dir / "huge.iso", asLines(records))).second == records);
    EXPECT_EQ(titleOf(huge).substr(0, 6), u"长篇题名测试");
}

TEST(Properties, GeneratedRecordsSaveWellFormedAndASecondSaveChangesNothing)
{
    for (const auto format : {RecordFormat::Cnmarc, RecordFormat::Marc21})
        for (std::uint64_t i = 0; i < 1500; ++i)
            ASSERT_EQ(stableSaveProblem(generated(i, format), Encoding::Gbk), "") << "record " << i;
}

TEST_F(HostileFiles, EveryKeptFuzzInputPassesItsTargetsChecks)
{
    const std::pair<const char*, std::function<std::string(std::string_view)>> targets[] = {
        {"reader", [&](std::string_view in) { return readerProblem(in, m_dir / "scratch"); }},
        {"lookup", lookupProblem},
        {"displaytext", displayTextProblem},
        {"builder", builderProblem},
        {"checker", checkerProblem},
        {"edit", editProblem},
        {"marcxml", marcXmlProblem},
        {"mrk", mrkProblem}};
    for (const auto& [name, check] : targets)
        for (const auto& entry : fs::directory_iterator(fs::path(BIBLIORA_FUZZ_CORPUS) / name))
            EXPECT_EQ(check(readBytes(entry.path())), "") << entry.path();
}
