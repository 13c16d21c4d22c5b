#include "formats_test_support.h"
#include "mrkwriter.h"

using namespace bibliora;
using namespace bibliora::formats;
using namespace bibliora::test;

namespace {

const MarcRecord kRecord =
    support::assembleIso("00000nam a2200000   4500", {{"001", "ocm 1"},
                                                      {"008", "240131s2024    xx"},
                                                      {"245", "10\x1F"
                                                              "aPrice: $5 {net} C:\\dir\x1F"
                                                              "c红楼梦"},
                                                      {"500", " 1\x1F"
                                                              "abell\x07\xFF"}});

} // namespace

TEST(MrkWriter, WritesLinesWithEscapesAndReadsBackTheSameBytes)
{
    MrkWriter writer;
    const std::string mrk =
        writeAll(writer, {{kRecord, Encoding::Utf8}, {kRecord, Encoding::Utf8}});
    const std::string leader = kRecord.substr(0, 24);
    std::string shownLeader = leader;
    std::replace(shownLeader.begin(), shownLeader.end(), ' ', '\\');
    const std::string one = "=LDR  " + shownLeader +
                            "\r\n=001  ocm\\1\r\n=008  240131s2024\\\\\\\\xx\r\n"
                            "=245  10$aPrice: {dollar}5 {lcub}net{rcub} C:{bsol}dir$c红楼梦\r\n"
                            "=500  \\1$abell{07}{FF}\r\n\r\n";
    EXPECT_EQ(mrk, "\xEF\xBB\xBF" + one + one);
    EXPECT_EQ(writer.counts().placeholders, 2u);
    const ReadResult back = readAll(mrk);
    EXPECT_EQ(back.format, FileFormat::Mrk);
    ASSERT_EQ(back.records.size(), 2u);
    EXPECT_EQ(back.records[0].first, kRecord);
    EXPECT_EQ(back.records[1].first, kRecord);
}

TEST(MrkSource, ReadsTheWaysFilesWriteItWhateverTheBufferSize)
{
    // LF alone, no byte-order mark, comments, no blank line before the next leader, blanks
    // at the end, an unknown mnemonic kept as written, no line break at the end.
    const std::string mrk = "# a comment\n=LDR  00000nam\\\\2200000\\\\\\4500\n=001  1\n"
                            "=245  10$aA {copy} B{24}\n=LDR  00000nam\\\\2200000\\\\\\4500\n"
                            "=001  2\n  \n\n=LDR  00000nam\\\\2200000\\\\\\4500\n=001  3";
    const ReadResult once = readAll(mrk);
    EXPECT_EQ(once.error, "");
    ASSERT_EQ(once.records.size(), 3u);
    EXPECT_EQ(partsOf(once.records[0].first), (std::vector<RecordField>{{"001", "1"},
                                                                        {"245", "10\x1F"
                                                                                "aA {copy} B$"}}));
    EXPECT_EQ(partsOf(once.records[2].first), (std::vector<RecordField>{{"001", "3"}}));
    for (std::size_t size = 1; size <= 64; ++size)
        EXPECT_EQ(readAll(mrk, size), once) << "buffer of " << size;
}

TEST(MrkSource, SkipsAndCountsRecordsThatCannotBeRead)
{
    std::string big = "=LDR  00000nam\\\\2200000\\\\\\4500\n";
    for (int i = 0; i < 12; ++i)
        big += "=500  \\\\$a" + std::string(9000, 'x') + "\n";
    const std::string mrk = "=LDR  short\n=001  1\n\n=001  no leader\n\n" + big +
                            "\n=LDR  00000nam\\\\2200000\\\\\\4500\n=001  kept\n";
    const ReadResult r = readAll(mrk);
    EXPECT_EQ(r.skipped, 3u);
    ASSERT_EQ(r.records.size(), 1u);
    EXPECT_EQ(partsOf(r.records[0].first), (std::vector<RecordField>{{"001", "kept"}}));
}
