// Searching records: scopes, the three modes and case on records of each encoding, values
// searched one at a time as the display shows them, refused searches and runaway expressions.
#include "edit_test_support.h"

using namespace bibliora;
using namespace bibliora::edit;
using namespace bibliora::test;

namespace {

const MarcRecord kGbk = record({{"001", gbk(u"B1")},
                                {"008", gbk(u"880101s1999    ch")},
                                {"010", gbk(u"  $a978-7-02-000220-7$dCNY35.00")},
                                {"200", gbk(u"1 $a红楼梦$f曹雪芹著$gAuthor Notes")},
                                {"606", gbk(u"0 $a小说$x研究")}});

bool found(const std::u16string& text, MatchMode mode, bool caseSensitive,
           const std::u16string& scope, const MarcRecord& r, Encoding e = Encoding::Gbk)
{
    return matcherFor(text, mode, caseSensitive, scope)->matches(r, e);
}

} // namespace

TEST(Scope, ParsesEveryFormAndRefusesTheRest)
{
    std::u16string error;
    for (const std::u16string text : {u"", u"210", u"210$c", u"LDR", u"008", u"9XA", u"200$1"})
        EXPECT_TRUE(Scope::parse(text, error)) << Gbk::toUtf8(text);
    for (const std::u16string text :
         {u"21", u"2100", u"210$", u"210c", u"008$a", u"21-", u"210$ "}) {
        error.clear();
        EXPECT_FALSE(Scope::parse(text, error)) << Gbk::toUtf8(text);
        EXPECT_FALSE(error.empty());
    }
    Scope::parse(u"001$a", error);
    EXPECT_EQ(error, u"控制字段 001 没有子字段");
}

TEST(Matcher, ContainsWholeAndRegexOnAGbkRecord)
{
    const auto C = MatchMode::Contains;
    const auto W = MatchMode::WholeSubfield;
    const auto R = MatchMode::Regex;
    // Scopes: every field, a tag, a subfield, a control field, the leader.
    EXPECT_TRUE(found(u"楼梦", C, true, u"", kGbk));
    EXPECT_TRUE(found(u"楼梦", C, true, u"200", kGbk));
    EXPECT_TRUE(found(u"楼梦", C, true, u"200$a", kGbk));
    EXPECT_FALSE(found(u"楼梦", C, true, u"200$f", kGbk));
    EXPECT_FALSE(found(u"楼梦", C, true, u"606", kGbk));
    EXPECT_TRUE(found(u"1999", C, true, u"008", kGbk));
    EXPECT_FALSE(found(u"1999", C, true, u"LDR", kGbk));
    EXPECT_TRUE(found(u"nam0", C, true, u"LDR", kGbk));
    EXPECT_FALSE(found(u"nam0", C, true, u"", kGbk)) << "the leader is no field";
    // A match never spans two values, nor takes in a subfield code or an indicator.
    EXPECT_FALSE(found(u"梦曹", C, true, u"", kGbk));
    EXPECT_FALSE(found(u"fAuthor", C, true, u"", kGbk));
    EXPECT_FALSE(found(u"1 ", C, true, u"200", kGbk));
    // Whole values only.
    EXPECT_TRUE(found(u"红楼梦", W, true, u"200$a", kGbk));
    EXPECT_FALSE(found(u"红楼", W, true, u"", kGbk));
    EXPECT_TRUE(found(u"880101s1999    ch", W, true, u"008", kGbk));
    // Literal modes take every character as itself.
    EXPECT_FALSE(found(u"红.梦", C, true, u"", kGbk));
    EXPECT_TRUE(found(u"红.梦", R, true, u"", kGbk));
    // Expressions: a Chinese character is one character; \p{Han}; anchors hold per value.
    EXPECT_TRUE(found(u"^红.梦$", R, true, u"200$a", kGbk));
    EXPECT_TRUE(found(u"^\\p{Han}{3}著$", R, true, u"", kGbk));
    EXPECT_FALSE(found(u"^\\p{Han}{4}$", R, true, u"200$a", kGbk));
    EXPECT_TRUE(found(u"^\\d{3}-\\d-\\d{2}", R, true, u"010$a", kGbk));
    EXPECT_TRUE(found(u"^研究$", R, true, u"606$x", kGbk));
    // Case, Unicode-wide when ignored.
    EXPECT_FALSE(found(u"author notes", C, true, u"", kGbk));
    EXPECT_TRUE(found(u"author notes", C, false, u"", kGbk));
    EXPECT_TRUE(found(u"AUTHOR NOTES", W, false, u"200$g", kGbk));
    EXPECT_TRUE(found(u"^author", R, false, u"", kGbk));
    EXPECT_TRUE(found(u"cny", C, false, u"010$d", kGbk));
}

TEST(Matcher, Utf8AndMarc8RecordsAreSearchedAsTheyRead)
{
    const MarcRecord u8 = record({{"001", "U1"},
                                  {"245", utf8(u"10$aΑλφα και Ωμέγα$c红楼梦")},
                                  {"650", utf8(u" 0$aTemperature in \u212Aelvin")}},
                                 "00000nam a2200000 a 4500");
    EXPECT_TRUE(found(u"红楼梦", MatchMode::Contains, true, u"245$c", u8, Encoding::Utf8));
    EXPECT_TRUE(found(u"ΑΛΦΑ", MatchMode::Contains, false, u"", u8, Encoding::Utf8));
    EXPECT_FALSE(found(u"ΑΛΦΑ", MatchMode::Contains, true, u"", u8, Encoding::Utf8));
    EXPECT_TRUE(found(u"ωμέγα$", MatchMode::Regex, false, u"", u8, Encoding::Utf8));
    // Caselessly, "k" is also the Kelvin sign, which a UTF-8 record can hold.
    EXPECT_TRUE(found(u"in kelvin", MatchMode::Contains, false, u"", u8, Encoding::Utf8));
    EXPECT_TRUE(found(u"\\bkelvin", MatchMode::Regex, false, u"", u8, Encoding::Utf8));
    // MARC-8: ANSEL's acute (0xE2) is written before its letter, and read as the combining
    // acute after it; a precomposed "é" is another text.
    const MarcRecord m8 = record({{"001", "M1"},
                                  {"245", "10\x1F"
                                          "aCaf\xE2"
                                          "e society"}},
                                 "00000nam  2200000 a 4500");
    EXPECT_TRUE(found(u"Cafe\u0301", MatchMode::Contains, true, u"", m8, Encoding::Marc8));
    EXPECT_FALSE(found(u"Caf\u00E9", MatchMode::Contains, true, u"", m8, Encoding::Marc8));
    EXPECT_TRUE(found(u"CAFE\u0301 SOCIETY", MatchMode::WholeSubfield, false, u"245$a", m8,
                      Encoding::Marc8));
    EXPECT_TRUE(found(u"^Caf\\X soc", MatchMode::Regex, true, u"", m8, Encoding::Marc8));
}

TEST(Matcher, SearchesTheTextTheDisplayShows)
{
    // A field terminator inside a field is not shown, so the text around it is one run; a byte
    // that is no character shows as its placeholder and is found as that.
    const MarcRecord r =
        record({{"200", gbk(u"1 $a红楼^梦$b天") + "\x81"}, {"300", gbk(u"  $a附注")}});
    EXPECT_TRUE(found(u"楼梦", MatchMode::Contains, true, u"", r));
    EXPECT_TRUE(found(u"红楼梦", MatchMode::WholeSubfield, true, u"", r));
    EXPECT_TRUE(found(u"天\u2881", MatchMode::WholeSubfield, true, u"200$b", r));
    EXPECT_TRUE(found(u"\u2881", MatchMode::Contains, true, u"", r));
    EXPECT_FALSE(found(u"天", MatchMode::WholeSubfield, true, u"", r));
}

TEST(Matcher, CountsEveryMatchInScope)
{
    const auto count = [](const std::u16string& text, MatchMode mode, const std::u16string& scope) {
        return matcherFor(text, mode, false, scope)->count(kGbk, Encoding::Gbk).matches;
    };
    EXPECT_EQ(count(u"o", MatchMode::Contains, u""), 2u); // Author Notes
    EXPECT_EQ(count(u"0", MatchMode::Contains, u""), 9u); // 008 (2), 010 $a (5), $d (2)
    EXPECT_EQ(count(u"0", MatchMode::Contains, u"010$a"), 5u);
    EXPECT_EQ(count(u"\\p{Han}", MatchMode::Regex, u""), 11u);
    EXPECT_EQ(count(u"", MatchMode::WholeSubfield, u""), 0u);
    EXPECT_EQ(count(u"x*", MatchMode::Regex, u"606$x"), 3u) << "empty matches around 研究";
    EXPECT_EQ(count(u"红楼梦", MatchMode::WholeSubfield, u""), 1u);
}

TEST(Matcher, RefusesEmptyAndInvalidSearches)
{
    std::u16string error;
    Search search;
    EXPECT_FALSE(Matcher::create(search, error));
    EXPECT_EQ(error, u"查找内容为空");
    search.mode = MatchMode::Regex;
    search.text = u"红(楼";
    EXPECT_FALSE(Matcher::create(search, error));
    EXPECT_EQ(error, u"正则表达式有误（第 4 个字符处）：missing closing parenthesis");
    search.text = u"a{2,1}";
    EXPECT_FALSE(Matcher::create(search, error));
    EXPECT_EQ(error.rfind(u"正则表达式有误（第 ", 0), 0u);
    // Taken literally, the same text is no expression and is accepted.
    search.mode = MatchMode::Contains;
    search.text = u"红(楼";
    EXPECT_TRUE(Matcher::create(search, error));
    search.text = std::u16string(1, char16_t(0xD800)); // half a surrogate pair
    EXPECT_FALSE(Matcher::create(search, error));
}

TEST(Matcher, ARunawayExpressionStopsAtItsLimit)
{
    const MarcRecord r = record({{"200", "1 \x1F"
                                         "a" +
                                             std::string(5000, 'a') + "b"},
                                 {"300", "  \x1F"
                                         "aaa"}});
    const auto runaway = matcherFor(u"(a+)+$", MatchMode::Regex);
    const MatchCount count = runaway->count(r, Encoding::Gbk);
    EXPECT_TRUE(count.limit);
    EXPECT_EQ(count.matches, 1u) << "300 $a still counts";
    EXPECT_EQ(runaway->matchesValue(std::u16string(5000, u'a') + u"b"), Pattern::Found::Limit);
}

TEST(Matcher, OneMatcherServesSeveralThreads)
{
    const auto matcher = matcherFor(u"曹雪芹", MatchMode::Regex);
    std::vector<std::thread> threads;
    std::atomic<int> hits{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i)
                hits += matcher->matches(kGbk, Encoding::Gbk) ? 1 : 0;
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(hits, 800);
}
