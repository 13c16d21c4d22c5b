#include "reader.h"

#include "gbk.h"
#include "lookup.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

namespace bibliora {
namespace {

// Streams code page 936 text: records end at every 0x1D, lines at LF (a CR before it belongs
// to the break). Line breaks within a record are replaced by spaces: two for CR LF, one for
// LF, so the byte offsets behind them stay what the writer of a split record counted.
class Cp936Splitter
{
public:
    Cp936Splitter(const RecordSink& sink, std::size_t maxBytes) : m_sink(sink), m_max(maxBytes) {}

    void feed(const char* p, std::size_t n)
    {
        const char* end = p + n;
        while (p < end) {
            const void* t = std::memchr(p, kRecordTerminator, static_cast<std::size_t>(end - p));
            const char* stop = t ? static_cast<const char*>(t) : end;
            // Line breaks up to the terminator (or the chunk's end).
            const char* q = p;
            while (q < stop) {
                const void* lf = std::memchr(q, '\n', static_cast<std::size_t>(stop - q));
                if (!lf) {
                    append(q, static_cast<std::size_t>(stop - q));
                    break;
                }
                const char* l = static_cast<const char*>(lf);
                append(q, static_cast<std::size_t>(l - q));
                lineBreak();
                q = l + 1;
            }
            if (!t)
                return;
            append(stop, 1);
            endRecord();
            p = stop + 1;
        }
    }

private:
    void append(const char* p, std::size_t n)
    {
        if (m_skipping || n == 0)
            return;
        if (m_acc.size() + n > m_max) {
            m_skipping = true;
            m_acc.clear();
            m_acc.shrink_to_fit();
            return;
        }
        m_acc.append(p, n);
    }

    void lineBreak()
    {
        if (m_skipping)
            return;
        const bool crlf = !m_acc.empty() && m_acc.back() == '\r';
        if (crlf)
            m_acc.pop_back();
        // Leading blanks are trimmed from every record anyway.
        if (!m_acc.empty())
            append(crlf ? "  " : " ", crlf ? 2 : 1);
    }

    void endRecord()
    {
        if (m_skipping) {
            m_skipping = false;
            return;
        }
        std::size_t b = 0;
        std::size_t e = m_acc.size();
        while (b < e && m_acc[b] == ' ')
            ++b;
        while (e > b && m_acc[e - 1] == ' ')
            --e;
        if (b < e) {
            // An exact-size copy: the accumulator's spare capacity would otherwise stay with
            // every record kept, and its buffer is reused for the next one.
            m_sink(MarcRecord(m_acc.data() + b, e - b));
        }
        m_acc.clear();
    }

    const RecordSink& m_sink;
    std::size_t m_max;
    std::string m_acc;
    bool m_skipping = false;
};

// UTF-16LE after the byte-order mark: records end at U+001D; the CR LF that a writer puts
// after each terminator is dropped only when it is there.
class Utf16Splitter
{
public:
    Utf16Splitter(const RecordSink& sink, std::size_t maxBytes)
        : m_sink(sink), m_maxUnits(maxBytes / 2)
    {
    }

    void feed(const char* p, std::size_t n)
    {
        if (n == 0)
            return;
        if (m_haveLow) {
            m_haveLow = false;
            unit(static_cast<char16_t>(static_cast<unsigned char>(m_low) |
                                       static_cast<unsigned char>(p[0]) << 8));
            ++p;
            --n;
        }
        // Whole code units in runs: everything up to the next terminator is appended at once.
        const std::size_t units = n / 2;
        std::size_t runStart = 0;
        for (std::size_t i = 0; i < units; ++i) {
            if (p[2 * i] == kRecordTerminator && p[2 * i + 1] == 0) {
                appendUnits(p + 2 * runStart, i - runStart);
                unit(char16_t(kRecordTerminator));
                runStart = i + 1;
            }
        }
        appendUnits(p + 2 * runStart, units - runStart);
        if (n % 2) {
            m_low = p[n - 1];
            m_haveLow = true;
        }
    }

private:
    void appendUnits(const char* p, std::size_t count)
    {
        if (m_skipping || count == 0)
            return;
        if (m_acc.size() + count > m_maxUnits) {
            m_skipping = true;
            m_acc.clear();
            m_acc.shrink_to_fit();
            return;
        }
        const std::size_t old = m_acc.size();
        m_acc.resize(old + count);
        for (std::size_t k = 0; k < count; ++k)
            m_acc[old + k] = static_cast<char16_t>(static_cast<unsigned char>(p[2 * k]) |
                                                   static_cast<unsigned char>(p[2 * k + 1]) << 8);
    }

    void unit(char16_t c)
    {
        if (c != char16_t(kRecordTerminator)) {
            char pair[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
            appendUnits(pair, 1);
            return;
        }
        if (!m_skipping) {
            std::u16string_view text = m_acc;
            if (m_count > 0 && text.substr(0, 2) == u"\r\n")
                text.remove_prefix(2);
            m_sink(Gbk::encode(text));
        }
        ++m_count;
        m_skipping = false;
        m_acc.clear();
    }

    const RecordSink& m_sink;
    std::size_t m_maxUnits;
    std::u16string m_acc;
    std::size_t m_count = 0;
    char m_low = 0;
    bool m_haveLow = false;
    bool m_skipping = false;
};

struct FileCloser
{
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

void readMarcBytes(std::string_view bytes, const RecordSink& onRecord, const ReadOptions& options)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        Utf16Splitter s(onRecord, options.maxRecordBytes);
        s.feed(bytes.data() + 2, bytes.size() - 2);
    } else {
        Cp936Splitter s(onRecord, options.maxRecordBytes);
        s.feed(bytes.data(), bytes.size());
    }
}

bool readMarcFile(const std::filesystem::path& path, const RecordSink& onRecord,
                  const ReadOptions& options)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return false;
#ifdef _WIN32
    std::unique_ptr<std::FILE, FileCloser> file(_wfopen(path.c_str(), L"rb"));
#else
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
#endif
    if (!file)
        return false;
    std::vector<char> buffer(std::max<std::size_t>(options.bufferBytes, 4));
    std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
    const bool utf16 = got >= 2 && static_cast<unsigned char>(buffer[0]) == 0xFF &&
                       static_cast<unsigned char>(buffer[1]) == 0xFE;
    Cp936Splitter cp936(onRecord, options.maxRecordBytes);
    Utf16Splitter utf16Splitter(onRecord, options.maxRecordBytes);
    std::size_t skip = utf16 ? 2 : 0;
    while (got > 0) {
        if (utf16)
            utf16Splitter.feed(buffer.data() + skip, got - skip);
        else
            cp936.feed(buffer.data(), got);
        skip = 0;
        if (options.onChunk)
            options.onChunk();
        got = std::fread(buffer.data(), 1, buffer.size(), file.get());
    }
    return !std::ferror(file.get());
}

std::u16string titleOf(std::string_view record)
{
    return titleOf(record, detectEncoding(record));
}

std::u16string titleOf(std::string_view record, Encoding encoding)
{
    std::u16string title = lookupSubfield(record, u"200a", encoding);
    if (title.empty())
        title = lookupSubfield(record, u"245a", encoding);
    return title;
}

std::u16string standardNumberOf(std::string_view record)
{
    return standardNumberOf(record, detectEncoding(record));
}

std::u16string standardNumberOf(std::string_view record, Encoding encoding)
{
    for (const char16_t* spec : {u"010a", u"020a", u"011a", u"091a", u"016a"}) {
        std::u16string value = lookupSubfield(record, spec, encoding);
        if (!value.empty())
            return value;
    }
    return {};
}

RowTexts rowTextsFor(std::int64_t n, std::string_view record)
{
    char digits[24];
    const char* const digitsEnd = std::to_chars(std::begin(digits), std::end(digits), n).ptr;
    const Encoding encoding = detectEncoding(record);
    // Each member made in place: this runs once for every record of a file.
    return {std::u16string(std::cbegin(digits), digitsEnd), titleOf(record, encoding),
            standardNumberOf(record, encoding), encoding};
}

} // namespace bibliora
