// The bundled samples and the files other MARC software wrote (../shared/samples/real): every
// record of every file is checked without a crash, and records known to be clean give no
// problem at all. The tests print nothing; `check-dump problems FILE` lists what is found.
#include "aheadchecker.h"
#include "check.h"
#include "codec.h"
#include "encodingvote.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
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

// Every record of the files as they are, then all of them again, so that records meet the
// duplicates and the rule-set majority of other files. Records of many problems and
// duplicates come from the bundled damaged files and the fuzz corpus.
std::vector<std::string> everyRecordTwice()
{
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
    const std::size_t once = records.size();
    records.insert(records.end(), records.begin(), records.begin() + std::ptrdiff_t(once));
    return records;
}

std::string text(const std::vector<Problem>& problems)
{
    std::string all;
    for (const Problem& p : problems)
        all += p.tag + "|" + p.code + "|" + severityName(p.severity) + "|" + ruleName(p.rule) +
               "|" + p.message + "\n";
    return all;
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
    const std::vector<std::string> records = everyRecordTwice();
    ASSERT_GT(records.size(), 200u);
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

TEST(RealFiles, PreparedAheadOnWorkersEveryRecordGetsWhatCheckGives)
{
    // Batches of 1 to 97 records on three workers, taken back as they become ready; midway the
    // batches given are discarded and given again, as when the list changes under a run.
    const std::vector<std::string> records = everyRecordTwice();
    EncodingVote vote;
    std::vector<Encoding> encodings;
    for (const std::string& r : records)
        encodings.push_back(vote.next(r));
    FileChecker whole;
    FileChecker stepwise;
    std::mutex mutex;
    std::condition_variable wake;
    bool ready = false;
    AheadChecker ahead(3, RuleSet::Auto, [&] {
        const std::lock_guard<std::mutex> lock(mutex);
        ready = true;
        wake.notify_one();
    });
    std::size_t given = 0;
    std::size_t next = 0;
    std::size_t size = 1;
    bool discarded = false;
    std::vector<Problem> expected;
    std::vector<Problem> got;
    while (next < records.size()) {
        while (given < records.size() && ahead.waiting() < 12) {
            auto batch = ahead.fresh();
            for (const std::size_t end = std::min(records.size(), given + size); given < end;
                 ++given) {
                batch->records.push_back(records[given]);
                batch->encodings.push_back(encodings[given]);
            }
            size = size % 97 + 1;
            ahead.give(std::move(batch));
        }
        if (!discarded && next > records.size() / 2) {
            ahead.discard();
            given = next;
            discarded = true;
            continue;
        }
        auto batch = ahead.take();
        if (!batch) {
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait(lock, [&] { return ready; });
            ready = false;
            continue;
        }
        for (std::size_t i = 0; i < batch->records.size(); ++i, ++next) {
            ASSERT_EQ(batch->records[i].data(), records[next].data());
            const auto number = static_cast<std::int64_t>(next + 1);
            expected.clear();
            got.clear();
            whole.check(records[next], encodings[next], number, expected);
            stepwise.finish(records[next], encodings[next], number, batch->prepared[i], got);
            ASSERT_EQ(text(got), text(expected)) << "record " << number;
        }
        ahead.recycle(std::move(batch));
    }
    EXPECT_TRUE(discarded);
    EXPECT_EQ(ahead.waiting(), 0u);
}
