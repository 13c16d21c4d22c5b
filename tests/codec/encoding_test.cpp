// Encodings: which one a record is in, and records of each shown and built again unchanged.

#include "codec_test_support.h"
#include "recordgen.h"

using namespace bibliora;
using namespace bibliora::test;

namespace {

const BuildTime kNow{2024, 1, 31, 14, 30, 5};

// A record of {tag, bytes} fields, bytes as they are ("\x1F" delimiters), leader given.
MarcRecord rawRecord(std::string leader,
                     const std::vector<std::pair<std::string, std::string>>& fields)
{
    std::string directory, data;
    for (const auto& [tag, bytes] : fields) {
        char entry[16];
        std::snprintf(entry, sizeof entry, "%.3s%04zu%05zu", tag.c_str(), bytes.size() + 1,
                      data.size());
        directory += entry;
        data += bytes + '\x1E';
    }
    return leader + directory + '\x1E' + data + '\x1D';
}

// Shows the record and builds it again unedited, in its own encoding.
MarcRecord resaved(const MarcRecord& record)
{
    return rebuildRecord(record, formatRecordText(record) + u"\r\n", kNow).record;
}

// The bytes of field `tag` (first of them) without its terminator.
std::string fieldBytes(const MarcRecord& record, std::string_view tag)
{
    const DirectoryView dir = directoryOf(record);
    for (std::size_t e = 0; e + kEntryLength <= dir.entries.size(); e += kEntryLength)
        if (dir.entries.substr(e, 3) == tag) {
            std::string scratch;
            return std::string(withoutFieldTerminators(fieldAt(record, dir, e).data, scratch));
        }
    return "(none)";
}

const std::string kMarc21Leader = "00000nam  2200000 a 4500";
const std::string kUtf8Leader = "00000nam a2200000 a 4500";

// 245 $a in MARC-8: "Pr" + acute + "ecis" (ANSEL E2 before the e) and EACC 一文 (ESC $ 1 ...).
const std::string kAnselTitle = "10\x1F"
                                "aPr\xE2"
                                "ecis /";
const std::string kEaccTitle = "10\x1F"
                               "a\x1B$1!0!!BX\x1B(B.";

} // namespace

TEST(Encoding, GeneratedGbkRecordsAreNeverTakenForAnythingElse)
{
    // 100,000 CNMARC records (each declares "50", ISO 10646, in 100 $a/26-27, which is false),
    // the same with that declaration blanked, and MARC21 records in GBK with leader/09 blank.
    std::size_t other = 0;
    std::size_t checked = 0;
    bench::GeneratedRecord g;
    for (const auto format : {bench::RecordFormat::Cnmarc, bench::RecordFormat::Marc21}) {
        const bench::RecordGenerator generator(11, format);
        const std::uint64_t count = format == bench::RecordFormat::Cnmarc ? 100000 : 20000;
        for (std::uint64_t i = 0; i < count; ++i) {
            generator.make(i, g);
            other += detectEncoding(g.bytes) != Encoding::Gbk;
            ++checked;
            if (format == bench::RecordFormat::Cnmarc && i % 10 == 0) {
                const std::size_t at = g.bytes.find("y50      ea");
                ASSERT_NE(at, std::string::npos);
                g.bytes.replace(at + 1, 2, "  ");
                other += detectEncoding(g.bytes) != Encoding::Gbk;
                ++checked;
            }
        }
    }
    EXPECT_EQ(other, 0u) << "of " << checked;
}

TEST(Encoding, DetectsEachEncodingFromBytesNotDeclaration)
{
    const std::string chinese = "\xE4\xB8\xAD\xE6\x96\x87"; // 中文 in UTF-8
    const std::string gbkChinese = "\xD6\xD0\xCE\xC4";      // 中文 in GBK
    struct Case
    {
        const char* what;
        MarcRecord record;
        Encoding expected;
    } cases[] = {
        {"UTF-8 CNMARC",
         rawRecord("00000nam0 2200000   450 ", {{"200", "1 \x1F"
                                                        "a" +
                                                            chinese}}),
         Encoding::Utf8},
        {"UTF-8 with leader/09 blank",
         rawRecord(kMarc21Leader, {{"245", "10\x1F"
                                           "a" +
                                               chinese}}),
         Encoding::Utf8},
        {"GBK declared UTF-8",
         rawRecord(kUtf8Leader, {{"245", "10\x1F"
                                         "a" +
                                             gbkChinese}}),
         Encoding::Gbk},
        {"GBK E2 65 pair, which ANSEL reads as e acute",
         rawRecord(kMarc21Leader, {{"245", "10\x1F"
                                           "a" +
                                               gbkChinese + "\xE2\x65"}}),
         Encoding::Gbk},
        {"MARC-8 ANSEL", rawRecord(kMarc21Leader, {{"245", kAnselTitle}}), Encoding::Marc8},
        {"MARC-8 EACC", rawRecord(kMarc21Leader, {{"245", kEaccTitle}}), Encoding::Marc8},
        {"MARC-8 bytes under a UTF-8 leader", rawRecord(kUtf8Leader, {{"245", kAnselTitle}}),
         Encoding::Marc8},
        {"ASCII",
         rawRecord(kMarc21Leader, {{"245", "10\x1F"
                                           "aTitle"}}),
         Encoding::Gbk},
        {"ASCII declared UTF-8",
         rawRecord(kUtf8Leader, {{"245", "10\x1F"
                                         "aTitle"}}),
         Encoding::Utf8},
        {"UTF-8 with a stray byte, declared",
         rawRecord(kUtf8Leader, {{"245", "10\x1F"
                                         "a" +
                                             chinese + chinese + "\xFF"}}),
         Encoding::Utf8},
        {"cp866 Cyrillic",
         rawRecord(kMarc21Leader, {{"200", "1 \x1F"
                                           "a\x8F\xE3\xE8\xAA\xA8\xAD"}}),
         Encoding::Gbk},
        // Text beyond ASCII after a long ASCII run, and escapes before and after it.
        {"UTF-8 after a long ASCII run",
         rawRecord(kMarc21Leader, {{"245", "10\x1F"
                                           "aA title of more than thirty-two bytes: " +
                                               chinese}}),
         Encoding::Utf8},
        {"GBK after a long ASCII run and a lone ESC",
         rawRecord(kMarc21Leader, {{"245", "10\x1F"
                                           "aA title of more than thirty-two bytes \x1B " +
                                               gbkChinese}}),
         Encoding::Gbk},
        {"an escape sequence after GBK text",
         rawRecord(kMarc21Leader, {{"245", "10\x1F"
                                           "a" +
                                               gbkChinese + " \x1B$1!0!!BX\x1B(B"}}),
         Encoding::Marc8},
        // The directory says nothing, whatever its bytes.
        {"a tag of UTF-8 bytes", rawRecord(kMarc21Leader, {{chinese.substr(0, 3), "aTitle"}}),
         Encoding::Gbk},
        {"a tag holding an escape",
         rawRecord(kMarc21Leader, {{"\x1B$1", "aTitle"},
                                   {"245", "10\x1F"
                                           "a" +
                                               gbkChinese}}),
         Encoding::Gbk},
    };
    for (const Case& c : cases)
        EXPECT_EQ(detectEncoding(c.record), c.expected) << c.what;
    EXPECT_STREQ(encodingName(Encoding::Marc8), "MARC-8");
}

TEST(Encoding, UnicodeAndMarc8RecordsAreShownInUnicodeAndSavedInTheirOwnBytes)
{
    const MarcRecord utf8 = rawRecord(kUtf8Leader, {{"001", "  7081"},
                                                    {"245", "10\x1F"
                                                            "a\xE5\x8D\x8A\xE7\x94\xB0"
                                                            "\xE5\xB8\x82 /\x1F"
                                                            "cHanda"}});
    EXPECT_EQ(titleOf(utf8), u"半田市 /");
    EXPECT_NE(formatRecordText(utf8).find(u"245 10 ■a半田市 /■cHanda"), std::u16string::npos);
    const MarcRecord utf8Again = resaved(utf8);
    EXPECT_EQ(fieldBytes(utf8Again, "245"), fieldBytes(utf8, "245"));
    // Lengths count UTF-8 bytes: 2 indicators, 2 + 10 + 2 + 6 subfield bytes, terminator.
    EXPECT_NE(utf8Again.find("245002300"), std::string::npos);

    const MarcRecord ansel = rawRecord(kMarc21Leader, {{"245", kAnselTitle}});
    EXPECT_EQ(titleOf(ansel), u"Pre\u0301cis /");
    EXPECT_EQ(fieldBytes(resaved(ansel), "245"), kAnselTitle);

    const MarcRecord eacc = rawRecord(kMarc21Leader, {{"245", kEaccTitle}});
    EXPECT_EQ(titleOf(eacc), u"一文.");
    EXPECT_EQ(fieldBytes(resaved(eacc), "245"), kEaccTitle);
    // Lone bytes amid EACC's three-byte characters, which yaz skips, are kept: the save
    // returns to ASCII before each.
    const MarcRecord lone = rawRecord(kMarc21Leader, {{"245", "10\x1F"
                                                              "a\x1B$1!0!J!BX."}});
    EXPECT_EQ(titleOf(lone), u"一\u284A文\u282E");
    EXPECT_EQ(fieldBytes(resaved(lone), "245"), "10\x1F"
                                                "a\x1B$1!0!\x1B(BJ\x1B$1!BX\x1B(B.");

    // A numeric character reference is text like any other; a character MARC-8 cannot hold
    // becomes one.
    const MarcRecord reference = rawRecord(kMarc21Leader, {{"245", "10\x1F"
                                                                   "a&#x4E00;"}});
    EXPECT_EQ(titleOf(reference), u"&#x4E00;");
    const MarcRecord built =
        buildIsoRecord(u"HEA    nam  22        4500\r\n245 10 ■a😀■bé\r\n", kNow, Encoding::Marc8);
    EXPECT_EQ(fieldBytes(built, "245"), "10\x1F"
                                        "a&#x1F600;\x1F"
                                        "b\xE2"
                                        "e");
    EXPECT_EQ(detectEncoding(built), Encoding::Marc8);
}

TEST(Encoding, BytesInvalidInTheEncodingCrAndLfAndMarksSurviveASave)
{
    // An ill-formed UTF-8 byte, a stray GBK lead byte, an ANSEL diacritic with nothing to sit
    // on, a bare CR and LF, and marks the display would read back as something else.
    const std::string badUtf8 = "10\x1F"
                                "a\xE4\xB8\xAD\xFF\xE6\x96\x87\x1F"
                                "b\xE2\x96\xA0\xE2\xA0\x81";
    const std::string gbkField = "1 \x1F"
                                 "a\xD6\xD0\x81\x0D\xCE\xC4\x0A\xA1\xF6";
    const std::string ansel = "10\x1F"
                              "aEnd\xE2";
    const MarcRecord records[] = {
        rawRecord(kUtf8Leader, {{"245", badUtf8 + "\xE4\xB8\xAD\xE6\x96\x87"}}),
        rawRecord("00000nam0 2200000   450 ", {{"200", gbkField}}),
        rawRecord(kMarc21Leader, {{"245", "10\x1F"
                                          "aPr\xE2"
                                          "ecis"},
                                  {"246", ansel}}),
        rawRecord(kMarc21Leader, {{"001", " a\x0D"},
                                  {"245", "10\x1F"
                                          "aT"}}),
    };
    for (const MarcRecord& record : records) {
        const std::u16string text = formatRecordText(record);
        const MarcRecord again = resaved(record);
        // One line per field: a CR or LF of the record never breaks a line of the text.
        EXPECT_EQ(std::count(text.begin(), text.end(), u'\n'),
                  static_cast<long>(directoryOf(record).entries.size() / kEntryLength))
            << Gbk::toUtf8(text);
        for (const char* tag : {"001", "200", "245", "246"})
            if (fieldBytes(record, tag) != "(none)") {
                EXPECT_EQ(fieldBytes(again, tag), fieldBytes(record, tag)) << tag;
            }
        EXPECT_EQ(again, resaved(again));
    }
    const std::u16string shown = formatRecordText(records[1]);
    EXPECT_NE(shown.find(u"■a中\u2881\u280D文\u280A\u28A1\u28F6"), std::u16string::npos);
}

TEST(Encoding, AUtf8RecordCutInsideACharacterIsStillUtf8AfterASave)
{
    // Its directory counted characters, not bytes: 245 ends inside 立 (E7 AB 8B). The record
    // as a whole is well-formed UTF-8; the field on its own, as a save writes it, is not.
    MarcRecord record = rawRecord(kMarc21Leader, {{"245", "10\x1F"
                                                          "a\xE5\x8D\x8A\xE7\x94\xB0"
                                                          "\xE5\xB8\x82\xE7\xAB\x8B"}});
    const std::size_t entry = record.find("245");
    record.replace(entry + 3, 4, "0014");
    ASSERT_EQ(detectEncoding(record), Encoding::Utf8);
    const MarcRecord again = resaved(record);
    EXPECT_EQ(fieldBytes(again, "245"), "10\x1F"
                                        "a\xE5\x8D\x8A\xE7\x94\xB0\xE5\xB8\x82\xE7");
    EXPECT_EQ(detectEncoding(again), Encoding::Utf8);
    EXPECT_EQ(again[9], 'a');
    EXPECT_EQ(resaved(again), again);
}

TEST(Encoding, ControlFieldsAndLeaderSurviveASave)
{
    std::string f008 = "850604s1964    ja a          000 0 jpn";
    f008.resize(38, ' ');
    f008 += "  "; // positions 38-39 blank
    const MarcRecord record = rawRecord("01234cam a2200277 a 4500", {{"001", "   70813420 /AJ/r86"},
                                                                     {"003", "DLC"},
                                                                     {"005", "19860604000000.0"},
                                                                     {"006", "m     o  d        "},
                                                                     {"007", "cr |n|||||||||"},
                                                                     {"008", f008},
                                                                     {"009", " x "},
                                                                     {"245", "10\x1F"
                                                                             "aTitle"}});
    const MarcRecord again = resaved(record);
    for (const char* tag : {"001", "003", "005", "006", "007", "008", "009"})
        EXPECT_EQ(fieldBytes(again, tag), fieldBytes(record, tag)) << tag;
    EXPECT_EQ(again.substr(5, 5), "cam a");
    EXPECT_EQ(again.substr(17, 7), " a 4500");

    // A line typed another way is still trimmed, and 002/004 without a value are not written.
    const MarcRecord typed = buildIsoRecord(
        u"HEA    nam  22\r\n001 123 \r\n002\r\n004    \r\n008  x  \r\n200 1_ ■aT\r\n", kNow);
    EXPECT_EQ(fieldBytes(typed, "001"), "123");
    EXPECT_EQ(fieldBytes(typed, "008"), "x");
    EXPECT_EQ(fieldBytes(typed, "002"), "(none)");
    EXPECT_EQ(fieldBytes(typed, "004"), "(none)");
    EXPECT_EQ(typed.substr(17, 7), "   450 ");
}
