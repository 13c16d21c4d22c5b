// bibliora-cli: the record codec on the command line, for batch work and for checking the
// codec against other MARC tools. Text goes out as UTF-8 whatever a record's encoding; built
// records as the bytes of the encoding asked for.
#include "codec.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h> // after windows.h, which it needs
#endif

using namespace bibliora;

namespace {

const char kUsage[] =
    "Usage:\n"
    "  bibliora-cli list [--encodings] FILE\n"
    "                                one line per record: number, title, ISBN/ISSN "
    "(tab-separated)\n"
    "                                and with --encodings the record's encoding\n"
    "  bibliora-cli show FILE N      the display text of record N (1-based)\n"
    "  bibliora-cli resave FILE OUT [--now YYYY-MM-DDTHH:MM:SS]\n"
    "                                show and build every record again, as an unedited save\n"
    "                                does, and append them to OUT as the export writes them\n"
    "  bibliora-cli build [--now YYYY-MM-DDTHH:MM:SS] [--encoding gbk|utf-8|marc-8]\n"
    "                                build a record from display text (UTF-8) on standard input\n"
    "                                and write its bytes (default GBK) to standard output\n"
    "  bibliora-cli --help           this text\n";

int usageError(const std::string& message)
{
    std::fprintf(stderr, "bibliora-cli: %s\n%s", message.c_str(), kUsage);
    return 2;
}

class Output
{
public:
    Output() { m_buffer.reserve(1 << 20); }
    ~Output() { flush(); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void put(std::string_view s)
    {
        m_buffer += s;
        if (m_buffer.size() >= (1 << 20))
            flush();
    }
    void putEscaped(std::u16string_view text)
    {
        const std::string utf8 = Gbk::toUtf8(text);
        // Runs between the characters that need escaping go in whole.
        std::size_t from = 0;
        for (std::size_t i = 0; i < utf8.size(); ++i) {
            const char c = utf8[i];
            const char* escaped = c == '\\'   ? "\\\\"
                                  : c == '\t' ? "\\t"
                                  : c == '\r' ? "\\r"
                                  : c == '\n' ? "\\n"
                                              : nullptr;
            if (!escaped)
                continue;
            m_buffer.append(utf8, from, i - from);
            m_buffer += escaped;
            from = i + 1;
        }
        m_buffer.append(utf8, from, std::string::npos);
    }
    bool flush()
    {
        bool ok = std::fwrite(m_buffer.data(), 1, m_buffer.size(), stdout) == m_buffer.size();
        m_buffer.clear();
        return ok && std::fflush(stdout) == 0;
    }

private:
    std::string m_buffer;
};

// Arguments are UTF-8 on every system (on Windows main() makes them so), and so are the
// paths they name.
std::filesystem::path fsPath(const std::string& utf8)
{
    return std::filesystem::u8path(utf8);
}

std::FILE* openForAppending(const std::string& path)
{
#ifdef _WIN32
    return _wfopen(fsPath(path).c_str(), L"ab");
#else
    return std::fopen(path.c_str(), "ab");
#endif
}

bool fileReadable(const char* path, std::string& why)
{
    std::error_code ec;
    const std::filesystem::path p = fsPath(path);
    if (!std::filesystem::exists(p, ec)) {
        why = "no such file";
        return false;
    }
    if (!std::filesystem::is_regular_file(p, ec)) {
        why = "not a regular file";
        return false;
    }
    return true;
}

int list(const char* path, bool withEncodings)
{
    std::string why;
    if (!fileReadable(path, why)) {
        std::fprintf(stderr, "bibliora-cli: %s: %s\n", path, why.c_str());
        return 1;
    }
    Output out;
    std::int64_t n = 0;
    const bool ok = readMarcFile(fsPath(path), [&](MarcRecord&& record) {
        const RowTexts row = rowTextsFor(++n, record);
        out.put(std::to_string(n));
        out.put("\t");
        out.putEscaped(row.title);
        out.put("\t");
        out.putEscaped(row.standardNumber);
        if (withEncodings) {
            out.put("\t");
            out.put(encodingName(row.encoding));
        }
        out.put("\n");
    });
    if (!out.flush()) {
        std::fprintf(stderr, "bibliora-cli: writing to standard output failed\n");
        return 1;
    }
    if (!ok) {
        std::fprintf(stderr, "bibliora-cli: %s: could not be read to its end\n", path);
        return 1;
    }
    return 0;
}

int show(const char* path, const char* number)
{
    std::string why;
    if (!fileReadable(path, why)) {
        std::fprintf(stderr, "bibliora-cli: %s: %s\n", path, why.c_str());
        return 1;
    }
    const auto wanted = parseNumber(std::string_view(number));
    if (!wanted || *wanted == 0 || std::strchr(number, ' '))
        return usageError(std::string("not a record number: ") + number);
    unsigned long long n = 0;
    std::optional<MarcRecord> found;
    readMarcFile(fsPath(path), [&](MarcRecord&& record) {
        if (++n == *wanted)
            found = std::move(record);
    });
    if (!found) {
        std::fprintf(stderr, "bibliora-cli: %s holds %llu records; there is no record %s\n", path,
                     n, number);
        return 1;
    }
    Output out;
    out.put(Gbk::toUtf8(formatRecordText(*found)));
    return out.flush() ? 0 : 1;
}

std::optional<BuildTime> parseTime(const std::string& s)
{
    BuildTime t;
    char tail = 0;
    if (s.size() != 19 || std::sscanf(s.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &t.year, &t.month,
                                      &t.day, &t.hour, &t.minute, &t.second, &tail) != 6)
        return std::nullopt;
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 ||
        t.second > 59 || t.year < 0)
        return std::nullopt;
    return t;
}

BuildTime localNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &now);
#else
    localtime_r(&now, &tm);
#endif
    return BuildTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                     tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

const char* describe(BuildError error)
{
    switch (error) {
    case BuildError::TooFewLines:
        return "the text has fewer than two lines";
    case BuildError::EmptySubfield:
        return "a line has an empty subfield";
    case BuildError::TooLarge:
        return "the record is too long for ISO 2709";
    case BuildError::None:
        break;
    }
    return "";
}

struct BuildOptions
{
    BuildTime now = localNow();
    Encoding encoding = Encoding::Gbk;
};

// Reads --now (and, where allowed, --encoding) from args; an error message, or empty.
std::string parseBuildOptions(const std::vector<std::string>& args, bool encodingAllowed,
                              BuildOptions& options)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--now" && i + 1 < args.size()) {
            const auto t = parseTime(args[++i]);
            if (!t)
                return "--now takes YYYY-MM-DDTHH:MM:SS, not " + args[i];
            options.now = *t;
        } else if (encodingAllowed && args[i] == "--encoding" && i + 1 < args.size()) {
            const std::string& name = args[++i];
            if (name == "gbk")
                options.encoding = Encoding::Gbk;
            else if (name == "utf-8")
                options.encoding = Encoding::Utf8;
            else if (name == "marc-8")
                options.encoding = Encoding::Marc8;
            else
                return "--encoding takes gbk, utf-8 or marc-8, not " + name;
        } else {
            return "unknown argument: " + args[i];
        }
    }
    return {};
}

// Every record shown and built again as an unedited save in the window does, appended to `out`
// as the export writes: one record per line, CR LF after each. A record that cannot be built
// is written as it was read and named on standard error.
int resave(const std::vector<std::string>& args)
{
    if (args.size() < 2)
        return usageError("resave takes FILE and OUT");
    BuildOptions options;
    const std::string problem =
        parseBuildOptions(std::vector<std::string>(args.begin() + 2, args.end()), false, options);
    if (!problem.empty())
        return usageError(problem);
    std::string why;
    if (!fileReadable(args[0].c_str(), why)) {
        std::fprintf(stderr, "bibliora-cli: %s: %s\n", args[0].c_str(), why.c_str());
        return 1;
    }
    std::FILE* file = openForAppending(args[1]);
    if (!file) {
        std::fprintf(stderr, "bibliora-cli: %s: cannot be opened for appending\n", args[1].c_str());
        return 1;
    }
    bool written = true;
    std::size_t n = 0;
    const bool read = readMarcFile(fsPath(args[0]), [&](MarcRecord&& record) {
        ++n;
        const std::u16string text = formatRecordText(record) + u"\r\n";
        BuildResult built = rebuildRecord(record, text, options.now);
        if (built.error != BuildError::None)
            std::fprintf(stderr, "bibliora-cli: record %zu written unchanged: %s\n", n,
                         describe(built.error));
        else
            record = std::move(built.record);
        if (record.empty() || record.back() != kRecordTerminator)
            record.push_back(kRecordTerminator);
        record += "\r\n";
        written = written && std::fwrite(record.data(), 1, record.size(), file) == record.size();
    });
    written = std::fclose(file) == 0 && written;
    if (!written) {
        std::fprintf(stderr, "bibliora-cli: %s: writing failed\n", args[1].c_str());
        return 1;
    }
    if (!read) {
        std::fprintf(stderr, "bibliora-cli: %s: could not be read to its end\n", args[0].c_str());
        return 1;
    }
    return 0;
}

int build(const std::vector<std::string>& args)
{
    BuildOptions options;
    const std::string problem = parseBuildOptions(args, true, options);
    if (!problem.empty())
        return usageError(problem);
    std::string input((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    // A byte-order mark some editors put first is not part of the header line.
    if (input.compare(0, 3, "\xEF\xBB\xBF") == 0)
        input.erase(0, 3);
    std::u16string text = Gbk::fromUtf8(input);
    // A bare LF counts as CR LF, as in the window's text box.
    std::u16string normalised;
    normalised.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'))
            normalised += u"\r\n";
        else
            normalised.push_back(text[i]);
    }
    normalised += u"\r\n";
    const BuildResult result = buildIsoRecordChecked(normalised, options.now, options.encoding);
    switch (result.error) {
    case BuildError::None:
        break;
    case BuildError::TooFewLines:
        std::fprintf(stderr, "bibliora-cli: no record built: the text has fewer than two lines\n");
        return 1;
    case BuildError::EmptySubfield:
        std::fprintf(stderr, "bibliora-cli: no record built: line %zu has an empty subfield\n",
                     result.line);
        return 1;
    case BuildError::TooLarge:
        std::fprintf(stderr,
                     "bibliora-cli: no record built: the record is too long for ISO 2709\n");
        return 1;
    }
    const std::string& bytes = result.record;
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
                   std::fflush(stdout) == 0
               ? 0
               : 1;
}

} // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    // The same bytes on every system: no CR added before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
    // The arguments as Windows holds them, in UTF-16, so that a path outside the ANSI code
    // page still names its file; argv would have lost such characters.
    (void)argc;
    (void)argv;
    std::vector<std::string> args;
    int wideCount = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &wideCount)) {
        for (int i = 1; i < wideCount; ++i)
            args.push_back(
                Gbk::toUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(wide[i]))));
        LocalFree(wide);
    }
#else
    std::vector<std::string> args(argv + 1, argv + argc);
#endif
    if (args.empty())
        return usageError("no command given");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    try {
        if (command == "list") {
            const bool withEncodings = args.size() == 3 && args[1] == "--encodings";
            if (args.size() != 2 && !withEncodings)
                return usageError("list takes one FILE");
            return list(args.back().c_str(), withEncodings);
        }
        if (command == "show") {
            if (args.size() != 3)
                return usageError("show takes FILE and N");
            return show(args[1].c_str(), args[2].c_str());
        }
        if (command == "build")
            return build(std::vector<std::string>(args.begin() + 1, args.end()));
        if (command == "resave")
            return resave(std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bibliora-cli: %s\n", e.what());
        return 1;
    }
    return usageError("unknown command: " + command);
}
