// Properties of the builder over many generated records and over random edits of their
// display text: every record it writes is well formed, and saving a record again unedited
// gives the same bytes.
#include "codec.h"
#include "hostilefiles.h"
#include "isocheck.h"
#include "recordgen.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>

using namespace bibliora;
using namespace bibliora::hostile;

namespace {

constexpr BuildTime kClock{2024, 1, 31, 14, 30, 5};
constexpr std::uint64_t kRecordsPerFormat = 1500;

// The window's save: the shown display text with the CR LF the save appends.
MarcRecord save(std::string_view record)
{
    return buildIsoRecord(formatRecordText(record) + u"\r\n", kClock);
}

std::string printable(const std::u16string& text)
{
    std::string out = Gbk::toUtf8(text);
    std::string shown;
    for (unsigned char c : out) {
        if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", c);
            shown += esc;
        } else {
            shown.push_back(static_cast<char>(c));
        }
    }
    return shown;
}

// Edits a user might make, and some a paste might: characters typed anywhere below the
// header line (delimiters, blanks, Chinese, characters outside GBK, half surrogate pairs),
// lines duplicated, swapped or retagged, and fields made too long for the directory. The
// header line stays first: a text whose first line is a field line keeps that line's "_"
// indicators as they are, and the next save turns them into blanks.
std::u16string edit(std::u16string text, Noise& rng)
{
    static const std::u16string kTyped[] = {
        u"■",
        u"_",
        u" ",
        u"a",
        u"中文",
        u"\r\n",
        u"0",
        u"#",
        u"?",
        u"\x1F",
        u"é",
        u"😀",
        std::u16string(1, char16_t(0xD83D)),
        u"€",
        u"■■",
        u"\t",
        u"001 ",
        u"200 1_ ■a",
    };
    const auto lines = [&] {
        std::vector<std::u16string> out;
        std::size_t from = 0;
        for (std::size_t cr; (cr = text.find(u"\r\n", from)) != std::u16string::npos; from = cr + 2)
            out.push_back(text.substr(from, cr - from));
        out.push_back(text.substr(from));
        return out;
    };
    const auto join = [](const std::vector<std::u16string>& parts) {
        std::u16string out;
        for (std::size_t i = 0; i < parts.size(); ++i)
            out += (i ? u"\r\n" : u"") + parts[i];
        return out;
    };
    const int edits = 1 + static_cast<int>(rng.next() % 4);
    for (int e = 0; e < edits; ++e) {
        std::vector<std::u16string> parts = lines();
        if (parts.size() < 2)
            break;
        const std::size_t a = 1 + rng.next() % (parts.size() - 1);
        const std::size_t b = 1 + rng.next() % (parts.size() - 1);
        const std::size_t body = parts[0].size() + 2;
        switch (rng.next() % 6) {
        case 0:
            text.insert(body + rng.next() % (text.size() - body + 1),
                        kTyped[rng.next() % std::size(kTyped)]);
            continue;
        case 1:
            if (text.size() > body)
                text.erase(body + rng.next() % (text.size() - body), 1 + rng.next() % 6);
            continue;
        case 2:
            parts.insert(parts.begin() + static_cast<std::ptrdiff_t>(a), parts[a]);
            break;
        case 3:
            std::swap(parts[a], parts[b]);
            break;
        case 4:
            if (parts[a].size() >= 3) {
                const std::string tag = std::to_string(rng.next() % 1000);
                parts[a].replace(0, 3, std::u16string(3 - tag.size(), u'0') + Gbk::fromUtf8(tag));
            }
            break;
        default:
            parts[a] += std::u16string(2000 + rng.next() % 9000, u'长');
            break;
        }
        text = join(parts);
    }
    return text;
}

template <typename Each> void forGeneratedRecords(Each each)
{
    for (const bench::RecordFormat format :
         {bench::RecordFormat::Cnmarc, bench::RecordFormat::Marc21}) {
        const bench::RecordGenerator generator(2024, format);
        bench::GeneratedRecord record;
        for (std::uint64_t i = 0; i < kRecordsPerFormat; ++i) {
            generator.make(i, record);
            each(record.bytes, i);
        }
    }
}

} // namespace

TEST(BuilderProperties, SavingTwiceGivesTheBytesOfSavingOnce)
{
    std::size_t failures = 0;
    forGeneratedRecords([&](const std::string& record, std::uint64_t i) {
        const MarcRecord once = save(record);
        ASSERT_FALSE(once.empty()) << "record " << i;
        const MarcRecord twice = save(once);
        if (twice != once && ++failures <= 3)
            ADD_FAILURE() << "record " << i << " changed on its second save:\n"
                          << printable(formatRecordText(once));
    });
    EXPECT_EQ(failures, 0u);
}

TEST(BuilderProperties, EveryRecordBuiltIsWellFormed)
{
    std::size_t failures = 0;
    forGeneratedRecords([&](const std::string& record, std::uint64_t) {
        const std::string problem = check::wellFormedProblem(save(record));
        if (!problem.empty() && ++failures <= 3)
            ADD_FAILURE() << problem << "\n" << printable(formatRecordText(record));
    });
    EXPECT_EQ(failures, 0u);
}

TEST(BuilderProperties, EditedTextsBuildWellFormedRecordsThatSaveStably)
{
    Noise rng(0xED17);
    std::size_t built = 0;
    std::size_t refused = 0;
    std::size_t failures = 0;
    forGeneratedRecords([&](const std::string& record, std::uint64_t) {
        const std::u16string text = edit(formatRecordText(record), rng) + u"\r\n";
        const BuildResult result = buildIsoRecordChecked(text, kClock);
        if (result.error != BuildError::None) {
            ++refused;
            EXPECT_TRUE(result.record.empty());
            return;
        }
        ++built;
        const std::string problem = check::wellFormedProblem(result.record);
        const bool stable = save(result.record) == result.record;
        if ((!problem.empty() || !stable) && ++failures <= 3)
            ADD_FAILURE() << (problem.empty() ? "changed on its next save" : problem) << "\n"
                          << printable(text);
    });
    EXPECT_EQ(failures, 0u);
    // The edits must reach both outcomes, or the property says little.
    EXPECT_GT(built, kRecordsPerFormat);
    EXPECT_GT(refused, 10u);
}
