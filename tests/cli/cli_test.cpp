// Runs the built bibliora-cli as a user would, on files made here, and checks its output,
// its messages and its exit status.

#include "../codec/codec_test_support.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <tuple>

using namespace bibliora;
using namespace bibliora::test;

namespace {

// A record text as the editor's text box holds it (UTF-8, without the CR LF that save
// appends) and the record that a build at 2024-01-31 14:30:05 makes of it, byte for byte:
// 124 bytes, base address 73.
const std::string kExampleText = "HEA    nam0 2200277   450 \r\n"
                                 "001    123\r\n"
                                 "200 1_ ■a题名■fAuthor\r\n"
                                 "606 0_ ■aSubject";
// Octal escapes: \036 ends a field, \037 starts a subfield, \035 ends the record.
const std::string kExampleRecord =
    "00124nam0 2200073   450 001000400000005001700004200001700021606001200038\036123\036"
    "20240131143005.0\0361 \037a\314\342\303\373\037fAuthor\0360 \037aSubject\036\035";

// Exit status, standard output, standard error.
using Outcome = std::tuple<int, std::string, std::string>;

class Cli : public ::testing::Test
{
protected:
    Outcome run(const std::vector<std::string>& args, const std::string& input = {}) const
    {
        dir.write("stdin", input);
#ifdef _WIN32
        // cmd.exe: the whole line quoted once more, as cmd /c strips the outer quotes.
        std::string command = "cd /d \"" + dir.path().string() + "\" && \"" BIBLIORA_CLI "\"";
        for (const std::string& a : args)
            command += " \"" + a + "\""; // no argument here holds a double quote
        // In UTF-16, so that arguments outside the ANSI code page (Chinese, "■") arrive whole.
        const std::u16string wide = Gbk::fromUtf8("\"" + command + " <stdin >stdout 2>stderr\"");
        const int status = _wsystem(reinterpret_cast<const wchar_t*>(wide.c_str()));
#else
        std::string command = "cd '" + dir.path().string() + "' && '" BIBLIORA_CLI "'";
        for (const std::string& a : args)
            command += " '" + a + "'"; // no argument here holds a single quote
        const int raw = std::system((command + " <stdin >stdout 2>stderr").c_str());
        const int status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
        return {status, support::readBytes(dir.path() / "stdout"),
                support::readBytes(dir.path() / "stderr")};
    }

    // Refused: a non-zero exit, nothing on standard output, a reason on standard error.
    static void expectRefused(const Outcome& outcome, const std::string& what)
    {
        const auto& [status, out, err] = outcome;
        EXPECT_TRUE(status != 0 && out.empty() && !err.empty()) << what << ": " << err;
    }

    TempDir dir;
    // A title with a tab and a backslash, and one with a line break, which the list escapes.
    const MarcRecord first = assemble(
        {{"001", u"1"}, {"010", u"  $a978-7-02-000220-7"}, {"200", u"1 $a红楼梦$f曹雪芹著"}});
    const MarcRecord second = assemble({{"200", u"1 $a西游记\t1\\2"}, {"011", u"  $a1000-0000"}});
    const MarcRecord third = assemble({{"245", u"10$a上\r\n下"}});
    const std::string file = dir.write("two.iso", first + second).string();
};

} // namespace

TEST_F(Cli, ListsAndShowsRecords)
{
    EXPECT_EQ(run({"list", file}),
              Outcome(0, "1\t红楼梦\t978-7-02-000220-7\n2\t西游记\\t1\\\\2\t1000-0000\n", ""));
    // CR and LF inside a title survive only in a UTF-16 file.
    const std::u16string utf16 = Gbk::decode(third.substr(0, third.size() - 1)) + u"\x1D\r\n";
    EXPECT_EQ(run({"list", dir.write("utf16.txt", utf16File(utf16)).string()}),
              Outcome(0, "1\t上\\r\\n下\t\n", ""));
    EXPECT_EQ(run({"show", file, "1"}),
              Outcome(0,
                      "HEA    nam0 2299999   450 \r\n001    1\r\n010 __ ■a978-7-02-000220-7\r\n"
                      "200 1_ ■a红楼梦■f曹雪芹著",
                      ""));
}

TEST_F(Cli, ChecksAFileLineByLineAndExitsByTheWorstFound)
{
    // A clean CNMARC record, a copy of it whose ISBN-10 form has a wrong check digit and whose
    // 100 $a holds a 31st of February.
    const auto record = [](const std::u16string& isbn, const std::u16string& date) {
        return support::assembleIso("00000nam0 2200000   450 ",
                                    {{"001", "B1"},
                                     {"010", gbk(u"  $a" + isbn)},
                                     {"100", gbk(u"  $a" + date + u"d2008    k  y0chiy0110    ea")},
                                     {"101", gbk(u"0 $achi")},
                                     {"200", gbk(u"1 $a红楼梦")},
                                     {"801", gbk(u" 0$aCN$bXJTU")}});
    };
    const MarcRecord clean = record(u"978-7-02-000220-7", u"20240131");
    const std::string good = dir.write("good.iso", clean).string();
    EXPECT_EQ(run({"check", good}), Outcome(0, "", ""));
    const std::string bad =
        dir.write("bad.iso", clean + record(u"7-02-000220-3", u"20240231")).string();
    EXPECT_EQ(
        run({"check", bad}),
        Outcome(1,
                "2\t001\t-\twarning\tduplicate\t001: 001 与第 1 条记录的 001 相同\n"
                "2\t010\ta\terror\tisbn\t010 $a: ISBN 校验位错误，应为 X\n"
                "2\t100\ta\terror\tdate\t100 $a: 第 0–7 位的入档日期 “20240231” 不是有效日期\n",
                ""));
    // Usage failures and a file that cannot be read: 2, and nothing on standard output.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"check", "--rules", "unimarc", good},
          std::vector<std::string>{"check", (dir.path() / "missing.iso").string()}}) {
        const auto [status, out, err] = run(args);
        EXPECT_TRUE(status == 2 && out.empty() && !err.empty()) << err;
    }
}

TEST_F(Cli, BuildsTheRecordOfTheEditedTextOrRefuses)
{
    std::string bareLf = kExampleText;
    bareLf.erase(std::remove(bareLf.begin(), bareLf.end(), '\r'), bareLf.end());
    for (const std::string& input : {kExampleText, bareLf})
        EXPECT_EQ(run({"build", "--now", "2024-01-31T14:30:05"}, input),
                  Outcome(0, kExampleRecord, ""));
    for (const std::string input : {"HEA    nam0", "HEA\n200 1_ ■aT■■b"})
        expectRefused(run({"build", "--now", "2024-01-31T14:30:05"}, input), input);
}

TEST_F(Cli, RejectsBadArgumentsAndMissingFilesWithAMessage)
{
    const std::string missing = (dir.path() / "no-such-file.iso").string();
    // One of each: no command, an unknown one, too few arguments, no record number, no such
    // record, no time, a missing file, a folder.
    const std::vector<std::vector<std::string>> bad = {{},
                                                       {"frobnicate"},
                                                       {"show", file},
                                                       {"show", file, "x"},
                                                       {"show", file, "3"},
                                                       {"build", "--now", "2024-13-01T00:00:00"},
                                                       {"list", missing},
                                                       {"list", dir.path().string()}};
    for (const auto& args : bad)
        expectRefused(run(args, "HEA\n\n"), args.empty() ? "" : args.back());
    EXPECT_NE(std::get<2>(run({"list", missing})).find("no-such-file.iso"), std::string::npos);
    const auto [status, out, err] = run({"--help"});
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("build"), std::string::npos);
}

namespace {

// The edit commands against resave: a record a command changes is written as resave writes
// the record with the change made by hand; every other record as it was read.
class EditCommands : public Cli
{
protected:
    // What resave writes for `records` (each followed by CR LF).
    std::string resaved(const std::vector<MarcRecord>& records) const
    {
        const std::string in = dir.write("expected-in.iso", support::asLines(records)).string();
        std::filesystem::remove(dir.path() / "expected.iso");
        const auto [status, out, err] = run({"resave", in, "expected.iso", "--now", kNowArg});
        EXPECT_EQ(status, 0) << err;
        return support::readBytes(dir.path() / "expected.iso");
    }

    // Runs an edit command on `input` into a fresh OUT; exit status, OUT's bytes, stderr.
    Outcome edited(std::vector<std::string> args, const std::vector<MarcRecord>& input)
    {
        const std::string in = dir.write("in.iso", support::asLines(input)).string();
        std::filesystem::remove(dir.path() / "out.iso");
        args.insert(args.begin() + 1, {in, "out.iso", "--now", kNowArg});
        auto [status, out, err] = run(args);
        EXPECT_EQ(out, "");
        // Standard error is text: Windows writes CR LF.
        err.erase(std::remove(err.begin(), err.end(), '\r'), err.end());
        return {status, support::readBytes(dir.path() / "out.iso"), err};
    }

    static constexpr const char* kNowArg = "2024-01-31T14:30:05";
    const MarcRecord other = assemble({{"001", u"2"}, {"200", u"1 $a西游记"}, {"905", u"  $aPKU"}});
};

} // namespace

TEST_F(EditCommands, ReplaceWritesWhatResaveWritesForTheChangedRecords)
{
    const MarcRecord changed = assemble(
        {{"001", u"1"}, {"010", u"  $a978-7-02-000220-7"}, {"200", u"1 $a石头记$f曹雪芹著"}});
    EXPECT_EQ(edited({"replace", "红楼梦", "石头记"}, {first, other}),
              Outcome(0, resaved({changed}) + other + "\r\n", "1 处，1 条记录\n"));
    // An expression, ignoring case, in one subfield; "--" before a FIND that starts with "-".
    EXPECT_EQ(std::get<2>(
                  edited({"replace", "--regex", "--in", "200$a", "^(.)", "[$1]"}, {first, other})),
              "2 处，2 条记录\n");
    const MarcRecord dashed = assemble({{"001", u"1"}, {"200", u"1 $a--x-"}});
    EXPECT_EQ(
        edited({"replace", "--", "--x", "-y"}, {dashed}),
        Outcome(0, resaved({assemble({{"001", u"1"}, {"200", u"1 $a-y-"}})}), "1 处，1 条记录\n"));
    // Nothing found: every record as it was read, and exit 0.
    EXPECT_EQ(edited({"replace", "--whole", "红楼", "X"}, {first, other}),
              Outcome(0, support::asLines({first, other}), "0 处，0 条记录\n"));
}

TEST_F(EditCommands, AddAndDeleteFieldsWriteWhatResaveWrites)
{
    const MarcRecord firstWith905 = assemble({{"001", u"1"},
                                              {"010", u"  $a978-7-02-000220-7"},
                                              {"200", u"1 $a红楼梦$f曹雪芹著"},
                                              {"905", u"  $aXJTU$b书库"}});
    EXPECT_EQ(edited({"add-field", "--if-missing", "905 __ ■aXJTU■b书库"}, {first, other}),
              Outcome(0, resaved({firstWith905}) + other + "\r\n", "1 处，1 条记录\n"));
    EXPECT_EQ(edited({"delete-field", "9XX"}, {firstWith905, other}),
              Outcome(0, resaved({first, assemble({{"001", u"2"}, {"200", u"1 $a西游记"}})}),
                      "2 处，2 条记录\n"));
    EXPECT_EQ(edited({"delete-field", "--where", "905$a=XJTU", "905"}, {firstWith905, other}),
              Outcome(0, resaved({first}) + other + "\r\n", "1 处，1 条记录\n"));
}

TEST_F(EditCommands, ARecordThatCannotBeRebuiltIsWrittenAsReadAndFailsTheRun)
{
    // Twelve "x" for each of 9,000 makes the field too long.
    const MarcRecord big = assemble({{"200", u"1 $a" + std::u16string(9000, u'x')}});
    const auto [status, out, err] = edited({"replace", "x", "xxxxxxxxxxxx"}, {big, other});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, support::asLines({big, other}));
    EXPECT_EQ(err, "bibliora-cli: record 1 written unchanged: the record is too long for ISO "
                   "2709\n0 处，0 条记录\n");
}

TEST_F(EditCommands, ManyRecordsComeOutInTheirOrderWithTheirFailuresNamedInOrder)
{
    // Records are rewritten on every core, batch by batch: over several batches, failures at
    // their edges, every record is written where it was read and every failure named in turn.
    const MarcRecord big = assemble({{"200", u"1 $a" + std::u16string(9000, u'x')}});
    const std::vector<std::size_t> failing = {0, 511, 512, 1023, 1700, 2999};
    std::vector<MarcRecord> input;
    std::vector<MarcRecord> byHand;
    std::string expectedErr;
    for (std::size_t i = 0; i < 3000; ++i) {
        const std::u16string number = Gbk::fromUtf8(std::to_string(i));
        if (std::find(failing.begin(), failing.end(), i) != failing.end()) {
            input.push_back(big);
            expectedErr += "bibliora-cli: record " + std::to_string(i + 1) +
                           " written unchanged: the record is too long for ISO 2709\n";
        } else {
            input.push_back(assemble({{"001", number}, {"200", u"1 $ax" + number}}));
            byHand.push_back(assemble({{"001", number}, {"200", u"1 $axxxxxxxxxxxx" + number}}));
        }
    }
    // What resave writes for the records changed by hand, one line each, the failing records
    // as they were read in their places.
    const std::string changed = resaved(byHand);
    std::string expected;
    std::size_t from = 0;
    for (std::size_t i = 0; i < input.size(); ++i) {
        if (std::find(failing.begin(), failing.end(), i) != failing.end()) {
            expected += input[i] + "\r\n";
            continue;
        }
        const std::size_t end = changed.find("\x1D\r\n", from) + 3;
        expected += changed.substr(from, end - from);
        from = end;
    }
    expectedErr += "2994 处，2994 条记录\n";
    EXPECT_EQ(edited({"replace", "x", "xxxxxxxxxxxx"}, input), Outcome(1, expected, expectedErr));
}

TEST_F(EditCommands, RefuseBadArgumentsAndOutputThatIsTheInput)
{
    const std::string out = (dir.path() / "out.iso").string();
    const std::string missing = (dir.path() / "missing.iso").string();
    // Each is refused with 2 before anything is written.
    const std::vector<std::vector<std::string>> bad = {
        {"replace", file, out, "x"},
        {"replace", file, out, "--whole", "--regex", "x", "y"},
        {"replace", file, out, "--regex", "红(楼", "y"},
        {"replace", file, out, "--in", "200$", "x", "y"},
        {"replace", file, out, "x", "a■b"},
        {"replace", file, file, "x", "y"},
        {"replace", file, (dir.path() / "." / "two.iso").string(), "x", "y"},
        {"replace", missing, out, "x", "y"},
        {"add-field", file, out, "90 __ ■aX"},
        {"delete-field", file, out, "--where", "906$a=X", "905"},
        {"delete-field", file, out, "9XXX"},
        {"resave", file, file}};
    for (const auto& args : bad) {
        const auto [status, stdOut, err] = run(args);
        EXPECT_TRUE(status == 2 && stdOut.empty() && !err.empty()) << args[0] << " " << err;
        EXPECT_FALSE(std::filesystem::exists(out)) << args.back();
        std::filesystem::remove(out);
    }
    EXPECT_NE(std::get<2>(run(bad[2])).find("正则表达式有误（第 4 个字符处）"), std::string::npos);
    EXPECT_EQ(support::readBytes(file), first + second) << "the input is never written";
}

#ifndef _WIN32
TEST_F(EditCommands, YazReadsTheWrittenFileBack)
{
    if (std::system("command -v yaz-marcdump >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no yaz-marcdump";
    // Records whose leaders tell their lengths, as yaz reads them by.
    const auto record = [](const std::vector<std::pair<std::string, std::u16string>>& fields) {
        std::vector<support::IsoField> iso;
        for (const auto& [tag, text] : fields)
            iso.push_back({tag, gbk(text)});
        return support::assembleIso("00000nam0 2200000   450 ", iso);
    };
    edited({"replace", "红楼梦", "石头记"},
           {record({{"001", u"1"}, {"200", u"1 $a红楼梦$f曹雪芹著"}}),
            record({{"001", u"2"}, {"200", u"1 $a西游记"}})});
    const std::string out = (dir.path() / "out.iso").string();
    // yaz passes over the CR LF after each record with a note (and a status that says it
    // did), and says nothing else.
    const std::string command =
        "yaz-marcdump -f cp936 -t utf-8 '" + out + "' >'" + out + ".txt' 2>'" + out + ".err'";
    std::system(command.c_str());
    const std::string dump = support::readBytes(out + ".txt");
    EXPECT_NE(dump.find("$a 石头记"), std::string::npos) << dump;
    EXPECT_EQ(dump.find("红楼梦"), std::string::npos);
    EXPECT_NE(dump.find("$a 西游记"), std::string::npos);
    std::string notes = support::readBytes(out + ".err");
    for (const char* skipped : {"<!-- Skipping bad byte 13 (0x0D) at offset ",
                                "<!-- Skipping bad byte 10 (0x0A) at offset "})
        for (std::size_t at; (at = notes.find(skipped)) != std::string::npos;)
            notes.erase(at, notes.find('\n', at) + 1 - at);
    EXPECT_EQ(notes, "");
}
#endif

TEST_F(Cli, ConvertsBetweenFormsAndTheOtherCommandsReadThemAll)
{
    const std::string list = std::get<1>(run({"list", file}));
    const std::pair<const char*, const char*> forms[] = {
        {"marcxml", "out.xml"}, {"mrk", "out.mrk"}, {"iso", "out.iso"}, {"iso-lines", "out.txt"}};
    for (const auto& [form, name] : forms) {
        const auto [status, out, err] = run({"convert", file, name, "--to", form});
        EXPECT_EQ(status, 0) << form << ": " << err;
        // Every command reads the result, whatever its form, as it read the original.
        EXPECT_EQ(std::get<1>(run({"list", name})), list) << form;
        EXPECT_EQ(std::get<0>(run({"check", name})), std::get<0>(run({"check", file}))) << form;
        EXPECT_EQ(std::get<0>(run({"delete-field", name, std::string(name) + ".out", "001"})), 0);
    }
    EXPECT_EQ(support::readBytes(dir.path() / "out.iso"), first + second);
    EXPECT_EQ(support::readBytes(dir.path() / "out.txt"), first + "\r\n" + second + "\r\n");
    // Standard output, and CSV with chosen subfields.
    const auto [status, csv, err] =
        run({"convert", "out.xml", "-", "--to", "csv", "--fields", "200$f,001"});
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(csv, "\xEF\xBB\xBF序号,题名,ISBN/ISSN,200$f,001\r\n"
                   "1,红楼梦,978-7-02-000220-7,曹雪芹著,1\r\n2,西游记\t1\\2,1000-0000,,\r\n");
    // Into UTF-8 and back into GBK the records read as they did.
    EXPECT_EQ(std::get<0>(run({"convert", file, "u8.iso", "--to", "iso", "--encoding", "utf-8"})),
              0);
    EXPECT_EQ(std::get<1>(run({"list", "--encodings", "u8.iso"})).find("GBK"), std::string::npos);
    EXPECT_EQ(
        std::get<0>(run({"convert", "u8.iso", "gbk.iso", "--to", "iso", "--encoding", "gbk"})), 0);
    EXPECT_EQ(std::get<1>(run({"list", "gbk.iso"})), list);
}

TEST_F(Cli, ConvertRefusesWhatItCannotDoAndSaysWhatItCouldNotWrite)
{
    const std::vector<std::vector<std::string>> usage = {
        {"convert", file, "out"},
        {"convert", file, "out", "--to", "pdf"},
        {"convert", file, "out", "--to", "marcxml", "--encoding", "utf-8"},
        {"convert", file, "out", "--to", "iso", "--encoding", "latin-1"},
        {"convert", file, "out", "--to", "mrk", "--fields", "200$a"},
        {"convert", file, "out", "--to", "csv", "--fields", "200$ab"},
        {"convert", file, file, "--to", "iso"},
        {"convert", "missing.iso", "out", "--to", "iso"},
    };
    for (const auto& args : usage) {
        const auto [status, out, err] = run(args);
        EXPECT_EQ(status, 2) << args.back() << ": " << err;
    }
    // Not well formed: refused with the line, status 2.
    const std::string broken =
        dir.write("broken.xml", "<collection xmlns=\"http://www.loc.gov/MARC21/slim\">\n<record>\n")
            .string();
    const auto [status, out, err] = run({"convert", broken, "out", "--to", "iso"});
    EXPECT_EQ(status, 2);
    EXPECT_NE(err.find("第 3 行"), std::string::npos) << err;
    // Characters GBK cannot hold are named by record and field, and the run fails.
    dir.write("korean.iso", support::assembleIso("00000nam a2200000   4500", {{"245", "10\x1F"
                                                                                      "a한국"}}));
    const auto [kStatus, kOut, kErr] =
        run({"convert", "korean.iso", "k.iso", "--to", "iso", "--encoding", "gbk"});
    EXPECT_EQ(kStatus, 1);
    EXPECT_NE(kErr.find("record 1, field 245: 한국"), std::string::npos) << kErr;
}

TEST_F(Cli, EveryThreadCountWritesWhatOneThreadWrites)
{
    // Over 4 MiB, so the file is read in several chunks; MARC-8 and plain ASCII records among
    // the GBK ones, whose encoding the records before them decide.
    const MarcRecord marc8 = support::assembleIso("99999nam  2299999   450 ",
                                                  {{"245", "10\x1F"
                                                           "aCaf\xE2"
                                                           "e \x1B(3\x1B(B"}},
                                                  support::LeaderLengths::AsGiven);
    const MarcRecord ascii = assemble({{"001", u"7"}, {"200", u"1 $aPlain"}});
    std::string bytes;
    for (int i = 0; i < 12000; ++i)
        bytes += first + second + third + (i % 7 == 0 ? marc8 : ascii);
    const std::string big = dir.write("big.iso", bytes + "\r\n").string();
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"list", "--encodings", big},
          {"check", big},
          {"resave", big, "out.iso", "--now", "2024-01-31T14:30:05"},
          {"replace", big, "out.iso", "--now", "2024-01-31T14:30:05", "Plain", "Flat"},
          {"convert", big, "-", "--to", "mrk"}}) {
        std::vector<std::string> one = command;
        one.insert(one.begin() + 1, {"--threads", "1"});
        std::vector<std::string> three = command;
        three.insert(three.begin() + 1, {"--threads", "3"});
        // What it writes to standard output and to OUT (written afresh by each run).
        const auto written = [&](const std::vector<std::string>& args) {
            std::filesystem::remove(dir.path() / "out.iso");
            const Outcome outcome = run(args);
            return std::pair(outcome, support::readBytes(dir.path() / "out.iso"));
        };
        const auto expected = written(one);
        EXPECT_FALSE(std::get<1>(expected.first).empty() && expected.second.empty()) << command[0];
        EXPECT_EQ(written(three), expected) << command[0];
    }
    expectRefused(run({"list", "--threads", "0", big}), "--threads 0");
    expectRefused(run({"list", "--threads", big}), "--threads without a count");
}
