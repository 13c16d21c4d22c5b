// The reader against exchange files written by other MARC software, kept next to the
// repository: every file reads to its end, one record per record terminator.

#include "codec_test_support.h"

using namespace bibliora;

namespace {

const std::filesystem::path kRealSamples = BIBLIORA_REAL_SAMPLES;

std::vector<MarcRecord> readReal(const std::string& name)
{
    std::vector<MarcRecord> records;
    EXPECT_TRUE(readMarcFile(kRealSamples / name, [&](MarcRecord&& r) {
        records.push_back(std::move(r));
    })) << name;
    return records;
}

} // namespace

TEST(RealFiles, ReadsEveryFileWithItsRecordCount)
{
    if (!std::filesystem::is_directory(kRealSamples))
        GTEST_SKIP() << "no sample folder at " << kRealSamples;
    // badldr holds a stray terminator, which makes a seventh, broken record.
    const std::pair<std::string, std::size_t> counts[] = {
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
    for (const auto& [name, count] : counts) {
        const std::vector<MarcRecord> records = readReal(name);
        EXPECT_EQ(records.size(), count) << name;
        for (const MarcRecord& record : records)
            EXPECT_EQ(formatRecordText(record).substr(0, 7) + rowTextsFor(1, record).sequence,
                      u"HEA    1");
    }
    EXPECT_EQ(titleOf(readReal("marc21_marc-perl_camel.usmarc").at(0)),
              u"ActivePerl with ASP and ADO /");
    EXPECT_EQ(titleOf(readReal("cmarc-tw_marc21tocmarc_ntuedu_CMARC.mrc").at(0)),
              u"Ethno-religious violence in Indonesia");
    // Record 4 of the hathi file is over a megabyte, its directory over 100,000 bytes.
    const std::vector<MarcRecord> hathi = readReal("bad_marc21_marc4j_bad_hathi_records.mrc");
    EXPECT_GT(hathi.at(3).size(), 1000000u);
    EXPECT_GT(hathi.at(3).find('\x1E'), 100000u);
    EXPECT_EQ(titleOf(hathi.at(3)), u"United States congressional serial set.");
    EXPECT_EQ(titleOf(hathi.at(4)), u"Trends in hospital procedures :");
}
