#pragma once

#include "encoding.h"
#include "marc.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace bibliora {

// A run of more bytes than this without a record terminator is not a record: it is skipped
// up to and including the next terminator, so memory stays bounded on any input.
inline constexpr std::size_t kMaxRecordBytes = 16u * 1024 * 1024;

struct ReadOptions
{
    std::size_t maxRecordBytes = kMaxRecordBytes;
    std::size_t bufferBytes = 1u << 20;
    // Called after each buffer of the file has been cut into records, so a caller can keep a
    // window alive through long stretches that hold no record. It may throw to stop reading.
    std::function<void()> onChunk;
};

// Cuts a MARC file into records, calling onRecord once per record in file order.
// A file starting FF FE is UTF-16LE (records end at 0x1D; a CR LF after the terminator is
// dropped; each record is encoded to GBK once, without its terminator). Anything else is
// code page 936, streamed: every 0x1D ends a record, line breaks inside a record (CR LF or
// LF) become two or one spaces, blanks around a record are trimmed, and bytes after the
// last terminator are dropped. Returns false when the file could not be opened or read to
// its end (records delivered before that stay delivered).
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
RowTexts rowTextsFor(std::int64_t n, std::string_view record);

} // namespace bibliora
