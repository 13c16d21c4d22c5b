// Runs the built bibliora-cli as a user would, on files made here, and checks its output,
// its messages and its exit status.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kCli = BIBLIORA_CLI;

std::string quoted(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Outcome
{
    int status = -1;
    std::string out;
    std::string err;
};

class Cli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static std::atomic<unsigned> counter{0};
        std::random_device random;
        for (;;) {
            m_dir = fs::temp_directory_path() /
                    ("bibliora-cli-" + std::to_string(random()) + "-" + std::to_string(counter++));
            if (fs::create_directory(m_dir))
                break;
        }
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    fs::path write(const std::string& name, const std::string& bytes) const
    {
        const fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    Outcome run(const std::vector<std::string>& args, const std::string& input = {}) const
    {
        std::string command = quoted(kCli.string());
        for (const std::string& a : args)
            command += " " + quoted(a);
        const fs::path in = write("stdin", input);
        command += " <" + quoted(in.string()) + " >" + quoted((m_dir / "stdout").string()) + " 2>" +
                   quoted((m_dir / "stderr").string());
        Outcome r;
        const int raw = std::system(command.c_str());
        r.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = slurp(m_dir / "stdout");
        r.err = slurp(m_dir / "stderr");
        return r;
    }

    fs::path m_dir;
};

// GBK bytes of the Chinese texts used below.
const std::string kHongLouMeng = "\xBA\xEC\xC2\xA5\xC3\xCE";       // 红楼梦
const std::string kCaoXueQin = "\xB2\xDC\xD1\xA9\xC7\xDB\xD6\xF8"; // 曹雪芹著
const std::string kXiYouJi = "\xCE\xF7\xD3\xCE\xBC\xC7";           // 西游记

// A record with its directory counted in bytes; fields are GBK bytes without terminators.
std::string record(const std::vector<std::pair<std::string, std::string>>& fields)
{
    std::string directory;
    std::string data;
    for (const auto& [tag, bytes] : fields) {
        char entry[16];
        std::snprintf(entry, sizeof entry, "%.3s%04zu%05zu", tag.c_str(), bytes.size() + 1,
                      data.size());
        directory += entry;
        data += bytes + '\x1E';
    }
    return "00000nam0 2200000   450 " + directory + '\x1E' + data + '\x1D';
}

const std::string kFirst = record({{"001", "1"},
                                   {"010", "  \x1F"
                                           "a978-7-02-000220-7"},
                                   {"200", "1 \x1F"
                                           "a" +
                                               kHongLouMeng +
                                               "\x1F"
                                               "f" +
                                               kCaoXueQin}});
const std::string kSecond = record({{"200", "1 \x1F"
                                            "a" +
                                                kXiYouJi + "\t1\\2"},
                                    {"011", "  \x1F"
                                            "a1000-0000"}});
const std::string kThird = record({{"245", "10\x1F"
                                           "aThe journey to the West"}});

const std::string kListed = "1\t\xE7\xBA\xA2\xE6\xA5\xBC\xE6\xA2\xA6\t978-7-02-000220-7\n"
                            "2\t\xE8\xA5\xBF\xE6\xB8\xB8\xE8\xAE\xB0\\t1\\\\2\t1000-0000\n"
                            "3\tThe journey to the West\t\n";

// UTF-16LE bytes of ASCII text.
std::string utf16(const std::string& ascii)
{
    std::string out;
    for (char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

} // namespace

TEST_F(Cli, ListsNumberTitleAndStandardNumberOfEachRecord)
{
    // Records one per line, and the same records back to back.
    const Outcome lines =
        run({"list",
             write("lines.iso", kFirst + "\r\n" + kSecond + "\r\n" + kThird + "\r\n").string()});
    EXPECT_EQ(lines.status, 0);
    EXPECT_EQ(lines.out, kListed);
    EXPECT_EQ(lines.err, "");
    const Outcome packed = run({"list", write("packed.mrc", kFirst + kSecond + kThird).string()});
    EXPECT_EQ(packed.status, 0);
    EXPECT_EQ(packed.out, kListed);
    // An empty file lists nothing.
    const Outcome empty = run({"list", write("empty.iso", "").string()});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, "");
}

TEST_F(Cli, ListsUtf16Files)
{
    // 245 $a in UTF-16 with a byte-order mark; the records end in 0x1D and CR LF.
    const std::string one = "00000nam0 2200000   450 245001000000\x1E"
                            "10\x1F"
                            "aFirst\x1E";
    const std::string two = "00000nam0 2200000   450 200000700000\x1E"
                            "1 \x1F"
                            "a";
    // 200 $a: 题 (U+9898) in UTF-16, then the field terminator.
    const std::string bytes = "\xFF\xFE" + utf16(one) + utf16("\x1D\r\n") + utf16(two) +
                              std::string("\x98\x98\x1E\0", 4) + utf16("\x1D\r\n");
    const Outcome r = run({"list", write("utf16.txt", bytes).string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1\tFirst\t\n2\t\xE9\xA2\x98\t\n");
}

TEST_F(Cli, ShowsTheDisplayTextOfOneRecord)
{
    const fs::path file = write("three.iso", kFirst + kSecond + kThird);
    const Outcome r = run({"show", file.string(), "1"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "HEA    nam0 2200000   450 \r\n"
                     "001    1\r\n"
                     "010 __ \xE2\x96\xA0"
                     "a978-7-02-000220-7\r\n"
                     "200 1_ \xE2\x96\xA0"
                     "a\xE7\xBA\xA2\xE6\xA5\xBC\xE6\xA2\xA6"
                     "\xE2\x96\xA0"
                     "f\xE6\x9B\xB9\xE9\x9B\xAA\xE8\x8A\xB9\xE8\x91\x97");
    EXPECT_EQ(run({"show", file.string(), "3"}).out,
              "HEA    nam0 2200000   450 \r\n245 10 \xE2\x96\xA0"
              "aThe journey to the West");
}

TEST_F(Cli, RefusesRecordNumbersOutOfRange)
{
    const fs::path file = write("three.iso", kFirst + kSecond + kThird);
    for (const char* n : {"4", "0", "-1", "x", "", "1.5"}) {
        const Outcome r = run({"show", file.string(), n});
        EXPECT_NE(r.status, 0) << n;
        EXPECT_EQ(r.out, "") << n;
        EXPECT_NE(r.err, "") << n;
    }
}

TEST_F(Cli, BuildsTheRecordOfTheEditedText)
{
    const std::string expected = "00124nam0 2200073   450 "
                                 "001000400000"
                                 "005001700004"
                                 "200001700021"
                                 "606001200038"
                                 "\x1E"
                                 "123\x1E"
                                 "20240131143005.0\x1E"
                                 "1 \x1F"
                                 "a\xCC\xE2\xC3\xFB\x1F"
                                 "fAuthor\x1E"
                                 "0 \x1F"
                                 "aSubject\x1E"
                                 "\x1D";
    const std::string square = "\xE2\x96\xA0";
    const std::string title = "\xE9\xA2\x98\xE5\x90\x8D"; // 题名
    const std::string text = "HEA    nam0 2200277   450 \n"
                             "001    123\n"
                             "200 1_ " +
                             square + "a" + title + square +
                             "fAuthor\n"
                             "606 0_ " +
                             square + "aSubject";
    // Bare LF line breaks or CR LF, with or without a final line break: the same record.
    for (const std::string& input : {text, text + "\n", text + "\r\n"}) {
        const Outcome r = run({"build", "--now", "2024-01-31T14:30:05"}, input);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, expected);
        EXPECT_EQ(r.err, "");
    }
    std::string crlf;
    for (char c : text)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(run({"build", "--now", "2024-01-31T14:30:05"}, crlf).out, expected);
}

TEST_F(Cli, ExplainsWhyNoRecordWasBuilt)
{
    const std::string square = "\xE2\x96\xA0";
    for (const std::string& input :
         {std::string(), std::string("HEA    nam0"),
          "HEA    nam0 2200277   450 \n200 1_ " + square + "aT" + square + square + "b\n"}) {
        const Outcome r = run({"build", "--now", "2024-01-31T14:30:05"}, input);
        EXPECT_EQ(r.status, 1) << input;
        EXPECT_EQ(r.out, "") << input;
        EXPECT_NE(r.err, "") << input;
    }
}

TEST_F(Cli, RejectsBadArgumentsWithAMessage)
{
    const std::string file = write("one.iso", kFirst).string();
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate"},
        {"list"},
        {"list", file, file},
        {"show", file},
        {"show", file, "1", "2"},
        {"build", "--now"},
        {"build", "--now", "yesterday"},
        {"build", "--now", "2024-13-01T00:00:00"},
        {"build", "--now", "2024-01-31 14:30:05"},
        {"build", "--later"},
    };
    for (const auto& args : bad) {
        std::string shown;
        for (const std::string& a : args)
            shown += a + " ";
        const Outcome r = run(args, "HEA\n\n");
        EXPECT_NE(r.status, 0) << shown;
        EXPECT_EQ(r.out, "") << shown;
        EXPECT_NE(r.err, "") << shown;
    }
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("list"), std::string::npos);
}

TEST_F(Cli, ReportsMissingFilesByName)
{
    const std::string missing = (m_dir / "no-such-file.iso").string();
    for (const std::vector<std::string>& args : {std::vector<std::string>{"list", missing},
                                                 std::vector<std::string>{"show", missing, "1"}}) {
        const Outcome r = run(args);
        EXPECT_NE(r.status, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("no-such-file.iso"), std::string::npos) << r.err;
    }
    const Outcome folder = run({"list", m_dir.string()});
    EXPECT_NE(folder.status, 0);
    EXPECT_NE(folder.err, "");
}
