// The bundled samples and the files other MARC software wrote (../shared/samples/real): every
// record of every file is checked without a crash, and records known to be clean give no
// problem at all. The tests print nothing; `check-dump problems FILE` lists what is found.
#include "check.h"
#include "codec.h"
#include "encodingvote.h"

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

TEST(RealFiles, PreparedApartThenFinishedInOrderEveryRecordGetsWhatCheckGives)
{
    // The files as they are, and all of them one after another as one file, so that records
    // meet the duplicates and the rule-set majority of other files; by every set. Records of
    // many problems and duplicates come from the bundled damaged files and the fuzz corpus.
    std::vector<std::string> records;
    for (const std::filesystem::path folder :
         {BIBLIORA_SAMPLES, BIBLIORA_REAL_SAMPLES, BIBLIORA_FUZZ_CORPUS}) {
        if (!std::filesystem::is_directory(folder))
            continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().extension() != ".md")
                readMarcFile(entry.path(),
                             [&](MarcRecord&& r) { records.push_back(std::move(r)); });
    }
    // A record of more problems than are listed (a directory of a thousand entries without
    // digits).
    records.push_back("00000nam0 2200000   450 " + std::string(12000, 'x') + "\x1E\x1D");
    // Two copies: the second meets every key of the first.
    const std::size_t once = records.size();
    records.insert(records.end(), records.begin(), records.begin() + std::ptrdiff_t(once));
    ASSERT_GT(once, 100u);
    const auto text = [](const std::vector<Problem>& problems) {
        std::string all;
        for (const Problem& p : problems)
            all += p.tag + "|" + p.code + "|" + severityName(p.severity) + "|" + ruleName(p.rule) +
                   "|" + p.message + "\n";
        return all;
    };
    for (const RuleSet set : {RuleSet::Auto, RuleSet::Cnmarc, RuleSet::Marc21}) {
        FileChecker whole(set);
        FileChecker stepwise(set);
        EncodingVote vote;
        std::vector<Problem> expected;
        std::vector<Problem> got;
        PreparedCheck prepared;
        for (std::size_t i = 0; i < records.size(); ++i) {
            const Encoding encoding = vote.next(records[i]);
            const auto number = static_cast<std::int64_t>(i + 1);
            expected.clear();
            got.clear();
            whole.check(records[i], encoding, number, expected);
            FileChecker::prepare(set, records[i], encoding, prepared);
            stepwise.finish(records[i], encoding, number, prepared, got);
            ASSERT_EQ(text(got), text(expected)) << "record " << number;
        }
    }
}
