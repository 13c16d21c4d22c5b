#pragma once

#include "encoding.h"
#include "marc.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace bibliora {

// A run of more bytes than this without a record terminator is not a record: it is skipped
// up to and including the next terminator, so memory stays bounded on any input.
inline constexpr std::size_t kMaxRecordBytes = 16u * 1024 * 1024;

struct ReadOptions
{
    std::size_t maxRecordBytes = kMaxRecordBytes;
    std::size_t bufferBytes = 1u << 20;
};

// Cuts a MARC file into records, one record per call of next(), in file order.
// A file starting FF FE is UTF-16LE (records end at 0x1D; a CR LF after the terminator is
// dropped; each record is encoded to GBK once, without its terminator). Anything else is
// code page 936, streamed: every 0x1D ends a record, line breaks inside a record (CR LF or
// LF) become two or one spaces, blanks around a record are trimmed, and bytes after the
// last terminator are dropped. Memory stays bounded by one buffer and one record.
class RecordReader final
{
public:
    enum class Step
    {
        Record,  // the next record is in `record`
        Pending, // a buffer was used up inside a record (or a skipped run): call again
        End,     // no more records; failed() tells whether the file was read to its end
    };

    explicit RecordReader(const ReadOptions& options = {});
    ~RecordReader();
    RecordReader(const RecordReader&) = delete;
    RecordReader& operator=(const RecordReader&) = delete;

    // False when the path is not a regular file or cannot be opened.
    bool open(const std::filesystem::path& path);
    // Reads bytes already in memory; they must outlive the reader.
    void openBytes(std::string_view bytes);
    // Reads a piece of a larger input that starts right after a record terminator (or at the
    // input's start, past any byte-order mark): the records the whole input's reading would
    // give for those bytes. `utf16` says the input's form; `first` whether nothing precedes it.
    void openPiece(std::string_view bytes, bool utf16, bool first);

    // `record` is replaced, its capacity reused. Pending lets a caller that reads in time
    // slices return to its event loop through long stretches that hold no record.
    Step next(MarcRecord& record);
    bool failed() const { return m_failed; }
    // Bytes of the input consumed so far.
    std::uint64_t position() const
    {
        return m_consumed + static_cast<std::uint64_t>(m_p - m_begin);
    }

private:
    class Cp936Splitter;
    class Utf16Splitter;

    bool refill();
    // FF FE at the start of the input makes it UTF-16LE; the mark itself is skipped.
    void readByteOrderMark();
    bool step(MarcRecord& record);

    ReadOptions m_options;
    std::FILE* m_file = nullptr;
    std::vector<char> m_buffer;
    const char* m_begin = nullptr;
    const char* m_p = nullptr;
    const char* m_end = nullptr;
    std::uint64_t m_consumed = 0;
    bool m_started = false;
    bool m_utf16 = false;
    bool m_failed = false;
    std::unique_ptr<Cp936Splitter> m_cp936;
    std::unique_ptr<Utf16Splitter> m_utf16Splitter;
};

// The same rules for callers that take every record at once. Returns false when the file
// could not be opened or read to its end (records delivered before that stay delivered).
using RecordSink = std::function<void(MarcRecord&& record)>;
bool readMarcFile(const std::filesystem::path& path, const RecordSink& onRecord,
                  const ReadOptions& options = {});

// The same over bytes already in memory (tests, fuzzing).
void readMarcBytes(std::string_view bytes, const RecordSink& onRecord,
                   const ReadOptions& options = {});

struct RowTexts
{
    std::u16string sequence;
    std::u16string title;
    std::u16string standardNumber;
    Encoding encoding = Encoding::Gbk;
};

// Title: 200 $a, else 245 $a. Standard number: the first non-empty of 010 $a, 020 $a,
// 011 $a, 091 $a, 016 $a.
// Each looks the record's encoding up unless told it.
std::u16string titleOf(std::string_view record);
std::u16string titleOf(std::string_view record, Encoding encoding);
std::u16string standardNumberOf(std::string_view record);
std::u16string standardNumberOf(std::string_view record, Encoding encoding);
// The row of record number `n`, in the encoding given, or else in the one detected from the
// record alone.
RowTexts rowTextsFor(std::int64_t n, std::string_view record, Encoding encoding);
RowTexts rowTextsFor(std::int64_t n, std::string_view record);

} // namespace bibliora
