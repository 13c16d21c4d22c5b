// The reader against exchange files written by other MARC software (none of them CNMARC in
// GBK): every file reads without a crash, and records are cut at every record terminator.

#include "codec_test_support.h"

#include <map>

using namespace bibliora;

namespace {

const std::filesystem::path kRealSamples = BIBLIORA_REAL_SAMPLES;

struct FileRecords
{
    std::vector<MarcRecord> records;
    bool complete = false;
};

FileRecords readReal(const std::string& name)
{
    FileRecords out;
    out.complete = readMarcFile(kRealSamples / name,
                                [&](MarcRecord&& r) { out.records.push_back(std::move(r)); });
    return out;
}

class RealFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!std::filesystem::is_directory(kRealSamples))
            GTEST_SKIP() << "no sample folder at " << kRealSamples;
    }
};

} // namespace

TEST_F(RealFiles, ReadsEveryFileWithTheExpectedRecordCount)
{
    // One record per record terminator. badldr.usmarc holds a stray terminator, which makes
    // a seventh, broken record where other readers count six.
    const std::map<std::string, std::size_t> expected = {
        {"bad_marc21_marc-perl_baddir.usmarc", 1},
        {"bad_marc21_marc-perl_badldr.usmarc", 7},
        {"bad_marc21_marc4j_bad_hathi_records.mrc", 5},
        {"bad_marc21_marc4j_bad_leaders_10_11.mrc", 1},
        {"bad_marc21_marc4j_bad_oversize_field_bad_directory.mrc", 5},
        {"bad_marc21_marc4j_pride-and-prejudice-with-many-errors.mrc", 383},
        {"cmarc-tw_marc21tocmarc_ntuedu_CMARC.mrc", 38},
        {"marc21-marc8-cjk_marc-perl_cjk1.marc", 1},
        {"marc21-marc8-cjk_marc-perl_cjk2.marc", 1},
        {"marc21-marc8-cjk_marc-perl_cjk3.marc", 1},
        {"marc21-marc8-cjk_marc-perl_cjk4.marc", 1},
        {"marc21-marc8-cjk_marc4j_chinese_mangled_multibyte.mrc", 4},
        {"marc21-utf8_yaz_marccol1.u8.marc", 19},
        {"marc21_catmandu_bu_bibs.mrc", 100},
        {"marc21_marc-perl_camel.usmarc", 10},
        {"marc21_marc21tocmarc_ntuedu_Full-MARC8.mrc", 38},
        {"marc21_marc4j_datos-oversize-record.mrc", 1},
        {"marc21_marc4j_pride-and-prejudice-fixed.mrc", 383},
        {"marc21_pymarc_marc.dat", 20},
        {"unimarc-rusmarc-cp866_ruby-marc_cp866_multirecord.marc", 2},
        {"unimarc_pymarc_testunimarc.dat", 1},
    };
    for (const auto& [name, count] : expected) {
        SCOPED_TRACE(name);
        if (!std::filesystem::exists(kRealSamples / name)) {
            ADD_FAILURE() << "missing sample";
            continue;
        }
        const FileRecords file = readReal(name);
        EXPECT_TRUE(file.complete);
        EXPECT_EQ(file.records.size(), count);
        std::int64_t n = 0;
        for (const MarcRecord& record : file.records) {
            EXPECT_EQ(record.back(), '\x1D');
            const RowTexts row = rowTextsFor(++n, record);
            EXPECT_EQ(row.sequence, Gbk::fromUtf8(std::to_string(n)));
            const std::u16string text = formatRecordText(record);
            EXPECT_EQ(text.substr(0, 7), u"HEA    ");
        }
    }
}

TEST_F(RealFiles, FindsTitlesAndNumbersOfMarc21Records)
{
    const FileRecords camel = readReal("marc21_marc-perl_camel.usmarc");
    ASSERT_EQ(camel.records.size(), 10u);
    EXPECT_EQ(titleOf(camel.records[0]), u"ActivePerl with ASP and ADO /");
    EXPECT_EQ(standardNumberOf(camel.records[0]), u"   00020737 ");
    EXPECT_EQ(titleOf(camel.records[9]), u"Cross-platform Perl /");

    const FileRecords cjk = readReal("marc21-marc8-cjk_marc-perl_cjk3.marc");
    ASSERT_EQ(cjk.records.size(), 1u);
    EXPECT_EQ(titleOf(cjk.records[0]), u"Lu Xun yu Zhe dong wen hua /");
}

TEST_F(RealFiles, ReadsARecordOfOverAMegabyteInFull)
{
    // Record 4 has a directory of more than 150,000 bytes and a leader saying 99999.
    const FileRecords hathi = readReal("bad_marc21_marc4j_bad_hathi_records.mrc");
    ASSERT_EQ(hathi.records.size(), 5u);
    ASSERT_GT(hathi.records[3].find('\x1E'), 100000u);
    EXPECT_EQ(titleOf(hathi.records[3]), u"United States congressional serial set.");
    EXPECT_EQ(titleOf(hathi.records[4]), u"Trends in hospital procedures :");
    const std::u16string text = formatRecordText(hathi.records[3]);
    std::size_t lines = 0;
    for (std::size_t p = text.find(u"\r\n"); p != std::u16string::npos;
         p = text.find(u"\r\n", p + 1))
        ++lines;
    EXPECT_GT(lines, 12000u);
}

TEST_F(RealFiles, ReadsUnimarcTitlesFrom200)
{
    const FileRecords cmarc = readReal("cmarc-tw_marc21tocmarc_ntuedu_CMARC.mrc");
    ASSERT_EQ(cmarc.records.size(), 38u);
    EXPECT_EQ(titleOf(cmarc.records[0]), u"Ethno-religious violence in Indonesia");
    // 010 holds only $z here: no standard number.
    EXPECT_EQ(standardNumberOf(cmarc.records[0]), u"");
}
