#include "reader.h"

#include "gbk.h"
#include "lookup.h"
#include "openfile.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace bibliora {

// Code page 936 text: records end at every 0x1D, lines at LF (a CR before it belongs to the
// break). Line breaks within a record are replaced by spaces: two for CR LF, one for LF, so
// the byte offsets behind them stay what the writer of a split record counted.
class RecordReader::Cp936Splitter final
{
public:
    explicit Cp936Splitter(std::size_t maxBytes) : m_max(maxBytes) {}

    // Consumes input from p until a record is complete: true with the record in `out`.
    bool step(const char*& p, const char* end, MarcRecord& out)
    {
        while (p < end) {
            const void* t = std::memchr(p, kRecordTerminator, static_cast<std::size_t>(end - p));
            const char* stop = t ? static_cast<const char*>(t) : end;
            // Line breaks up to the terminator (or the buffer's end).
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
            if (!t) {
                p = end;
                return false;
            }
            append(stop, 1);
            p = stop + 1;
            if (endRecord(out))
                return true;
        }
        return false;
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

    bool endRecord(MarcRecord& out)
    {
        if (m_skipping) {
            m_skipping = false;
            return false;
        }
        std::size_t b = 0;
        std::size_t e = m_acc.size();
        while (b < e && m_acc[b] == ' ')
            ++b;
        while (e > b && m_acc[e - 1] == ' ')
            --e;
        const bool any = b < e;
        if (any)
            out.assign(m_acc.data() + b, e - b);
        m_acc.clear(); // its buffer is reused for the next record
        return any;
    }

    std::size_t m_max;
    std::string m_acc;
    bool m_skipping = false;
};

// UTF-16LE after the byte-order mark: records end at U+001D; the CR LF that a writer puts
// after each terminator is dropped only when it is there.
class RecordReader::Utf16Splitter final
{
public:
    explicit Utf16Splitter(std::size_t maxBytes) : m_maxUnits(maxBytes / 2) {}

    bool step(const char*& p, const char* end, MarcRecord& out)
    {
        while (p < end) {
            if (m_haveLow) {
                m_haveLow = false;
                const auto c = static_cast<char16_t>(static_cast<unsigned char>(m_low) |
                                                     static_cast<unsigned char>(*p++) << 8);
                if (c == char16_t(kRecordTerminator)) {
                    if (endRecord(out))
                        return true;
                } else {
                    const char pair[2] = {m_low, static_cast<char>(c >> 8)};
                    appendUnits(pair, 1);
                }
                continue;
            }
            // Whole code units in runs: everything up to the next terminator at once.
            const std::size_t units = static_cast<std::size_t>(end - p) / 2;
            std::size_t i = 0;
            while (i < units && !(p[2 * i] == kRecordTerminator && p[2 * i + 1] == 0))
                ++i;
            appendUnits(p, i);
            if (i < units) {
                p += 2 * (i + 1);
                if (endRecord(out))
                    return true;
                continue;
            }
            p += 2 * units;
            if (p < end) {
                m_low = *p++;
                m_haveLow = true;
            }
        }
        return false;
    }

    // What follows a record: the CR LF a writer puts after its terminator is dropped.
    void continueAfterRecord() { m_count = 1; }

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

    // Every terminator ends a record, an empty one too, unless its run was skipped.
    bool endRecord(MarcRecord& out)
    {
        const bool deliver = !m_skipping;
        if (deliver) {
            std::u16string_view text = m_acc;
            if (m_count > 0 && text.substr(0, 2) == u"\r\n")
                text.remove_prefix(2);
            out = Gbk::encode(text);
        }
        ++m_count;
        m_skipping = false;
        m_acc.clear();
        return deliver;
    }

    std::size_t m_maxUnits;
    std::u16string m_acc;
    std::size_t m_count = 0;
    char m_low = 0;
    bool m_haveLow = false;
    bool m_skipping = false;
};

RecordReader::RecordReader(const ReadOptions& options)
    : m_options(options), m_cp936(std::make_unique<Cp936Splitter>(options.maxRecordBytes)),
      m_utf16Splitter(std::make_unique<Utf16Splitter>(options.maxRecordBytes))
{
}

RecordReader::~RecordReader()
{
    if (m_file)
        std::fclose(m_file);
}

bool RecordReader::open(const std::filesystem::path& path)
{
    m_file = openRegularFile(path);
    if (!m_file)
        return false;
    m_buffer.resize(std::max<std::size_t>(m_options.bufferBytes, 4));
    return true;
}

void RecordReader::openBytes(std::string_view bytes)
{
    m_begin = m_p = bytes.data();
    m_end = bytes.data() + bytes.size();
    readByteOrderMark();
}

void RecordReader::openPiece(std::string_view bytes, bool utf16, bool first)
{
    m_begin = m_p = bytes.data();
    m_end = bytes.data() + bytes.size();
    m_started = true;
    m_utf16 = utf16;
    if (utf16 && !first)
        m_utf16Splitter->continueAfterRecord();
}

void RecordReader::readByteOrderMark()
{
    m_started = true;
    m_utf16 = m_end - m_p >= 2 && static_cast<unsigned char>(m_p[0]) == 0xFF &&
              static_cast<unsigned char>(m_p[1]) == 0xFE;
    if (m_utf16)
        m_p += 2;
}

bool RecordReader::refill()
{
    if (!m_file)
        return false;
    m_consumed += static_cast<std::uint64_t>(m_end - m_begin);
    const std::size_t got = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file);
    m_begin = m_p = m_buffer.data();
    m_end = m_begin + got;
    if (got == 0) {
        m_failed = std::ferror(m_file) != 0;
        std::fclose(m_file);
        m_file = nullptr;
        return false;
    }
    if (!m_started)
        readByteOrderMark();
    return true;
}

bool RecordReader::step(MarcRecord& record)
{
    return m_utf16 ? m_utf16Splitter->step(m_p, m_end, record) : m_cp936->step(m_p, m_end, record);
}

RecordReader::Step RecordReader::next(MarcRecord& record)
{
    for (;;) {
        if (m_p < m_end) {
            if (step(record))
                return Step::Record;
            if (m_file)
                return Step::Pending;
        }
        if (!refill())
            return Step::End;
    }
}

namespace {

void drain(RecordReader& reader, const RecordSink& onRecord)
{
    MarcRecord record;
    for (RecordReader::Step s; (s = reader.next(record)) != RecordReader::Step::End;) {
        // Moved out whole: the next record is assigned into a fresh, exact-size string.
        if (s == RecordReader::Step::Record)
            onRecord(std::move(record));
    }
}

} // namespace

void readMarcBytes(std::string_view bytes, const RecordSink& onRecord, const ReadOptions& options)
{
    RecordReader reader(options);
    reader.openBytes(bytes);
    drain(reader, onRecord);
}

bool readMarcFile(const std::filesystem::path& path, const RecordSink& onRecord,
                  const ReadOptions& options)
{
    RecordReader reader(options);
    if (!reader.open(path))
        return false;
    drain(reader, onRecord);
    return !reader.failed();
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
    return rowTextsFor(n, record, detectEncoding(record));
}

RowTexts rowTextsFor(std::int64_t n, std::string_view record, Encoding encoding)
{
    char digits[24];
    const char* const digitsEnd = std::to_chars(std::begin(digits), std::end(digits), n).ptr;
    // Each member made in place: this runs once for every record of a file.
    return {std::u16string(std::cbegin(digits), digitsEnd), titleOf(record, encoding),
            standardNumberOf(record, encoding), encoding};
}

} // namespace bibliora
