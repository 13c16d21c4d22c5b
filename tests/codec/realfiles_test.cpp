// Exchange files written by other MARC software, kept next to the repository, and the
// project's samples: every file reads to its end, one record per record terminator, and every
// record shown and built again unedited, as `bibliora-cli resave` and an unedited save in the
// window do, keeps the bytes of each field the builder keeps.

#include "codec_test_support.h"

#include <map>
#include <regex>

using namespace bibliora;
using namespace bibliora::test;

namespace {

// One record per record terminator: a byte 0x1D, or in a UTF-16 file the unit U+001D (badldr
// holds a stray one, which makes a seventh, broken record).
std::size_t terminators(const std::string& bytes)
{
    const std::size_t unit = bytes.rfind("\xFF\xFE", 0) == 0 ? 2 : 1;
    std::size_t n = 0;
    for (std::size_t i = unit == 2 ? 2 : 0; i + unit <= bytes.size(); i += unit)
        n += bytes[i] == '\x1D' && (unit == 1 || bytes[i + 1] == 0);
    return n;
}

// MARC-8 bytes without their escape sequences (ESC, intermediate bytes and a final byte):
// everything a field holds apart from where its sets change.
std::string withoutEscapes(const std::string& bytes)
{
    return std::regex_replace(bytes, std::regex("\x1B[$(),!-]*[\\s\\S]"), "");
}

// The fields a save writes, in the builder's order, read from the original record: control
// fields 001-009 before the pass stops (every 006 and 007, the last of each other tag; an
// empty one is dropped unless 001 or 005; 001 and 005 come from the clock when missing), then data
// fields by tag, each as its indicators and subfields (text between the indicators and the first
// delimiter is lost), when that is more than 4 characters.
std::vector<support::IsoField> keptFields(const MarcRecord& record, Encoding encoding)
{
    std::map<std::string, std::vector<std::string>> controls;
    std::multimap<std::string, std::string> data;
    const DirectoryView dir = directoryOf(record);
    bool stopped = false;
    for (std::size_t e = 0; dir.valid && e < dir.entries.size(); e += kEntryLength) {
        const FieldSlice f = fieldAt(record, dir, e);
        if (!f.numbersValid || f.data.empty())
            continue;
        std::string scratch;
        std::string bytes(withoutFieldTerminators(f.data, scratch));
        // A record terminator inside a field (a length running past the record's end) would
        // cut the record when exported one record per line: the builder drops it.
        bytes.erase(std::remove(bytes.begin(), bytes.end(), kRecordTerminator), bytes.end());
        const std::string tag(f.tag);
        const auto number = parseNumber(f.tag);
        if (tag.size() == 3 && number && *number >= 1 && *number <= 9 && tag[0] == '0') {
            if (!stopped && tag != "006" && tag != "007")
                controls[tag].clear();
            if (!stopped)
                controls[tag].push_back(bytes);
        } else if (number && *number >= 10 && tag.find(' ') == std::string::npos) {
            // The indicators are the first two bytes, kept whatever they are; then everything
            // from the first subfield delimiter.
            const std::size_t indicators = std::min<std::size_t>(2, bytes.size());
            std::u16string shown;
            FieldText::appendForDisplay(shown, encoding, bytes.substr(indicators), false);
            const std::size_t first = shown.find(char16_t(kSubfieldDelimiter));
            std::string kept = bytes.substr(0, indicators) + std::string(2 - indicators, ' ');
            if (first != std::u16string::npos)
                kept += bytes.substr(bytes.find(kSubfieldDelimiter, indicators));
            if (2 + (first == std::u16string::npos ? 0 : shown.size() - first) > 4)
                data.emplace(tag, kept);
        }
        if (tag.size() == 3 && number && tag > "100")
            stopped = true;
    }
    controls.emplace("001", std::vector<std::string>{"01143005"});
    controls.emplace("005", std::vector<std::string>{"20240131143005.0"});
    std::vector<support::IsoField> fields;
    for (const auto& [tag, values] : controls)
        for (const std::string& bytes : values)
            if (!bytes.empty() || tag == "001" || tag == "005")
                fields.push_back({tag, bytes});
    for (const auto& [tag, bytes] : data)
        fields.push_back({tag, bytes});
    return fields;
}

} // namespace

TEST(RealFiles, EveryFileReadsOneRecordPerTerminatorAndEachResavesWithItsFieldBytes)
{
    std::vector<std::filesystem::path> files;
    for (const std::filesystem::path folder : {BIBLIORA_SAMPLES, BIBLIORA_REAL_SAMPLES})
        if (std::filesystem::is_directory(folder))
            for (const auto& entry : std::filesystem::directory_iterator(folder))
                if (entry.path().extension() != ".md")
                    files.push_back(entry.path());
    if (files.size() < 4)
        GTEST_SKIP() << "no sample folder at " BIBLIORA_REAL_SAMPLES;
    std::sort(files.begin(), files.end());
    std::size_t records = 0;
    for (const auto& path : files) {
        std::size_t n = 0;
        EncodingVote vote;
        EXPECT_TRUE(readMarcFile(path, [&](MarcRecord&& record) {
            ++n;
            ++records;
            const Encoding encoding = vote.next(record);
            const std::u16string text = formatRecordText(record, encoding);
            const BuildResult built = rebuildRecord(text + u"\r\n", encoding, kNow);
            const std::string where = path.filename().string() + " record " + std::to_string(n);
            EXPECT_EQ(text.substr(0, 7) + rowTextsFor(1, record).sequence, u"HEA    1") << where;
            if (built.error != BuildError::None) {
                // Too long for ISO 2709's numbers, or a field with an empty subfield: the save
                // writes nothing, resave the original.
                EXPECT_NE(built.error, BuildError::TooFewLines) << where;
                return;
            }
            // The leader characters a save takes from the text, none of them one it would
            // blank in these files; leader/09 may come to declare UTF-8 (see below).
            for (const std::size_t k : {5, 6, 7, 8, 9, 17, 18, 19, 23})
                EXPECT_TRUE(record.size() <= k || built.record[k] == record[k] ||
                            (k == 9 && encoding == Encoding::Utf8 && built.record[k] == 'a'))
                    << where << " leader/" << k;
            // A record whose every non-ASCII byte was in a field the builder drops is ASCII.
            const bool ascii = std::all_of(built.record.begin(), built.record.end(), [](char c) {
                return static_cast<unsigned char>(c) < 0x80 && c != '\x1B';
            });
            // A save keeps the encoding, also of a record whose directory counted characters
            // and so cut fields inside a UTF-8 sequence (two of bu_bibs).
            EXPECT_TRUE(ascii || detectEncoding(built.record) == encoding) << where;
            const std::vector<support::IsoField> expected = keptFields(record, encoding);
            const std::vector<support::IsoField> got = fieldsOf(built.record);
            ASSERT_EQ(got.size(), expected.size()) << where;
            for (std::size_t i = 0; i < got.size(); ++i) {
                EXPECT_EQ(got[i].tag, expected[i].tag) << where;
                if (got[i].data == expected[i].data)
                    continue;
                // Only MARC-8 escapes may change, and only as far as the text stays: a byte
                // shown as its placeholder may come back as its character. Only in the mangled
                // EACC file of marc4j, whose EACC runs hold lone ASCII bytes (punctuation, a
                // stray letter) that the save puts after a return to ASCII, where yaz writes
                // the escapes otherwise.
                std::u16string before, after;
                FieldText::appendForDisplay(before, encoding, expected[i].data, got[i].tag < "010");
                FieldText::appendForDisplay(after, encoding, got[i].data, got[i].tag < "010");
                for (char16_t& c : before)
                    if (c >= 0x2800 && c < 0x2880)
                        c = static_cast<char16_t>(c - 0x2800);
                EXPECT_TRUE(encoding == Encoding::Marc8 && before == after &&
                            withoutEscapes(got[i].data) == withoutEscapes(expected[i].data) &&
                            where.find("chinese_mangled_multibyte") != std::string::npos)
                    << where << " field " << got[i].tag;
            }
        })) << path;
        EXPECT_EQ(n, terminators(support::readBytes(path))) << path;
    }
    EXPECT_GT(records, 1250u);
}
