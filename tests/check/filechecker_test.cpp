// The checker's rules, each on records that break it and records that keep it, the rule set a
// record is held to, and duplicates across a file. Records are assembled byte by byte.
#include "check.h"
#include "codec_test_support.h"
#include "marc8.h"
#include "recordchecker.h"

#include <algorithm>
#include <random>

using namespace bibliora;
using namespace bibliora::check;

namespace {

using Fields = std::vector<std::pair<std::string, std::u16string>>;

// Clean records: every rule kept.
const Fields kCnmarc = {
    {"001", u"CN0001"},
    {"005", u"20240131143005.0"},
    {"010", u"  $a978-7-301-12345-4$dCNY25.00"},
    {"100", u"  $a20240131d2024    em y0chiy50      ea"},
    {"101", u"0 $achi"},
    {"200", u"1 $a书名$f作者"},
    {"801", u" 0$aCN$bNLC$c20240131"},
};
const Fields kMarc21 = {
    {"001", u"ocm0001"},
    {"005", u"20240131143005.0"},
    {"008", u"240131s2024    cc     "
            u"       000 0 chi d"},
    {"020", u"  $a9787301123454"},
    {"100", u"1 $a作者"},
    {"245", u"10$a书名"},
};

// A record in code page 936, "$" standing for the subfield delimiter, lengths computed.
std::string isoRecord(const Fields& fields, const char* leader = "00000nam0 2200000   450 ")
{
    std::vector<support::IsoField> iso;
    for (const auto& [tag, text] : fields)
        iso.push_back({tag, test::gbk(text)});
    return support::assembleIso(leader, iso);
}

enum class Op
{
    Set, // replaces the first field of the tag, or adds one
    Add, // adds a field after those of lower or equal tags
    Drop,
};
struct Edit
{
    Op op;
    std::string tag;
    std::u16string text;
};

Fields edited(Fields fields, const std::vector<Edit>& edits)
{
    for (const Edit& e : edits) {
        const auto same = [&](const auto& f) { return f.first == e.tag; };
        if (e.op == Op::Drop) {
            fields.erase(std::remove_if(fields.begin(), fields.end(), same), fields.end());
            continue;
        }
        const auto it = std::find_if(fields.begin(), fields.end(), same);
        if (e.op == Op::Set && it != fields.end()) {
            it->second = e.text;
            continue;
        }
        const auto after = std::find_if(fields.begin(), fields.end(),
                                        [&](const auto& f) { return f.first > e.tag; });
        fields.insert(after, {e.tag, e.text});
    }
    return fields;
}

// "rule tag code" for each problem, in order: what the tables below expect.
std::vector<std::string> summary(const std::vector<Problem>& problems)
{
    std::vector<std::string> s;
    for (const Problem& p : problems)
        s.push_back(std::string(ruleName(p.rule)) + " " + p.tag + (p.code.empty() ? "" : " ") +
                    p.code);
    return s;
}

std::vector<Problem> checked(const std::string& record, Encoding encoding = Encoding::Gbk,
                             RuleSet set = RuleSet::Auto)
{
    std::vector<Problem> out;
    FileChecker(set).check(record, encoding, 1, out);
    return out;
}

struct RuleCase
{
    const char* what;
    const Fields& base;
    std::vector<Edit> edits;
    std::vector<std::string> expected;
    std::string message = {}; // in the first problem's message
};

} // namespace

TEST(FileChecker, EachRuleOnRecordsThatBreakOrKeepIt)
{
    const RuleCase cases[] = {
        {"clean CNMARC", kCnmarc, {}, {}},
        {"clean MARC21", kMarc21, {}, {}},
        {"ISBN-13 check digit",
         kCnmarc,
         {{Op::Set, "010", u"  $a978-7-301-12345-5"}},
         {"isbn 010 a"},
         "010 $a: ISBN 校验位错误，应为 4"},
        {"ISBN-10 with X", kCnmarc, {{Op::Set, "010", u"  $a0-8044-2957-X (平装)"}}, {}},
        {"no ISBN", kCnmarc, {{Op::Set, "010", u"  $a7-301-12345"}}, {"isbn 010 a"}, "不是 ISBN"},
        {"ISBN of $z is not read", kCnmarc, {{Op::Set, "010", u"  $z7-301-12345"}}, {}},
        {"ISSN check digit",
         kCnmarc,
         {{Op::Add, "011", u"  $a0378-5956"}},
         {"issn 011 a"},
         "011 $a: ISSN 校验位错误，应为 5"},
        {"ISSN with X", kCnmarc, {{Op::Add, "011", u"  $a2434-561X"}}, {}},
        {"100 $a of 35",
         kCnmarc,
         {{Op::Set, "100", u"  $a20240131d2024    em y0chiy50      e"}},
         {"length 100 a"},
         "100 $a: 应为 36 个字符，实为 35 个"},
        {"100 $a of 37",
         kCnmarc,
         {{Op::Set, "100", u"  $a20240131d2024    em y0chiy50      eaa"}},
         {"length 100 a"}},
        {"100 $a on a 31st of February",
         kCnmarc,
         {{Op::Set, "100", u"  $a20230231d2023    em y0chiy50      ea"}},
         {"date 100 a"}},
        {"100 $a on a leap day",
         kCnmarc,
         {{Op::Set, "100", u"  $a20240229d2024    em y0chiy50      ea"}},
         {}},
        {"005 not a time", kCnmarc, {{Op::Set, "005", u"20240231143005.0"}}, {"date 005"}},
        {"005 twice", kCnmarc, {{Op::Add, "005", u"20240131143005.0"}}, {"repeat 005"}},
        {"801 twice", kCnmarc, {{Op::Add, "801", u" 2$aCN$bNLC"}}, {}},
        {"200 without $a", kCnmarc, {{Op::Set, "200", u"1 $f作者"}}, {"mandatory 200 a"}},
        {"200 first indicator", kCnmarc, {{Op::Set, "200", u"  $a书名"}}, {"indicator 200"}},
        {"indicator not a digit, letter or blank",
         kCnmarc,
         {{Op::Set, "101", u"A $achi"}},
         {"indicator 101"}},
        {"missing fields in tag order",
         kCnmarc,
         {{Op::Drop, "801", {}}, {Op::Drop, "001", {}}, {Op::Drop, "101", {}}},
         {"mandatory 001", "mandatory 101", "mandatory 801"}},
        {"no subfield", kCnmarc, {{Op::Set, "101", u"0 chi"}}, {"subfield 101"}},
        {"code without data", kCnmarc, {{Op::Set, "101", u"0 $a$bchi"}}, {"subfield 101 a"}},
        {"delimiter without code", kCnmarc, {{Op::Set, "101", u"0 $achi$"}}, {"subfield 101"}},
        {"capital code", kCnmarc, {{Op::Set, "101", u"0 $Achi"}}, {"subfield 101 A"}},
        {"Chinese code", kCnmarc, {{Op::Set, "101", u"0 $中chi"}}, {"subfield 101 中"}},
        {"data before the first subfield",
         kCnmarc,
         {{Op::Set, "101", u"0 chi$achi"}},
         {"subfield 101"}},
        {"008 counted in characters",
         kMarc21,
         {{Op::Set, "008",
           u"240131s2024    cc     "
           u"       000 0 中文  d"}},
         {}},
        {"008 of 39",
         kMarc21,
         {{Op::Set, "008", kMarc21[2].second.substr(0, 39)}},
         {"length 008"},
         "008: 应为 40 个字符，实为 39 个"},
        {"245 first indicator", kMarc21, {{Op::Set, "245", u"20$a书名"}}, {"indicator 245"}},
        {"245 second indicator", kMarc21, {{Op::Set, "245", u"1a$a书名"}}, {"indicator 245"}},
        {"245 with $k", kMarc21, {{Op::Set, "245", u"10$k手稿"}}, {}},
        {"245 without $a or $k",
         kMarc21,
         {{Op::Set, "245", u"10$b副题"}},
         {"mandatory 245 a"},
         "245: 缺少必备子字段 $a 或 $k"},
        {"two 1XX", kMarc21, {{Op::Add, "110", u"2 $a机构"}}, {"repeat 110"}},
        {"003 twice",
         kMarc21,
         {{Op::Add, "003", u"OCoLC"}, {Op::Add, "003", u"DLC"}},
         {"repeat 003"}},
        {"006 and 007 repeat",
         kMarc21,
         {{Op::Add, "006", u"m     o  d        "},
          {Op::Add, "006", u"m     o  d        "},
          {Op::Add, "007", u"ta"},
          {Op::Add, "007", u"cr"}},
         {}},
        {"020 not an ISBN", kMarc21, {{Op::Set, "020", u"  $acw"}}, {"isbn 020 a"}},
        {"020 check digit", kMarc21, {{Op::Set, "020", u"  $a9787301123455"}}, {"isbn 020 a"}},
        {"022 check digit", kMarc21, {{Op::Add, "022", u"0 $a0378-5956"}}, {"issn 022 a"}},
        {"MARC21 010 holds no ISBN", kMarc21, {{Op::Add, "010", u"  $a   00012345 "}}, {}},
    };
    for (const RuleCase& c : cases) {
        const std::vector<Problem> problems = checked(isoRecord(edited(c.base, c.edits)));
        EXPECT_EQ(summary(problems), c.expected) << c.what;
        if (!c.message.empty() && !problems.empty()) {
            EXPECT_NE(problems[0].message.find(c.message), std::string::npos)
                << c.what << ": " << problems[0].message;
        }
        for (const Problem& p : problems) {
            EXPECT_EQ(p.severity, Severity::Error) << c.what;
        }
    }
}

TEST(FileChecker, StructureOfLeaderAndDirectory)
{
    const std::string clean = isoRecord(kCnmarc);
    const std::size_t base = clean.find('\x1E') + 1;
    const auto changed = [&](std::size_t at, std::string_view bytes) {
        std::string r = clean;
        r.replace(at, bytes.size(), bytes);
        return r;
    };
    std::string shortField = clean; // 001 one byte shorter: its last byte is no terminator
    shortField[24 + 6] = static_cast<char>(shortField[24 + 6] - 1);
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {clean.substr(0, clean.size() - 1), {}}, // read without its terminator, from UTF-16
        {changed(0, "00123"), {"structure LDR"}},
        {changed(0, "0a123"), {"structure LDR"}},
        {changed(10, "0"), {"structure LDR"}},
        {changed(11, " "), {"structure LDR"}},
        {changed(12, "00099"), {"structure LDR"}},
        {changed(24 + 3, "00x7"), {"structure 001"}},
        {changed(24 + 7, "9999 "), {"structure 001"}},
        {changed(24 + 7, "99999"), {"structure 001"}},
        {changed(24 + 3, "9999"), {"structure 001"}},
        {changed(24, "0\x01"
                     "1"),
         {"structure 0?1", "mandatory 001"}},
        {shortField, {"structure 001"}},
        {clean.substr(0, base - 1) + "0" + clean.substr(base - 1),
         {"structure LDR", "structure LDR", "structure LDR"}},
        {clean.substr(0, 24) + "no directory", {"structure LDR", "structure LDR"}},
        {"00010nam", {"structure LDR"}},
    };
    for (const auto& [record, expected] : cases)
        EXPECT_EQ(summary(checked(record)), expected) << record;
}

TEST(FileChecker, EncodingOncePerFieldWithOffsetAndByte)
{
    std::string gbk = isoRecord(kCnmarc);
    const std::size_t title = gbk.find("\x1F"
                                       "a",
                                       gbk.find("1 \x1F")) +
                              2;
    gbk[title] = '\x81'; // a lead byte before an ASCII byte below 0x40 ...
    gbk[title + 1] = '!';
    gbk[title + 2] = '\x81'; // ... and a second one in the same field
    gbk[title + 3] = '\x20';
    const std::vector<Problem> p = checked(gbk);
    ASSERT_EQ(summary(p), std::vector<std::string>{"encoding 200"});
    EXPECT_NE(p[0].message.find("偏移 4 处的字节 0x81 不是有效的 GBK"), std::string::npos)
        << p[0].message;

    std::string utf8 = isoRecord({{"001", u"x"}, {"245", u"10$aabc"}, {"008", u"x"}});
    utf8[utf8.find("abc")] = '\xC0';
    EXPECT_EQ(summary(checked(utf8, Encoding::Utf8)),
              (std::vector<std::string>{"encoding 245", "length 008"}));

    // A byte ANSEL has no character for.
    const auto& kinds = Marc8::highByteKinds();
    const auto undefined = std::find(kinds.begin(), kinds.end(), Marc8::ByteKind::Undefined);
    ASSERT_NE(undefined, kinds.end());
    std::string marc8 = isoRecord(
        edited(kMarc21, {{Op::Set, "100", u"1 $aAuthor"}, {Op::Set, "245", u"10$aTitle"}}));
    marc8[marc8.find("\x1F"
                     "a",
                     marc8.find("10\x1F")) +
          2] = static_cast<char>(0x80 + (undefined - kinds.begin()));
    EXPECT_EQ(summary(checked(marc8, Encoding::Marc8)), std::vector<std::string>{"encoding 245"});
}

TEST(FileChecker, OrderLeaderThenFieldsThenMissingFields)
{
    std::string r = isoRecord(edited(kCnmarc, {{Op::Drop, "001", {}}, {Op::Set, "101", u"0 $A"}}));
    r[10] = '3';
    EXPECT_EQ(summary(checked(r)), (std::vector<std::string>{"structure LDR", "subfield 101 A",
                                                             "subfield 101 A", "mandatory 001"}));
}

TEST(FileChecker, RuleSetByFieldsThenByMajority)
{
    const std::string cnmarc = isoRecord(kCnmarc);
    const std::string marc21 = isoRecord(kMarc21);
    const std::string neither = isoRecord({{"001", u"x"}, {"010", u"  $a7-301-12345-1"}});
    const std::string both = isoRecord(edited(kCnmarc, {{Op::Add, "245", u"10$a书名"}}));
    const std::string only008 = isoRecord({{"001", u"x"}, {"008", u"x"}});
    // A CNMARC record with a stray 008, as some Taiwanese CMARC records carry one ("chi").
    const std::string stray008 = isoRecord({{"008", u"chi"}, {"200", u"1 $a书名"}});
    FileChecker file;
    std::vector<Problem> out;
    EXPECT_EQ(file.ruleSetFor(neither), RuleSet::Cnmarc); // no record before it
    EXPECT_EQ(file.ruleSetFor(both), RuleSet::Marc21);
    EXPECT_EQ(file.ruleSetFor(only008), RuleSet::Marc21);
    EXPECT_EQ(file.ruleSetFor(stray008), RuleSet::Cnmarc);
    file.check(marc21, Encoding::Gbk, 1, out);
    file.check(cnmarc, Encoding::Gbk, 2, out);
    EXPECT_EQ(file.ruleSetFor(neither), RuleSet::Cnmarc); // a tie
    file.check(marc21, Encoding::Gbk, 3, out);
    EXPECT_EQ(file.ruleSetFor(neither), RuleSet::Marc21);
    file.check(neither, Encoding::Gbk, 4, out); // by the majority: counts for neither side
    file.recheck(cnmarc, Encoding::Gbk, 2, out);
    file.recheck(cnmarc, Encoding::Gbk, 2, out);
    EXPECT_EQ(file.ruleSetFor(neither), RuleSet::Marc21);
    // The CNMARC record that lost its 200 is still CNMARC: its 010 is an ISBN.
    FileChecker cnmarcFile;
    cnmarcFile.check(cnmarc, Encoding::Gbk, 1, out);
    out.clear();
    cnmarcFile.check(neither, Encoding::Gbk, 2, out);
    EXPECT_EQ(summary(out),
              (std::vector<std::string>{"isbn 010 a", "mandatory 100", "mandatory 101",
                                        "mandatory 200", "mandatory 801"}));
    // A forced set applies to every record: CNMARC's 100 and 101 are two MARC21 1XX.
    EXPECT_EQ(summary(checked(cnmarc, Encoding::Gbk, RuleSet::Marc21)),
              (std::vector<std::string>{"repeat 101", "mandatory 008", "mandatory 245"}));
}

TEST(FileChecker, DuplicatesAcrossTheFileNameTheFirstRecord)
{
    const std::string a = isoRecord(edited(
        kCnmarc, {{Op::Set, "010", u"  $a7-301-12345-0"}, {Op::Add, "010", u"  $a7301123450"}}));
    const std::string b = isoRecord(edited(kCnmarc, {{Op::Set, "001", u"CN0002"}}));
    const std::string c = isoRecord(edited(kCnmarc, {{Op::Set, "010", u"  $a0-8044-2957-X"}}));
    FileChecker file;
    std::vector<Problem> out;
    file.check(a, Encoding::Gbk, 3, out); // two forms of one ISBN in one record: no warning
    EXPECT_TRUE(out.empty());
    file.check(b, Encoding::Gbk, 4, out); // ISBN-13 of a's ISBN-10
    ASSERT_EQ(summary(out), std::vector<std::string>{"duplicate 010 a"});
    EXPECT_EQ(out[0].severity, Severity::Warning);
    EXPECT_EQ(out[0].message, "010 $a: ISBN 与第 3 条记录的 ISBN 相同");
    out.clear();
    file.check(c, Encoding::Gbk, 5, out); // a's 001
    ASSERT_EQ(summary(out), std::vector<std::string>{"duplicate 001"});
    EXPECT_NE(out[0].message.find("与第 3 条记录的 001 相同"), std::string::npos);

    // Edited records: a key first seen in the record itself does not count; nothing is added.
    out.clear();
    file.recheck(a, Encoding::Gbk, 3, out);
    file.recheck(c, Encoding::Gbk, 5, out);
    EXPECT_EQ(summary(out), std::vector<std::string>{"duplicate 001"});
    const std::string d = isoRecord(
        edited(kCnmarc, {{Op::Set, "001", u"CN0009"}, {Op::Set, "010", u"  $a9787500412342"}}));
    out.clear();
    file.recheck(d, Encoding::Gbk, 6, out);
    file.check(d, Encoding::Gbk, 7, out);
    EXPECT_TRUE(out.empty());
}

TEST(FileChecker, ProblemsOfOneRecordAreBounded)
{
    // A directory of a thousand entries, none of them with digits.
    const std::string r = "00000nam0 2200000   450 " + std::string(12000, 'x') + "\x1E\x1D";
    const std::vector<Problem> p = checked(r);
    ASSERT_EQ(p.size(), RecordChecker::kMaxProblems + 1);
    EXPECT_NE(p.back().message.find("另有"), std::string::npos);
}

TEST(FileChecker, DamagedRecordsNeverReadOutOfBounds)
{
    // Under the library's assertions and the sanitizers, a read out of bounds stops the test.
    const std::string clean = isoRecord(kCnmarc);
    std::mt19937_64 random(11);
    FileChecker file;
    std::vector<Problem> out;
    for (int i = 0; i < 20000; ++i) {
        std::string r = clean.substr(0, random() % (clean.size() + 1));
        for (int k = static_cast<int>(random() % 4); k > 0 && !r.empty(); --k)
            r[random() % r.size()] = static_cast<char>(random());
        for (const Encoding e : {Encoding::Gbk, Encoding::Utf8})
            file.check(r, e, i, out);
        out.clear();
    }
}
