// bibliora-gen: writes synthetic CNMARC (or MARC21) records in code page 936, for the samples
// and the benchmarks. The output depends only on the options.
#include "recordgen.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace bibliora::support;

namespace {

const char kUsage[] =
    "Usage: bibliora-gen [options]\n"
    "  --count N        number of records (default 100)\n"
    "  --seed S         seed; the same seed gives the same records (default 1)\n"
    "  --form F         lines: one record per line, CR LF after each record terminator (default)\n"
    "                   iso:   records back to back, no line breaks\n"
    "                   utf16: UTF-16LE with byte-order mark, CR LF after each record terminator\n"
    "  --format F       cnmarc (default) or marc21\n"
    "  --output FILE    write to FILE instead of standard output\n"
    "  --stats          print the record count and sizes on standard error\n"
    "  --help           this text\n";

enum class Form
{
    Lines,
    Iso,
    Utf16
};

struct Options
{
    unsigned long long count = 100;
    unsigned long long seed = 1;
    Form form = Form::Lines;
    RecordFormat format = RecordFormat::Cnmarc;
    std::string output;
    bool stats = false;
};

int usageError(const std::string& message)
{
    std::fprintf(stderr, "bibliora-gen: %s\n%s", message.c_str(), kUsage);
    return 2;
}

bool parseUnsigned(const std::string& text, unsigned long long& value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    value = std::strtoull(text.c_str(), nullptr, 10);
    return errno == 0;
}

struct FileCloser
{
    void operator()(std::FILE* f) const
    {
        if (f != stdout)
            std::fclose(f);
    }
};

class Writer
{
public:
    explicit Writer(std::FILE* f) : m_file(f) { m_buffer.reserve(kFlushAt + 64 * 1024); }

    void put(const char* p, std::size_t n)
    {
        m_buffer.append(p, n);
        if (m_buffer.size() >= kFlushAt)
            flush();
    }
    void putUtf16(std::u16string_view text)
    {
        for (char16_t c : text) {
            m_buffer.push_back(static_cast<char>(c & 0xFF));
            m_buffer.push_back(static_cast<char>(c >> 8));
        }
        if (m_buffer.size() >= kFlushAt)
            flush();
    }
    bool flush()
    {
        m_ok = m_ok && std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) == m_buffer.size();
        m_buffer.clear();
        return m_ok;
    }
    bool finish() { return flush() && std::fflush(m_file) == 0 && !std::ferror(m_file); }

private:
    static constexpr std::size_t kFlushAt = 1u << 20;
    std::FILE* m_file;
    std::string m_buffer;
    bool m_ok = true;
};

} // namespace

int main(int argc, char** argv)
{
    Options o;
    std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string* {
            return i + 1 < args.size() ? &args[++i] : nullptr;
        };
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--stats") {
            o.stats = true;
        } else if (a == "--count" || a == "--seed") {
            const std::string* v = value();
            unsigned long long n = 0;
            if (!v || !parseUnsigned(*v, n))
                return usageError(a + " takes a non-negative number");
            (a == "--count" ? o.count : o.seed) = n;
        } else if (a == "--form") {
            const std::string* v = value();
            if (v && *v == "lines")
                o.form = Form::Lines;
            else if (v && *v == "iso")
                o.form = Form::Iso;
            else if (v && *v == "utf16")
                o.form = Form::Utf16;
            else
                return usageError("--form takes lines, iso or utf16");
        } else if (a == "--format") {
            const std::string* v = value();
            if (v && *v == "cnmarc")
                o.format = RecordFormat::Cnmarc;
            else if (v && *v == "marc21")
                o.format = RecordFormat::Marc21;
            else
                return usageError("--format takes cnmarc or marc21");
        } else if (a == "--output" || a == "-o") {
            const std::string* v = value();
            if (!v || v->empty())
                return usageError("--output takes a file name");
            o.output = *v;
        } else {
            return usageError("unknown argument: " + a);
        }
    }

    std::unique_ptr<std::FILE, FileCloser> file(
        o.output.empty() ? stdout : std::fopen(o.output.c_str(), "wb"));
    if (!file) {
        std::fprintf(stderr, "bibliora-gen: %s: %s\n", o.output.c_str(), std::strerror(errno));
        return 1;
    }

    Writer out(file.get());
    const RecordGenerator generator(o.seed, o.format);
    GeneratedRecord record;
    const bool utf16 = o.form == Form::Utf16;
    if (utf16)
        out.put("\xFF\xFE", 2);
    unsigned long long total = 0;
    std::size_t smallest = ~std::size_t(0);
    std::size_t largest = 0;
    unsigned long long over10k = 0;
    for (unsigned long long i = 0; i < o.count; ++i) {
        generator.make(i, record, utf16);
        if (utf16) {
            out.putUtf16(record.text);
            out.putUtf16(u"\r\n");
        } else {
            out.put(record.bytes.data(), record.bytes.size());
            if (o.form == Form::Lines)
                out.put("\r\n", 2);
        }
        total += record.bytes.size();
        smallest = std::min(smallest, record.bytes.size());
        largest = std::max(largest, record.bytes.size());
        over10k += record.bytes.size() > 10 * 1024 ? 1 : 0;
    }
    if (!out.finish()) {
        std::fprintf(stderr, "bibliora-gen: writing failed\n");
        return 1;
    }
    if (o.stats && o.count > 0)
        std::fprintf(
            stderr,
            "bibliora-gen: %llu records, %llu bytes of records, average %llu, smallest %zu, "
            "largest %zu, %llu over 10 KB\n",
            o.count, total, total / o.count, smallest, largest, over10k);
    return 0;
}
