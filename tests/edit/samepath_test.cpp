// The byte form of a change writes exactly what the text form writes: over generated records,
// the bundled samples and the files other MARC software wrote, for changes of every kind.
#include "edit_test_support.h"
#include "isocheck.h"
#include "recordgen.h"

#include <filesystem>

using namespace bibliora;
using namespace bibliora::edit;
using namespace bibliora::test;

namespace {

std::vector<std::shared_ptr<const RecordChange>> everyKindOfChange()
{
    std::vector<std::shared_ptr<const RecordChange>> changes;
    std::u16string error;
    const auto replace = [&](const std::u16string& find, const std::u16string& with, MatchMode mode,
                             bool caseSensitive, const std::u16string& scope) {
        changes.push_back(
            ReplaceChange::create(matcherFor(find, mode, caseSensitive, scope), with, error));
    };
    replace(u"研究", u"研究（修订）", MatchMode::Contains, true, u"");
    replace(u"the", u"THE", MatchMode::Contains, false, u"");
    replace(u"^(\\p{Han})(\\p{Han})", u"$2$1", MatchMode::Regex, true, u"200$a");
    replace(u"[0-9]", u"#", MatchMode::Regex, true, u"");
    replace(u"\\s+", u"", MatchMode::Regex, true, u"");
    replace(u".+", u"", MatchMode::Regex, true, u"606$x"); // may leave "■x" alone
    replace(u"[a-z]", u"", MatchMode::Regex, false, u"008");
    replace(u"^.", u"c", MatchMode::Regex, true, u"LDR");
    replace(u"a", u"\u00E9\U0001F4D6", MatchMode::Contains, false, u"");
    changes.push_back(AddFieldChange::create(u"905 __ ■aXJTU■b书库", false, error));
    changes.push_back(AddFieldChange::create(u"010 __ ■a7-1", true, error));
    changes.push_back(AddFieldChange::create(u"003    CN", false, error));
    changes.push_back(DeleteFieldChange::create(u"9XX", std::nullopt, error));
    changes.push_back(DeleteFieldChange::create(u"00X", std::nullopt, error));
    changes.push_back(DeleteFieldChange::create(
        u"7XX", DeleteFieldChange::Condition{u'a', matcherFor(u"^[王李]", MatchMode::Regex)},
        error));
    changes.push_back(IndicatorChange::create(u"200", u"0_", error));
    changes.push_back(IndicatorChange::create(u"245", u"_4", error));
    for (const auto& c : changes)
        EXPECT_TRUE(c) << Gbk::toUtf8(error);
    return changes;
}

// Both forms over one record; a changed record is well formed, and saving it again keeps it.
void expectSamePath(const std::vector<std::shared_ptr<const RecordChange>>& changes,
                    const MarcRecord& r, Encoding e, const std::string& where, std::size_t& fast)
{
    for (std::size_t c = 0; c < changes.size(); ++c) {
        const EditOutcome byBytes = changes[c]->apply(r, e, kNow);
        const EditOutcome byText = changes[c]->applyByText(r, e, kNow);
        ASSERT_EQ(byBytes.record, byText.record) << where << ", change " << c;
        ASSERT_EQ(byBytes.changes, byText.changes) << where << ", change " << c;
        ASSERT_EQ(byBytes.error, byText.error) << where << ", change " << c;
        if (byBytes.changed()) {
            ASSERT_EQ(support::wellFormedProblem(byBytes.record), "") << where << ", change " << c;
            ASSERT_EQ(resaved(byBytes.record, e), byBytes.record) << where << ", change " << c;
        }
    }
    fast += RecordFields::ofBytes(r, e).writableByBytes() ? 1 : 0;
}

} // namespace

TEST(SamePath, GeneratedRecords)
{
    const auto changes = everyKindOfChange();
    std::size_t fast = 0;
    std::size_t total = 0;
    for (const auto format : {support::RecordFormat::Cnmarc, support::RecordFormat::Marc21}) {
        const support::RecordGenerator generator(7, format);
        support::GeneratedRecord g;
        for (std::uint64_t i = 0; i < 300; ++i, ++total) {
            generator.make(i, g);
            expectSamePath(changes, g.bytes, Encoding::Gbk, "record " + std::to_string(i), fast);
            // The same text in UTF-8.
            const std::u16string text = formatRecordText(g.bytes, Encoding::Gbk) + u"\r\n";
            const MarcRecord u8 = buildIsoRecord(text, kNow, Encoding::Utf8);
            expectSamePath(changes, u8, Encoding::Utf8, "UTF-8 record " + std::to_string(i), fast);
            total++;
        }
    }
    // Generated records are all of the kind the byte form writes.
    EXPECT_EQ(fast, total);
}

TEST(SamePath, SamplesAndRealFiles)
{
    const auto changes = everyKindOfChange();
    std::vector<std::filesystem::path> files;
    for (const char* name : {"cnmarc-gbk.iso", "cnmarc-utf16.txt", "marc21-gbk.mrc"})
        files.push_back(std::filesystem::path(BIBLIORA_SAMPLES) / name);
    const std::filesystem::path real(BIBLIORA_REAL_SAMPLES);
    if (std::filesystem::is_directory(real))
        for (const auto& entry : std::filesystem::directory_iterator(real))
            if (entry.path().extension() != ".md")
                files.push_back(entry.path());
    std::size_t fast = 0;
    std::size_t records = 0;
    for (const auto& path : files) {
        EncodingVote vote;
        std::size_t n = 0;
        readMarcFile(path, [&](MarcRecord&& r) {
            if (n++ >= 200)
                return;
            ++records;
            expectSamePath(changes, r, vote.next(r),
                           path.filename().string() + " record " + std::to_string(n), fast);
        });
    }
    std::cout << records << " records, " << fast << " written by bytes\n";
    EXPECT_GT(fast, records / 2);
}
