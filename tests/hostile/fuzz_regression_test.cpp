// What the fuzz targets found, kept as cases, and a replay of every input kept under
// fuzz/corpus/ through the same checks the fuzz targets make.
#include "codec.h"
#include "isocheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace bibliora;

// The fuzz targets' entry points, compiled into this test under these names.
extern "C" int hostileFuzzReader(const std::uint8_t* data, std::size_t size);
extern "C" int hostileFuzzLookup(const std::uint8_t* data, std::size_t size);
extern "C" int hostileFuzzDisplayText(const std::uint8_t* data, std::size_t size);
extern "C" int hostileFuzzBuilder(const std::uint8_t* data, std::size_t size);

namespace {

constexpr BuildTime kClock{2024, 1, 31, 14, 30, 5};

MarcRecord save(std::string_view record)
{
    return buildIsoRecord(formatRecordText(record) + u"\r\n", kClock);
}

std::u16string header()
{
    return u"HEA    nam0 22     450 \r\n";
}

// Text with "$" standing for a raw subfield delimiter (U+001F), as pasted.
std::u16string pasted(std::u16string text)
{
    std::replace(text.begin(), text.end(), u'$', char16_t(kSubfieldDelimiter));
    return text;
}

// Record bytes with "$" for the subfield delimiter and "^" for the field terminator.
std::string bytes(std::string text)
{
    std::replace(text.begin(), text.end(), '$', kSubfieldDelimiter);
    std::replace(text.begin(), text.end(), '^', kFieldTerminator);
    return text;
}

bool holds(const MarcRecord& record, const std::string& part)
{
    return record.find(bytes(part)) != std::string::npos;
}

} // namespace

// A control line pasted with a subfield delimiter in it: the display shows that byte as "■",
// and "■" in a control line is the character itself, so the second save wrote a different 001.
TEST(FuzzFindings, ADelimiterInAControlLineIsWrittenAsTheMarkShown)
{
    const MarcRecord built =
        buildIsoRecord(header() + pasted(u"001    ab$cd\r\n200 1_ ■aTitle\r\n"), kClock);
    ASSERT_EQ(check::wellFormedProblem(built), "");
    EXPECT_EQ(lookupSubfield(built, u"001 "), u"ab■cd");
    EXPECT_EQ(save(built), built);
}

// A raw delimiter after the first "■" made an empty subfield when it stood next to a "■" or at
// the end of the line; the record was written, but its next save failed on "■■".
TEST(FuzzFindings, ARawDelimiterAfterTheFirstMarkEndsASubfieldLikeTheMark)
{
    const MarcRecord split =
        buildIsoRecord(header() + pasted(u"200 1_ ■aTitle$fAuthor\r\n"), kClock);
    EXPECT_EQ(split, buildIsoRecord(header() + u"200 1_ ■aTitle■fAuthor\r\n", kClock));
    EXPECT_EQ(lookupSubfield(split, u"200f"), u"Author");
    EXPECT_EQ(save(split), split);

    for (const char16_t* line :
         {u"200 1_ ■$aTitle", u"200 1_ ■aTitle$", u"200 1_ ■aTitle■$fAuthor"}) {
        const BuildResult result = buildIsoRecordChecked(header() + pasted(line) + u"\r\n", kClock);
        EXPECT_EQ(result.error, BuildError::EmptySubfield) << Gbk::toUtf8(line);
        EXPECT_EQ(result.line, 2u);
    }
    // Before the first "■" a delimiter still belongs to the indicators, as the display shows
    // a field that has none.
    const MarcRecord noIndicators =
        buildIsoRecord(header() + pasted(u"200 $a ■bTitle\r\n"), kClock);
    EXPECT_TRUE(holds(noIndicators, "$a$bTitle^"));
    EXPECT_EQ(save(noIndicators), noIndicators);
}

// A character outside the Basic Multilingual Plane typed as the indicators became one "?" for
// two characters: the display then took the delimiter for an indicator, and the next save
// dropped the field.
TEST(FuzzFindings, ASurrogatePairInTheIndicatorsStaysTwoIndicators)
{
    const MarcRecord built = buildIsoRecord(header() + u"200 😀■aTitle\r\n", kClock);
    ASSERT_EQ(check::wellFormedProblem(built), "");
    EXPECT_TRUE(holds(built, "??$aTitle^"));
    EXPECT_EQ(lookupSubfield(built, u"200a"), u"Title");
    EXPECT_EQ(save(built), built);
    // Elsewhere a pair is one character, written as one "?".
    const MarcRecord inData = buildIsoRecord(header() + u"200 1_ ■aA😀B\r\n", kClock);
    EXPECT_EQ(lookupSubfield(inData, u"200a"), u"A?B");
}

// A subfield whose code is a character outside the Basic Multilingual Plane and which has no
// data: two code units made the field look longer than a code alone, so it was written; its
// code came back as one "?", and the next save dropped the field.
TEST(FuzzFindings, AFieldOfOnlyASubfieldCodeIsLeftOutWhateverTheCode)
{
    const MarcRecord built =
        buildIsoRecord(header() + u"200 1_ ■aTitle\r\n245 10 ■😀\r\n606 0_ ■中\r\n", kClock);
    ASSERT_EQ(check::wellFormedProblem(built), "");
    EXPECT_EQ(formatRecordText(built).find(u"\r\n245"), std::u16string::npos);
    EXPECT_EQ(formatRecordText(built).find(u"\r\n606"), std::u16string::npos);
    EXPECT_EQ(save(built), built);
    // One character of data is enough, whatever its width.
    const MarcRecord withData = buildIsoRecord(header() + u"245 10 ■a😀\r\n", kClock);
    EXPECT_EQ(lookupSubfield(withData, u"245a"), u"?");
}

TEST(FuzzCorpus, EveryKeptInputPassesItsTargetsChecks)
{
    const std::pair<const char*, int (*)(const std::uint8_t*, std::size_t)> targets[] = {
        {"reader", hostileFuzzReader},
        {"lookup", hostileFuzzLookup},
        {"displaytext", hostileFuzzDisplayText},
        {"builder", hostileFuzzBuilder},
    };
    std::size_t replayed = 0;
    for (const auto& [name, run] : targets) {
        const std::filesystem::path folder = std::filesystem::path(BIBLIORA_FUZZ_CORPUS) / name;
        ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
            // A failed check aborts with the reason on standard error; name the input first.
            std::printf("%s: %s\n", name, entry.path().filename().string().c_str());
            std::fflush(stdout);
            run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 4u);
}
