// The reader on files that are no MARC file at all, or that try to exhaust memory: each is
// read to its end, delivers what its record terminators delimit, and memory stays bounded by
// a constant plus the longest run the reader accepts as a record.
#include "codec.h"
#include "hostilefiles.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include <sys/resource.h>

using namespace bibliora;
using namespace bibliora::hostile;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

constexpr long kMiB = 1024; // ru_maxrss counts KiB

struct ReadOutcome
{
    bool ok = false;
    std::vector<MarcRecord> records;
    std::size_t largest = 0;
};

ReadOutcome readAll(const std::filesystem::path& path, const ReadOptions& options = {})
{
    ReadOutcome out;
    out.ok = readMarcFile(
        path,
        [&](MarcRecord&& r) {
            out.largest = std::max(out.largest, r.size());
            out.records.push_back(std::move(r));
        },
        options);
    return out;
}

// Counts records and keeps none, so that only the reader's own memory shows in the peak.
struct CountingSink
{
    std::size_t count = 0;
    std::size_t largest = 0;
    void operator()(MarcRecord&& r)
    {
        ++count;
        largest = std::max(largest, r.size());
    }
};

// The process's peak resident size in KiB since the last resetPeak().
long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Linux lets a process reset its peak to its present size; elsewhere the earlier peak stays,
// which can only make the growth measured smaller than it was.
void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

class HostileReader : public ::testing::Test
{
protected:
    TempFolder m_folder;
    HostileFiles m_files{m_folder.path()};
};

} // namespace

TEST_F(HostileReader, AFileWithNoBreakAndNoTerminatorYieldsNothing)
{
    const std::filesystem::path path = m_files.endless();
    ASSERT_EQ(std::filesystem::file_size(path), kEndlessBytes);
    CountingSink sink;
    EXPECT_TRUE(readMarcFile(path, std::ref(sink)));
    EXPECT_EQ(sink.count, 0u);
    // A smaller limit changes nothing but the memory used.
    ReadOptions small;
    small.maxRecordBytes = 1u << 20;
    EXPECT_TRUE(readMarcFile(path, std::ref(sink), small));
    EXPECT_EQ(sink.count, 0u);
}

TEST_F(HostileReader, PeakMemoryStaysFarBelowTheFileSize)
{
    if (kAddressSanitizer)
        GTEST_SKIP()
            << "AddressSanitizer keeps freed memory in quarantine: resident size says nothing";
    const std::filesystem::path path = m_files.endless();
    const long fileKiB = static_cast<long>(kEndlessBytes / 1024);

    // With the default limit the reader holds at most one 16 MB run (and a copy while it grows).
    resetPeak();
    long before = peakKiB();
    CountingSink sink;
    ASSERT_TRUE(readMarcFile(path, std::ref(sink)));
    const long growth = peakKiB() - before;
    EXPECT_LT(growth, 32 * kMiB) << "peak grew by " << growth << " KiB on a " << fileKiB
                                 << " KiB file";

    // The bound follows the limit, not the file: a 1 MB limit keeps it to a few megabytes.
    ReadOptions small;
    small.maxRecordBytes = 1u << 20;
    resetPeak();
    before = peakKiB();
    ASSERT_TRUE(readMarcFile(path, std::ref(sink), small));
    const long smallGrowth = peakKiB() - before;
    EXPECT_LT(smallGrowth, 6 * kMiB) << "peak grew by " << smallGrowth << " KiB with a 1 MB limit";
    EXPECT_EQ(sink.count, 0u);
}

TEST_F(HostileReader, ARunLongerThanTheLimitIsSkippedThroughItsTerminator)
{
    const ReadOutcome read = readAll(m_files.endlessThenGood());
    EXPECT_TRUE(read.ok);
    const std::vector<std::string>& good = m_files.goodRecords();
    EXPECT_EQ(read.records, (std::vector<MarcRecord>{good[0], good[1]}));
    EXPECT_LE(read.largest, kMaxRecordBytes);

    // A smaller limit skips each record that is too long and keeps the others.
    ReadOptions tight;
    tight.maxRecordBytes = good[1].size() - 1;
    std::vector<MarcRecord> fitting;
    std::copy_if(good.begin(), good.end(), std::back_inserter(fitting),
                 [&](const std::string& r) { return r.size() <= tight.maxRecordBytes; });
    ASSERT_LT(fitting.size(), good.size());
    EXPECT_EQ(readAll(m_files.good(), tight).records, fitting);
}

TEST_F(HostileReader, RandomBytesAndPicturesAreCutAtEveryTerminator)
{
    for (const std::filesystem::path& path : {m_files.random(), m_files.png()}) {
        SCOPED_TRACE(path.filename().string());
        const std::string bytes = HostileFiles::readBytes(path);
        const ReadOutcome read = readAll(path);
        EXPECT_TRUE(read.ok);
        const std::vector<std::string> expected = HostileFiles::expectedRecords(bytes);
        EXPECT_GT(expected.size(), 0u);
        EXPECT_EQ(read.records, expected);
        // Whatever came out, the list and the display can take it.
        for (const MarcRecord& r : read.records) {
            const RowTexts row = rowTextsFor(1, r);
            EXPECT_LE(row.title.size(), r.size());
            EXPECT_EQ(formatRecordText(r).compare(0, 7, u"HEA    "), 0);
        }
    }
}

TEST_F(HostileReader, EmptyFilesFoldersAndPathsThroughAFileDeliverNothing)
{
    const ReadOutcome empty = readAll(m_files.empty());
    EXPECT_TRUE(empty.ok);
    EXPECT_TRUE(empty.records.empty());
    for (const std::filesystem::path& path :
         {m_files.folder(), m_files.throughFile(), m_folder.path() / "missing.iso"}) {
        SCOPED_TRACE(path.string());
        const ReadOutcome read = readAll(path);
        EXPECT_FALSE(read.ok);
        EXPECT_TRUE(read.records.empty());
    }
}

TEST_F(HostileReader, AnOddLengthUtf16FileLosesOnlyItsStrayByte)
{
    const std::filesystem::path path = m_files.oddUtf16();
    ASSERT_EQ(std::filesystem::file_size(path) % 2, 1u);
    const ReadOutcome read = readAll(path);
    EXPECT_TRUE(read.ok);
    EXPECT_EQ(read.records, m_files.oddUtf16Records());
    // Chunked reading splits characters between reads: the same records.
    ReadOptions chunked;
    chunked.bufferBytes = 5;
    EXPECT_EQ(readAll(path, chunked).records, m_files.oddUtf16Records());
}

TEST_F(HostileReader, RecordsOverAMegabyteStillLoad)
{
    const ReadOutcome read = readAll(m_files.hugeRecord());
    ASSERT_EQ(read.records.size(), 3u);
    EXPECT_EQ(read.records[1], m_files.hugeRecordBytes());
    EXPECT_EQ(titleOf(read.records[1]).substr(0, 6), u"长篇题名测试");
    EXPECT_EQ(read.records[2], m_files.goodRecords()[2]);
}

TEST(HostileRealFiles, TheRealRecordOfOverAMegabyteLoads)
{
    const std::filesystem::path path =
        std::filesystem::path(BIBLIORA_REAL_SAMPLES) / "bad_marc21_marc4j_bad_hathi_records.mrc";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << path << " is not there";
    const std::string bytes = HostileFiles::readBytes(path);
    const ReadOutcome read = readAll(path);
    EXPECT_TRUE(read.ok);
    ASSERT_EQ(read.records.size(), 5u);
    // The file is records back to back: each is the bytes up to and including its terminator.
    std::size_t offset = 0;
    for (const MarcRecord& r : read.records) {
        EXPECT_EQ(r, bytes.substr(offset, r.size()));
        offset += r.size();
    }
    EXPECT_EQ(read.records[3].size(), 1096887u);
    EXPECT_FALSE(titleOf(read.records[3]).empty());
}
