// The byte form of a change writes exactly what the text form writes: over generated records,
// the bundled samples and the files other MARC software wrote, for changes of every kind.
#include "edit_test_support.h"
#include "isocheck.h"
#include "recordgen.h"

#include <algorithm>
#include <cstdio>
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
    replace(u"NLC", u"NLCX", MatchMode::Contains, true, u"");
    replace(u"CN", u"中国", MatchMode::Contains, true, u"");
    replace(u"CN", u"中国", MatchMode::WholeSubfield, true, u"");
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

// A record of `fields` whose bytes lie in the data area in `order` (directory positions), with
// `gap` after each field's terminator: the directory no longer walks the data front to back.
MarcRecord laidOut(const std::vector<support::IsoField>& fields,
                   const std::vector<std::size_t>& order, std::string_view gap = "")
{
    std::string data;
    std::vector<std::size_t> starts(fields.size());
    for (const std::size_t k : order) {
        starts[k] = data.size();
        data += fields[k].data + '\x1E';
        data += gap;
    }
    std::string directory;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        char entry[16];
        std::snprintf(entry, sizeof entry, "%s%04zu%05zu", fields[i].tag.c_str(),
                      fields[i].data.size() + 1, starts[i]);
        directory += entry;
    }
    char leader[32];
    const std::size_t base = 24 + directory.size() + 1;
    std::snprintf(leader, sizeof leader, "%05zunam0 22%05zu   450 ", base + data.size() + 1, base);
    return leader + directory + '\x1E' + data + '\x1D';
}

} // namespace

TEST(SamePath, RecordsLaidOutAnyWay)
{
    // Each case departs from what a save writes in one way: the byte form must then either
    // write what the text form writes, or leave the record to it.
    const std::vector<support::IsoField> plain = {
        {"001", "CN2000000001"},
        {"005", "20180402140722.0"},
        {"010", gbk(u"  $a978-7-5614-9832-3$dCNY15")},
        {"100", gbk(u"  $a20180402d2016    em y0chiy50      ea")},
        {"200", gbk(u"1 $a新编中医方法$f冯艳晓主编")},
        {"606", gbk(u"0 $a中医$x词典")},
        {"801", gbk(u" 0$aCN$bNLC$c20180402")}};
    const auto with = [&](std::size_t at, support::IsoField field) {
        std::vector<support::IsoField> f = plain;
        f.insert(f.begin() + static_cast<std::ptrdiff_t>(at), std::move(field));
        return record(f);
    };
    const auto without = [&](std::size_t at) {
        std::vector<support::IsoField> f = plain;
        f.erase(f.begin() + static_cast<std::ptrdiff_t>(at));
        return record(f);
    };
    const auto swapped = [&](std::size_t a, std::size_t b) {
        std::vector<support::IsoField> f = plain;
        std::swap(f[a], f[b]);
        return record(f);
    };
    std::vector<std::size_t> backwards(plain.size());
    for (std::size_t i = 0; i < plain.size(); ++i)
        backwards[i] = plain.size() - 1 - i;
    std::vector<std::size_t> forwards = backwards;
    std::reverse(forwards.begin(), forwards.end());
    const std::vector<std::pair<std::string, MarcRecord>> cases = {
        {"as a save writes it", record(plain)},
        {"data fields out of order", swapped(3, 5)},
        {"a control field after a data field", swapped(1, 2)},
        {"a second 001", with(1, {"001", "CN2"})},
        {"a second 005", with(2, {"005", "20200101000000.0"})},
        {"006 twice", with(2, {"006", "a"})},
        {"007 before 006", with(2, {"007", "ta"})},
        {"no 001", without(0)},
        {"no 005", without(1)},
        {"tag 000", with(0, {"000", "x"})},
        {"a control field after tag 200", with(5, {"003", "NLC"})},
        {"a repeated data tag", with(5, {"200", gbk(u"1 $a另一题名NLC")})},
        {"tag 050 among them", with(3, {"050", gbk(u"  $aCN")})},
        {"fields back to front", laidOut(plain, backwards)},
        {"a byte between fields", laidOut(plain, forwards, "x")},
        {"a terminator inside a field", with(6, {"702", gbk(u" 0$aNLC^$4著")})},
        {"a record terminator inside a field", with(6, {"702", gbk(u" 0$aNLC%$4著")})},
        {"two delimiters side by side", with(6, {"702", gbk(u" 0$a$$bNLC")})},
        {"an empty subfield at the end", with(6, {"702", gbk(u" 0$aNLC$")})},
        {"a delimiter in a control field", with(2, {"003", gbk(u"CN$aNLC")})},
        {"a blank in a directory number",
         [&] {
             MarcRecord r = record(plain);
             r[24 + 3] = ' ';
             return r;
         }()},
        {"a leader with # and ?", record(plain, "00000n#m0?2200000  ?450#")},
    };
    const auto changes = everyKindOfChange();
    std::size_t fast = 0;
    for (const auto& [name, r] : cases) {
        expectSamePath(changes, r, Encoding::Gbk, name, fast);
        const std::u16string text = formatRecordText(r, Encoding::Gbk) + u"\r\n";
        expectSamePath(changes, buildIsoRecord(text, kNow, Encoding::Utf8), Encoding::Utf8,
                       name + " in UTF-8", fast);
    }
    EXPECT_GT(fast, cases.size());
}

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
