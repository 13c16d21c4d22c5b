// Export onto targets that fail, at once or part-way, and the property that a record read
// whole from one line of a code page 936 file and not edited is written back byte for byte.
#include "codec.h"
#include "exporter.h"
#include "filesizelimit.h"
#include "hostilefiles.h"
#include "openfiles.h"
#include "recordgen.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace bibliora;
using namespace bibliora::hostile;
namespace fs = std::filesystem;

namespace {

QString toQ(const fs::path& path)
{
    return QString::fromStdString(path.string());
}

std::string utf8(const QString& text)
{
    return text.toStdString();
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<RecordRow> rowsOf(const fs::path& path)
{
    std::vector<RecordRow> rows;
    readMarcFile(path, [&](MarcRecord&& r) {
        RecordRow row;
        row.sequence = static_cast<std::int64_t>(rows.size()) + 1;
        row.record = std::move(r);
        rows.push_back(std::move(row));
    });
    return rows;
}

// `count` generated CNMARC records, one per line, as the export writes them.
std::string recordLines(std::uint64_t count, std::uint64_t seed = 11)
{
    const bench::RecordGenerator generator(seed, bench::RecordFormat::Cnmarc);
    bench::GeneratedRecord record;
    std::string lines;
    for (std::uint64_t i = 0; i < count; ++i) {
        generator.make(i, record);
        lines += record.bytes + "\r\n";
    }
    return lines;
}

class ExportFailures : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_lines = recordLines(200);
        writeFile(m_folder.path() / "in.iso", m_lines);
        m_rows = rowsOf(m_folder.path() / "in.iso");
        ASSERT_EQ(m_rows.size(), 200u);
        // The check for open files sees one that is open.
        std::ofstream probe(m_folder.path() / "probe");
        ASSERT_TRUE(processHoldsOpen(m_folder.path() / "probe"));
    }

    void expectFailure(const Exporter::Result& result, const fs::path& target,
                       const QString& reason)
    {
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.error.contains(toQ(target))) << utf8(result.error);
        EXPECT_TRUE(result.error.contains(reason)) << utf8(result.error);
        EXPECT_FALSE(processHoldsOpen(target)) << target << " was left open";
    }

    TempFolder m_folder;
    std::string m_lines;
    std::vector<RecordRow> m_rows;
};

} // namespace

TEST(ExportProperties, ARecordReadWholeFromOneLineIsExportedByteForByte)
{
    TempFolder folder;
    // Generated records of both formats, and lines of arbitrary bytes that are records only
    // in the reader's sense: invalid GBK, control bytes, a lone terminator.
    std::string lines = recordLines(2000);
    const bench::RecordGenerator marc21(5, bench::RecordFormat::Marc21);
    bench::GeneratedRecord record;
    for (std::uint64_t i = 0; i < 500; ++i) {
        marc21.make(i, record);
        lines += record.bytes + "\r\n";
    }
    Noise noise(0xB17E);
    for (int i = 0; i < 300; ++i) {
        std::string junk;
        noise.fill(junk, static_cast<std::size_t>(noise.next() % 3000));
        for (char& c : junk)
            if (c == '\r' || c == '\n' || c == '\x1D')
                c = '\x1F';
        if (!junk.empty() && junk.front() == ' ')
            junk.front() = '#';
        lines += junk + "\x1D\r\n";
    }
    const fs::path in = folder.path() / "in.iso";
    writeFile(in, lines);
    std::vector<RecordRow> rows = rowsOf(in);
    ASSERT_EQ(rows.size(), 2800u);

    const fs::path all = folder.path() / "all.iso";
    const Exporter::Result result = Exporter::appendRecords(toQ(all), rows, false);
    ASSERT_TRUE(result.ok) << utf8(result.error);
    EXPECT_EQ(result.written, 2800);
    EXPECT_TRUE(HostileFiles::readBytes(all) == lines) << "the export differs from the file read";

    // Only the modified rows: their lines, in grid order, and nothing else.
    std::string expected;
    std::size_t from = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::size_t end = lines.find("\x1D\r\n", from) + 3;
        if (i % 7 == 3) {
            rows[i].colour.fill(kModifiedColour);
            expected += lines.substr(from, end - from);
        }
        from = end;
    }
    const fs::path modified = folder.path() / "modified.iso";
    ASSERT_TRUE(Exporter::appendRecords(toQ(modified), rows, true).ok);
    EXPECT_TRUE(HostileFiles::readBytes(modified) == expected);
}

TEST_F(ExportFailures, TargetsThatCannotBeWrittenAreNamedWithTheReasonAndLeftClosed)
{
    writeFile(m_folder.path() / "plain", "x");
    fs::create_directory(m_folder.path() / "folder.iso");
    const std::pair<fs::path, QString> cases[] = {
        {"/dev/full", QStringLiteral("磁盘空间不足")},
        {m_folder.path() / "missing" / "out.iso", QStringLiteral("文件夹不存在")},
        {m_folder.path() / "folder.iso", QStringLiteral("这是一个文件夹")},
        {m_folder.path() / "plain" / "out.iso", QStringLiteral("路径中有一部分不是文件夹")},
    };
    for (const auto& [target, reason] : cases) {
        SCOPED_TRACE(target.string());
        expectFailure(Exporter::appendRecords(toQ(target), m_rows, false), target, reason);
    }
    EXPECT_EQ(HostileFiles::readBytes(m_folder.path() / "plain"), "x");
    EXPECT_FALSE(fs::exists(m_folder.path() / "missing"));
}

TEST_F(ExportFailures, AWriteThatFailsPartWayKeepsWhatWasWrittenAndClosesTheFile)
{
    const fs::path target = m_folder.path() / "out.iso";
    constexpr std::size_t kRoom = 64 * 1024;
    ASSERT_GT(m_lines.size(), 2 * kRoom);
    {
        FileSizeLimit limit(kRoom);
        ASSERT_TRUE(limit.active());
        expectFailure(Exporter::appendRecords(toQ(target), m_rows, false), target,
                      QStringLiteral("文件超过了允许的大小"));
    }
    // What fitted stays, and it is the start of what the export would have written.
    EXPECT_TRUE(HostileFiles::readBytes(target) == m_lines.substr(0, kRoom));

    // With room again, the same file takes a whole export after the part already there.
    const Exporter::Result again = Exporter::appendRecords(toQ(target), m_rows, false);
    EXPECT_TRUE(again.ok) << utf8(again.error);
    EXPECT_TRUE(HostileFiles::readBytes(target) == m_lines.substr(0, kRoom) + m_lines);
}

TEST_F(ExportFailures, AFailureAfterTheFirstBlockIsReportedToo)
{
    // Larger than one block of the export's buffer, so the failure meets a later write.
    const std::string lines = recordLines(10000, 3);
    writeFile(m_folder.path() / "big.iso", lines);
    const std::vector<RecordRow> rows = rowsOf(m_folder.path() / "big.iso");
    const fs::path target = m_folder.path() / "big-out.iso";
    constexpr std::size_t kRoom = 5u << 20;
    ASSERT_GT(lines.size(), kRoom + (1u << 20));
    {
        FileSizeLimit limit(kRoom);
        ASSERT_TRUE(limit.active());
        expectFailure(Exporter::appendRecords(toQ(target), rows, false), target,
                      QStringLiteral("文件超过了允许的大小"));
    }
    EXPECT_EQ(fs::file_size(target), kRoom);
    EXPECT_TRUE(HostileFiles::readBytes(target) == lines.substr(0, kRoom));
}
