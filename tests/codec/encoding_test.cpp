// Encodings: which one a record is in, and records of each shown and built again unchanged.
// Octal escapes: \037 is the subfield delimiter, \342 the ANSEL acute.

#include "codec_test_support.h"
#include "fuzzchecks.h"
#include "recordgen.h"

using namespace bibliora;
using namespace bibliora::test;
using support::assembleIso;
using support::RecordFormat;
using support::save;

namespace {

// The bytes of field `tag` (first of them) without its terminator.
std::string fieldBytes(const MarcRecord& record, std::string_view tag)
{
    for (const support::IsoField& f : fieldsOf(record))
        if (f.tag == tag)
            return f.data;
    return "(none)";
}

const std::string kCnmarcLeader = "00000nam0 2200000   450 ";
const std::string kMarc21Leader = "00000nam  2200000 a 4500";
const std::string kUtf8Leader = "00000nam a2200000 a 4500";
const std::string kChinese = "\xE4\xB8\xAD\xE6\x96\x87"; // 中文 in UTF-8
const std::string kGbkChinese = "\xD6\xD0\xCE\xC4";      // 中文 in GBK
// 245 in MARC-8: "Pr" + acute + "ecis" (ANSEL E2 before the e) and EACC 一文 (ESC $ 1 ...).
const std::string kAnselTitle = "10\037aPr\342ecis /";
const std::string kEaccTitle = "10\037a\x1B$1!0!!BX\x1B(B.";

} // namespace

TEST(Encoding, GeneratedGbkRecordsAreNeverTakenForAnythingElse)
{
    // 100,000 CNMARC records (each declares "50", ISO 10646, in 100 $a/26-27, which is false),
    // every tenth again with that declaration blanked, and MARC21 records in GBK with
    // leader/09 blank.
    std::size_t other = 0;
    support::GeneratedRecord g;
    for (std::uint64_t i = 0; i < 120000; ++i) {
        const bool cnmarc = i < 100000;
        support::RecordGenerator(11, cnmarc ? RecordFormat::Cnmarc : RecordFormat::Marc21)
            .make(i, g);
        other += detectEncoding(g.bytes) != Encoding::Gbk;
        if (cnmarc && i % 10 == 0) {
            const std::size_t at = g.bytes.find("y50      ea");
            ASSERT_NE(at, std::string::npos);
            other += detectEncoding(g.bytes.replace(at + 1, 2, "  ")) != Encoding::Gbk;
        }
    }
    EXPECT_EQ(other, 0u);
}

TEST(Encoding, DetectsEachEncodingFromBytesNotDeclaration)
{
    const std::tuple<const char*, std::string, std::string, Encoding> cases[] = {
        {"UTF-8 CNMARC", kCnmarcLeader, "1 \037a" + kChinese, Encoding::Utf8},
        {"UTF-8 with leader/09 blank", kMarc21Leader, "10\037a" + kChinese, Encoding::Utf8},
        {"GBK declared UTF-8", kUtf8Leader, "10\037a" + kGbkChinese, Encoding::Gbk},
        {"GBK E2 65, which ANSEL reads as e acute", kMarc21Leader,
         "10\037a" + kGbkChinese + "\xE2\x65", Encoding::Gbk},
        {"MARC-8 ANSEL", kMarc21Leader, kAnselTitle, Encoding::Marc8},
        {"MARC-8 EACC", kMarc21Leader, kEaccTitle, Encoding::Marc8},
        {"MARC-8 bytes under a UTF-8 leader", kUtf8Leader, kAnselTitle, Encoding::Marc8},
        {"ASCII", kMarc21Leader, "10\037aTitle", Encoding::Gbk},
        {"ASCII declared UTF-8", kUtf8Leader, "10\037aTitle", Encoding::Utf8},
        {"UTF-8 with a stray byte, declared", kUtf8Leader, "10\037a" + kChinese + kChinese + "\xFF",
         Encoding::Utf8},
        {"cp866 Cyrillic", kMarc21Leader, "1 \037a\x8F\xE3\xE8\xAA\xA8\xAD", Encoding::Gbk},
        // Text beyond ASCII after a long ASCII run, and escapes before and after it.
        {"UTF-8 after a long ASCII run", kMarc21Leader,
         "10\037aA title of more than thirty-two bytes: " + kChinese, Encoding::Utf8},
        {"GBK after a long ASCII run and a lone ESC", kMarc21Leader,
         "10\037aA title of more than thirty-two bytes \x1B " + kGbkChinese, Encoding::Gbk},
        {"an escape sequence after GBK text", kMarc21Leader,
         "10\037a" + kGbkChinese + " \x1B$1!0!!BX\x1B(B", Encoding::Marc8},
    };
    for (const auto& [what, leader, field, expected] : cases)
        EXPECT_EQ(detectEncoding(assembleIso(leader, {{"245", field}})), expected) << what;
    // The directory says nothing, whatever its bytes.
    EXPECT_EQ(detectEncoding(assembleIso(kMarc21Leader, {{kChinese.substr(0, 3), "aTitle"}})),
              Encoding::Gbk);
    EXPECT_EQ(detectEncoding(assembleIso(kMarc21Leader,
                                         {{"\x1B$1", "aTitle"}, {"245", "10\037a" + kGbkChinese}})),
              Encoding::Gbk);
    EXPECT_STREQ(encodingName(Encoding::Marc8), "MARC-8");
}

TEST(Encoding, ARecordThatFitsSeveralEncodingsTakesTheOneOfTheFilesOtherRecords)
{
    // 澳门 in GBK (B0 C4 C3 C5) is also four ANSEL signs; "Ari" EB "i" EC "a" is MARC-8's
    // ligature over "ia" and also two GBK characters (雐靉).
    const MarcRecord macau = assembleIso(kCnmarcLeader, {{"200", "1 \037a\xB0\xC4\xC3\xC5"}});
    const MarcRecord aria = assembleIso(kMarc21Leader, {{"245", "10\037aAri\xEBi\xEC"
                                                                "a Orfe\xEBi\xEC"
                                                                "a."}});
    const MarcRecord ascii = assembleIso(kMarc21Leader, {{"245", "10\037aTitle"}});
    const MarcRecord gbk = assembleIso(kCnmarcLeader, {{"200", "1 \037a" + kGbkChinese}});
    const MarcRecord eacc = assembleIso(kMarc21Leader, {{"245", kEaccTitle}});
    const MarcRecord utf8 = assembleIso(kMarc21Leader, {{"245", "10\037a" + kChinese}});
    const auto read = [](const std::vector<MarcRecord>& file) {
        EncodingVote vote;
        std::vector<Encoding> encodings;
        for (const MarcRecord& record : file)
            encodings.push_back(vote.next(record));
        return encodings;
    };
    using E = Encoding;
    const std::tuple<const char*, std::vector<MarcRecord>, std::vector<Encoding>> files[] = {
        {"after GBK records", {gbk, gbk, macau, ascii}, {E::Gbk, E::Gbk, E::Gbk, E::Gbk}},
        {"after a MARC-8 record", {eacc, aria, ascii}, {E::Marc8, E::Marc8, E::Marc8}},
        {"the majority among those it fits",
         {utf8, utf8, eacc, aria, ascii},
         {E::Utf8, E::Utf8, E::Marc8, E::Marc8, E::Utf8}},
        {"alone, or a tie: as detected",
         {macau, aria, ascii, gbk, eacc, macau},
         {E::Marc8, E::Marc8, E::Gbk, E::Gbk, E::Marc8, E::Marc8}},
    };
    for (const auto& [what, file, expected] : files)
        EXPECT_EQ(read(file), expected) << what;
    EXPECT_EQ(titleOf(aria, Encoding::Marc8), u"Arii\u0361a Orfei\u0361a.");
    EXPECT_EQ(titleOf(macau, Encoding::Gbk), u"澳门");
}

TEST(Encoding, RecordsOfEveryEncodingAreShownInUnicodeAndSavedInTheirOwnBytes)
{
    // Valid text of each encoding, then bytes invalid in it: an ill-formed UTF-8 byte, a stray
    // GBK lead byte, an ANSEL diacritic with nothing to sit on, bare CR and LF, and marks the
    // display would read back as something else.
    const std::tuple<std::string, std::string, std::string, std::u16string> cases[] = {
        {kUtf8Leader, "245", "10\037a\xE5\x8D\x8A\xE7\x94\xB0\xE5\xB8\x82 /\037cHanda",
         u"245 10 ■a半田市 /■cHanda"},
        {kMarc21Leader, "245", kAnselTitle, u"245 10 ■aPre\u0301cis /"},
        {kMarc21Leader, "245", kEaccTitle, u"245 10 ■a一文."},
        // A numeric character reference is text like any other.
        {kMarc21Leader, "245", "10\037a&#x4E00;", u"■a&#x4E00;"},
        {kUtf8Leader, "245",
         "10\037a\xE4\xB8\xAD\xFF\xE6\x96\x87\037b\xE2\x96\xA0\xE2\xA0\x81\xE4\xB8\xAD", u"■a中"},
        {kCnmarcLeader, "200", "1 \037a\xD6\xD0\x81\x0D\xCE\xC4\x0A\xA1\xF6",
         u"■a中\u2881\u280D文\u280A\u28A1\u28F6"},
        {kMarc21Leader, "246", "10\037aEnd\342", u"246 10 ■aEnd"},
        // Indicators are two bytes, even where together they would make a GBK character.
        {kCnmarcLeader, "300", "\201`\037aX", u"300 \u2881` ■aX"},
        // A double tilde over "0" (first half FA, second half FB) and a second half too many.
        {kMarc21Leader, "246", "10\037a\3720\373\373 x", u"246 10 ■a0\u0360\u28FB x"},
        {kMarc21Leader, "001", " a\x0D", u"001     a"},
        // An escape to a set yaz does not have is bytes, not a change of set.
        {kMarc21Leader, "001", "a\x1B$&b", u"001    a\u281B$&b"},
        {kMarc21Leader, "001", "a\x1B))b", u"001    a\u281B))b"},
    };
    for (const auto& [leader, tag, field, shown] : cases) {
        const MarcRecord record = assembleIso(leader, {{"005", "1"}, {tag, field}});
        const std::u16string text = formatRecordText(record);
        EXPECT_NE(text.find(shown), std::u16string::npos) << Gbk::toUtf8(text);
        // One line per field: a CR or LF of the record never breaks a line of the text.
        EXPECT_EQ(std::count(text.begin(), text.end(), u'\n'), 2) << Gbk::toUtf8(text);
        const MarcRecord again = save(record);
        EXPECT_EQ(fieldBytes(again, tag), field) << Gbk::toUtf8(text);
        EXPECT_EQ(again, save(again));
    }
    // A character MARC-8 cannot hold becomes a numeric character reference.
    const MarcRecord built =
        buildIsoRecord(u"HEA    nam  22        4500\r\n245 10 ■a😀■bé\r\n", kNow, Encoding::Marc8);
    EXPECT_EQ(fieldBytes(built, "245"), "10\037a&#x1F600;\037b\342e");
    // So does one for which yaz writes nothing and says nothing: a "■" (a subfield delimiter in
    // a control field, as shown).
    EXPECT_EQ(fieldBytes(buildIsoRecord(u"HEA    nam  22        4500\r\n007    a■b\r\n", kNow,
                                        Encoding::Marc8),
                         "007"),
              "a&#x25A0;b");
    // An ESC kept as a byte, where what follows it would now make it a change of set (here the
    // terminator that stood between them is gone), becomes its reference instead.
    EXPECT_EQ(fieldBytes(buildIsoRecord(u"HEA    nam  22        4500\r\n580 __ ■\u281B(2\r\n", kNow,
                                        Encoding::Marc8),
                         "580"),
              "  \037&#x1B;(2");
    EXPECT_EQ(detectEncoding(built), Encoding::Marc8);
    // Lone bytes amid EACC's three-byte characters, which yaz skips, are kept: the save
    // returns to ASCII before each.
    const MarcRecord lone = assembleIso(kMarc21Leader, {{"245", "10\037a\x1B$1!0!J!BX."}});
    EXPECT_EQ(titleOf(lone), u"一\u284A文\u282E");
    EXPECT_EQ(fieldBytes(save(lone), "245"), "10\037a\x1B$1!0!\x1B(BJ\x1B$1!BX\x1B(B.");
}

TEST(Encoding, AUtf8RecordCutInsideACharacterIsStillUtf8AfterASave)
{
    // Its directory counted characters, not bytes: 245 ends inside 立 (E7 AB 8B). The record
    // as a whole is well-formed UTF-8; the field on its own, as a save writes it, is not.
    MarcRecord record = assembleIso(kMarc21Leader, {{"245", "10\x1F"
                                                            "a\xE5\x8D\x8A\xE7\x94\xB0"
                                                            "\xE5\xB8\x82\xE7\xAB\x8B"}});
    const std::size_t entry = record.find("245");
    record.replace(entry + 3, 4, "0014");
    ASSERT_EQ(detectEncoding(record), Encoding::Utf8);
    const MarcRecord again = save(record);
    EXPECT_EQ(fieldBytes(again, "245"), "10\x1F"
                                        "a\xE5\x8D\x8A\xE7\x94\xB0\xE5\xB8\x82\xE7");
    EXPECT_EQ(detectEncoding(again), Encoding::Utf8);
    EXPECT_EQ(again[9], 'a');
    EXPECT_EQ(save(again), again);
}
