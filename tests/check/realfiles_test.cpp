// The bundled samples and the files other MARC software wrote (../shared/samples/real): every
// record of every file is checked without a crash, and records known to be clean give no
// problem at all. The tests print nothing; `check-dump problems FILE` lists what is found.
#include "check.h"
#include "codec.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

using namespace bibliora;
using namespace bibliora::check;

namespace {

// Problems in all the records of a file, checked as the command line will.
std::size_t problemsIn(const std::filesystem::path& path, std::size_t& records)
{
    FileChecker file;
    std::vector<Problem> out;
    std::size_t problems = 0;
    records = 0;
    EXPECT_TRUE(readMarcFile(path, [&](MarcRecord&& record) {
        out.clear();
        file.check(record, detectEncoding(record), static_cast<std::int64_t>(++records), out);
        problems += out.size();
        for (const Problem& p : out) {
            EXPECT_FALSE(p.message.empty() || p.tag.empty()) << path;
        }
    })) << path;
    return problems;
}

} // namespace

TEST(RealFiles, BundledSamplesAreClean)
{
    // The generator's records: CNMARC in GBK, the same as UTF-16 (records without their
    // terminator), and MARC21 in GBK.
    const std::pair<const char*, std::size_t> samples[] = {
        {"cnmarc-gbk.iso", 120}, {"cnmarc-utf16.txt", 120}, {"marc21-gbk.mrc", 20}};
    for (const auto& [name, count] : samples) {
        std::size_t records = 0;
        EXPECT_EQ(problemsIn(std::filesystem::path(BIBLIORA_SAMPLES) / name, records), 0u) << name;
        EXPECT_EQ(records, count) << name;
    }
}

TEST(RealFiles, EveryRecordChecksAndCleanFilesHaveNoProblem)
{
    const std::filesystem::path folder(BIBLIORA_REAL_SAMPLES);
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "no real files at " BIBLIORA_REAL_SAMPLES;
    // Files whose every record keeps every rule: their records read back as yaz-marcdump shows
    // them, and nothing in them breaks a rule when read by hand.
    const std::set<std::string> clean = {
        "marc21-marc8-cjk_marc-perl_cjk1.marc",
        "marc21-marc8-cjk_marc-perl_cjk2.marc",
        "marc21-marc8-cjk_marc-perl_cjk3.marc",
        "marc21-marc8-cjk_marc-perl_cjk4.marc",
        "marc21-utf8_yaz_marccol1.u8.marc",
        "marc21_marc-perl_camel.usmarc",
        "marc21_marc21tocmarc_ntuedu_Full-MARC8.mrc",
        "marc21_pymarc_marc.dat",
        "unimarc_pymarc_testunimarc.dat",
    };
    std::size_t files = 0;
    std::size_t cleanFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".md")
            continue;
        ++files;
        std::size_t records = 0;
        const std::size_t problems = problemsIn(entry.path(), records);
        const std::string name = entry.path().filename().string();
        EXPECT_GT(records, 0u) << name;
        if (clean.count(name)) {
            ++cleanFiles;
            EXPECT_EQ(problems, 0u) << name;
        }
    }
    EXPECT_GE(files, 20u);
    EXPECT_EQ(cleanFiles, clean.size());
}
