#include "codec_test_support.h"

using namespace bibliora;
using namespace bibliora::test;

namespace {

const MarcRecord kFirst =
    assemble({{"001", u"1"}, {"010", u"  $a978-7-02-000220-7"}, {"200", u"1 $a红楼梦$f曹雪芹著"}});
const MarcRecord kSecond = assemble({{"001", u"2"}, {"200", u"1 $a西游记$f吴承恩著"}});
const MarcRecord kThird = assemble({{"001", u"3"}, {"245", u"10$aThe journey to the West"}});

std::vector<MarcRecord> readFile(const std::filesystem::path& path, const ReadOptions& options = {})
{
    std::vector<MarcRecord> records;
    EXPECT_TRUE(readMarcFile(
        path, [&](MarcRecord&& r) { records.push_back(std::move(r)); }, options));
    return records;
}

std::vector<std::u16string> titles(const std::vector<MarcRecord>& records)
{
    std::vector<std::u16string> out;
    for (const MarcRecord& r : records)
        out.push_back(titleOf(r));
    return out;
}

// The record text without its record terminator, as a UTF-16 file holds it.
std::u16string utf16Text(const MarcRecord& record)
{
    return Gbk::decode(std::string_view(record).substr(0, record.size() - 1));
}

} // namespace

TEST(ReadMarcFile, ReadsOneRecordPerLine)
{
    TempDir dir;
    const auto path =
        dir.write("one-per-line.iso", kFirst + "\r\n" + kSecond + "\r\n" + kThird + "\r\n");
    const std::vector<MarcRecord> records = readFile(path);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], kFirst);
    EXPECT_EQ(records[1], kSecond);
    EXPECT_EQ(records[2], kThird);
    EXPECT_EQ(titles(records),
              (std::vector<std::u16string>{u"红楼梦", u"西游记", u"The journey to the West"}));
}

TEST(ReadMarcFile, EndsARecordAtEveryTerminatorEvenMidLine)
{
    // The usual exchange file: records follow each other with no line break at all.
    EXPECT_EQ(readAll(kFirst + kSecond + kThird),
              (std::vector<MarcRecord>{kFirst, kSecond, kThird}));
    // What follows a terminator on the same line begins the next record.
    EXPECT_EQ(readAll(kFirst + kSecond + "\r\n" + kThird + "\r\n"),
              (std::vector<MarcRecord>{kFirst, kSecond, kThird}));
    // A stray terminator is a record of its own.
    EXPECT_EQ(readAll(kFirst + "\x1D" + kSecond),
              (std::vector<MarcRecord>{kFirst, "\x1D", kSecond}));
}

TEST(ReadMarcFile, JoinsRecordsSplitOverLinesKeepingByteOffsets)
{
    const MarcRecord twoSpaces = assemble({{"001", u"9"}, {"200", u"1 $a上册  下册$f编者"}});
    const MarcRecord oneSpace = assemble({{"001", u"9"}, {"200", u"1 $a上册 下册$f编者"}});
    const std::size_t gap = twoSpaces.find(gbk(u"上册")) + gbk(u"上册").size();
    std::string crlfSplit = twoSpaces;
    crlfSplit.replace(gap, 2, "\r\n");
    std::string lfSplit = oneSpace;
    lfSplit.replace(gap, 1, "\n");

    // CR LF becomes two spaces, a bare LF one: the directory still fits the record.
    const std::vector<MarcRecord> records = readAll(crlfSplit + "\r\n" + lfSplit + "\r\n");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], twoSpaces);
    EXPECT_EQ(records[1], oneSpace);
    EXPECT_EQ(lookupSubfield(records[0], u"200a"), u"上册  下册");
    EXPECT_EQ(lookupSubfield(records[1], u"200f"), u"编者");
}

TEST(ReadMarcFile, IgnoresBlankLinesAndBlanksAroundRecords)
{
    const std::vector<MarcRecord> records =
        readAll("\r\n\r\n  " + kFirst + "   \r\n\r\n\n\r\n  \r\n " + kSecond + "\r\n\r\n");
    EXPECT_EQ(records, (std::vector<MarcRecord>{kFirst, kSecond}));
}

TEST(ReadMarcFile, DropsWhatFollowsTheLastTerminator)
{
    EXPECT_EQ(readAll(kFirst + "\r\n" + "没有结束符的一行\r\n" + kSecond.substr(0, 40)),
              (std::vector<MarcRecord>{kFirst}));
    EXPECT_TRUE(readAll(kFirst.substr(0, kFirst.size() - 1)).empty());
    EXPECT_TRUE(readAll("").empty());
    EXPECT_TRUE(readAll("\r\n   \r\n").empty());
}

TEST(ReadMarcFile, ReadsUtf16FilesByTheirByteOrderMark)
{
    TempDir dir;
    const std::u16string text = utf16Text(kFirst) + u"\x1D\r\n" + utf16Text(kSecond) + u"\x1D\r\n" +
                                utf16Text(kThird) + u"\x1D\r\n";
    const std::vector<MarcRecord> records = readFile(dir.write("utf16.txt", utf16File(text)));
    // Each record is encoded to GBK, without its terminator and the CR LF after it.
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], kFirst.substr(0, kFirst.size() - 1));
    EXPECT_EQ(records[1], kSecond.substr(0, kSecond.size() - 1));
    EXPECT_EQ(titles(records),
              (std::vector<std::u16string>{u"红楼梦", u"西游记", u"The journey to the West"}));
    EXPECT_EQ(formatRecordText(records[1]), formatRecordText(kSecond));
}

TEST(ReadMarcFile, CutsUtf16TextAtEveryTerminator)
{
    const std::u16string a = utf16Text(kFirst);
    const std::u16string b = utf16Text(kSecond);
    const std::string aBytes = kFirst.substr(0, kFirst.size() - 1);
    const std::string bBytes = kSecond.substr(0, kSecond.size() - 1);
    // Two terminators in a row deliver an empty record.
    EXPECT_EQ(readAll(utf16File(a + u"\x1D\r\n\x1D\r\n" + b + u"\x1D")),
              (std::vector<MarcRecord>{aBytes, "", bBytes}));
    // Without CR LF after a terminator nothing of the next record is cut.
    EXPECT_EQ(readAll(utf16File(a + u"\x1D" + b + u"\x1D")),
              (std::vector<MarcRecord>{aBytes, bBytes}));
    // Only CR LF is removed; a CR LF before the first record is kept.
    EXPECT_EQ(readAll(utf16File(u"\r\n" + a + u"\x1D\r" + b + u"\x1D\n" + a + u"\x1D")),
              (std::vector<MarcRecord>{"\r\n" + aBytes, "\r" + bBytes, "\n" + aBytes}));
    // The text after the last terminator is dropped; without any there is no record.
    EXPECT_EQ(readAll(utf16File(a + u"\x1D\r\n" + b)), (std::vector<MarcRecord>{aBytes}));
    EXPECT_TRUE(readAll(utf16File(a)).empty());
    EXPECT_TRUE(readAll("\xFF\xFE").empty());
    // Characters without a GBK form become one byte each.
    EXPECT_EQ(readAll(utf16File(u"A\U0001F600B\x1D")), (std::vector<MarcRecord>{"A?B"}));
}

TEST(ReadMarcFile, GivesTheSameRecordsWhateverTheBufferSize)
{
    TempDir dir;
    const std::string gbkBytes = "\r\n" + kFirst + "\r\n" + kSecond + kThird + "\r\n";
    std::string split = kFirst;
    split.insert(30, "\r\n");
    const std::string mixed = gbkBytes + split + "\n" + kSecond;
    const std::string utf16Bytes =
        utf16File(utf16Text(kFirst) + u"\x1D\r\n" + utf16Text(kSecond) + u"\x1D\r\n");
    for (const std::string* bytes : {&gbkBytes, &mixed, &utf16Bytes}) {
        const auto path = dir.write("file.iso", *bytes);
        const std::vector<MarcRecord> expected = readAll(*bytes);
        ASSERT_FALSE(expected.empty());
        for (std::size_t size : {1u, 2u, 3u, 4u, 5u, 7u, 64u}) {
            ReadOptions options;
            options.bufferBytes = size;
            EXPECT_EQ(readFile(path, options), expected) << "buffer of " << size << " bytes";
        }
    }
}

TEST(ReadMarcFile, SkipsRecordsLongerThanTheLimitAndGoesOn)
{
    ReadOptions options;
    options.maxRecordBytes = kFirst.size() + 10;
    const MarcRecord big = assemble({{"200", u"1 $a" + std::u16string(100, u'长')}});
    EXPECT_EQ(readAll(kFirst + big + "\r\n" + kSecond, options),
              (std::vector<MarcRecord>{kFirst, kSecond}));
    // In a UTF-16 file the limit counts the file's bytes, two per character.
    options.maxRecordBytes *= 2;
    const std::u16string text = utf16Text(kFirst) + u"\x1D\r\n" + utf16Text(big) + u"\x1D\r\n" +
                                utf16Text(kSecond) + u"\x1D";
    EXPECT_EQ(readAll(utf16File(text), options),
              (std::vector<MarcRecord>{kFirst.substr(0, kFirst.size() - 1),
                                       kSecond.substr(0, kSecond.size() - 1)}));
}

TEST(ReadMarcFile, ReadsRecordsWithVeryLongDirectoriesInFull)
{
    std::vector<FieldSpec> fields;
    for (int i = 0; i < 4000; ++i)
        fields.push_back({"300", u"  $a附注"});
    fields.push_back({"200", u"1 $a很长的记录"});
    const MarcRecord longRecord = assemble(fields);
    TempDir dir;
    const std::vector<MarcRecord> records =
        readFile(dir.write("long.iso", kFirst + longRecord + kSecond));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1], longRecord);
    EXPECT_EQ(titles(records), (std::vector<std::u16string>{u"红楼梦", u"很长的记录", u"西游记"}));
}

TEST(ReadMarcFile, ReportsFilesItCannotRead)
{
    TempDir dir;
    int delivered = 0;
    const auto count = [&](MarcRecord&&) { ++delivered; };
    EXPECT_FALSE(readMarcFile(dir.path() / "missing.iso", count));
    EXPECT_FALSE(readMarcFile(dir.path(), count));
    EXPECT_EQ(delivered, 0);
    EXPECT_TRUE(readMarcFile(dir.write("empty.iso", ""), count));
    EXPECT_EQ(delivered, 0);
}

TEST(RowTextsFor, NumbersTheRowAndFallsBackToMarc21Fields)
{
    const RowTexts row = rowTextsFor(12, kFirst);
    EXPECT_EQ(row.sequence, u"12");
    EXPECT_EQ(row.title, u"红楼梦");
    EXPECT_EQ(row.standardNumber, u"978-7-02-000220-7");
    // No 200 $a (or an empty one): the 245 $a.
    EXPECT_EQ(rowTextsFor(1, kThird).title, u"The journey to the West");
    EXPECT_EQ(titleOf(assemble({{"200", u"1 $a$f著"}, {"245", u"10$a备用"}})), u"备用");
    EXPECT_EQ(titleOf(assemble({{"245", u"10$a后备"}, {"200", u"1 $a首选"}})), u"首选");
    // An unreadable record gets empty texts.
    const RowTexts broken = rowTextsFor(3, "not a record\x1D");
    EXPECT_EQ(broken.sequence, u"3");
    EXPECT_EQ(broken.title, u"");
    EXPECT_EQ(broken.standardNumber, u"");
}

TEST(RowTextsFor, TakesTheFirstNonEmptyStandardNumberInFixedOrder)
{
    EXPECT_EQ(standardNumberOf(assemble({{"011", u"  $a1000-0000"}, {"010", u"  $a7-5000"}})),
              u"7-5000");
    EXPECT_EQ(standardNumberOf(
                  assemble({{"016", u"7 $aISRC"}, {"091", u"  $a统一书号"}, {"020", u"  $a0-00"}})),
              u"0-00");
    EXPECT_EQ(standardNumberOf(assemble({{"016", u"7 $aISRC"}, {"091", u"  $a统一书号"}})),
              u"统一书号");
    EXPECT_EQ(standardNumberOf(assemble({{"016", u"7 $aISRC"}})), u"ISRC");
    // An empty 010 $a, or one with only $z, gives way to the next.
    EXPECT_EQ(standardNumberOf(assemble({{"010", u"  $a$dCNY9"}, {"011", u"  $a1234-5678"}})),
              u"1234-5678");
    EXPECT_EQ(standardNumberOf(assemble({{"010", u"  $z7-02-错误"}})), u"");
}
