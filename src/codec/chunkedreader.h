#pragma once

#include "byteblock.h"
#include "encoding.h"
#include "encodingvote.h"
#include "reader.h"

#include <any>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace bibliora {

// A run of records of one input, cut right after a record terminator, as RecordReader gives
// them: the block that holds their bytes (with whatever lay between them in the input), and
// where each is.
struct RecordChunk
{
    struct Entry
    {
        std::uint32_t offset = 0;
        std::uint32_t size = 0;
        EncodingFit fit;
        // On the worker: the encoding the records before it in the chunk suggest. Once the
        // chunk is taken in order: the encoding the whole input's reading decides, which
        // differs from `guess` only for a record whose bytes fit more than one.
        Encoding guess = Encoding::Gbk;
        Encoding encoding = Encoding::Gbk;
    };

    std::string_view record(std::size_t i) const
    {
        return {bytes.get() + records[i].offset, records[i].size};
    }

    std::uint64_t index = 0;       // the chunk's place in the input, from 0
    std::uint64_t endPosition = 0; // input bytes consumed once this chunk is taken
    ByteBlock bytes;               // may be taken over whole, records and all
    std::size_t size = 0;          // bytes of the block in use
    std::size_t capacity = 0;      // bytes of the block
    std::vector<Entry> records;
    std::any extra; // what the caller's work made of the chunk on its worker
};

// RecordReader's records on every core: the input is cut into chunks at record terminators
// (UTF-16 input at terminators on code unit boundaries) by the workers in turn, and each
// worker cuts its chunk into records, works out each record's encoding fit and runs the
// caller's work on it. Chunks are taken in input order, and records, their bytes and their
// encodings are exactly those of a RecordReader and an EncodingVote over the whole input:
// a run too long to be a record is skipped whole here too, and memory stays bounded by a few
// chunks per worker. Destroying the reader stops the workers within a chunk's work.
class ChunkedReader final
{
public:
    struct Options
    {
        unsigned threads = 0; // 0: one per core
        std::size_t chunkBytes = 4u << 20;
        ReadOptions read;
        // Called on a worker each time a chunk is ready to be taken, and when the last
        // worker ends: a caller that polls next() without waiting knows when to call again.
        std::function<void()> ready;
    };
    // Runs on a worker thread, for one chunk at a time, several at once: the chunk's records
    // with their guessed encodings. Anything it throws is thrown again by next().
    using Work = std::function<void(RecordChunk&)>;

    enum class Step
    {
        Chunk,   // the next chunk is in the argument
        Pending, // the next chunk is not ready yet
        End,     // no more chunks; failed() tells whether the input was read to its end
    };

    explicit ChunkedReader(const Options& options, Work work = {});
    ~ChunkedReader();
    ChunkedReader(const ChunkedReader&) = delete;
    ChunkedReader& operator=(const ChunkedReader&) = delete;

    // Starts the workers; false when the path is not a regular file or cannot be opened.
    bool open(const std::filesystem::path& path);
    // The same over bytes in memory, which must outlive the reader.
    void openBytes(std::string_view bytes);

    // The next chunk in input order, its encodings decided; with `wait` false, Pending when
    // the workers have not finished it yet.
    Step next(RecordChunk& chunk, bool wait = true);
    bool failed() const;
    std::uint64_t position() const { return m_position; }
    // Gives a taken chunk's block back for another chunk: a block used again costs no page
    // faults, where a fresh one has every page zeroed by the system first.
    void recycle(RecordChunk& chunk);
    // Stops the workers (chunks not taken are dropped); next() then says End.
    void stop();

    // One worker per core, at least one.
    static unsigned defaultThreads();

private:
    // Input bytes in a block of their own, filled from the front.
    struct Piece
    {
        ByteBlock bytes;
        std::size_t size = 0;
        std::size_t capacity = 0;
        std::string_view view() const { return {bytes.get(), size}; }
        // Room for `more` bytes after the used ones, keeping them.
        void reserve(std::size_t more);
        void dropFront(std::size_t n);
    };

    void start();
    void work();
    // Reads the next piece of the input, ending right after a terminator (or at the input's
    // end); false when the input is used up. Called with m_inputMutex held.
    bool cut(Piece& piece, std::uint64_t& endPosition, bool& first);
    std::size_t readInput(char* to, std::size_t n);
    // Where a piece may end: right after its last terminator, or npos.
    std::size_t lastCut(std::string_view bytes) const;
    // Where the first terminator of `bytes` ends, or npos.
    std::size_t firstCut(std::string_view bytes) const;
    // Whether the run of `piece`, which holds no terminator, is already too long to be a record.
    bool tooLong(Piece& piece) const;
    void splitCp936(Piece& piece, RecordChunk& chunk) const;
    void splitUtf16(Piece& piece, bool first, RecordChunk& chunk) const;
    void addRecord(RecordChunk& chunk, EncodingVote& vote, std::size_t offset,
                   std::size_t size) const;

    Options m_options;
    Work m_work;
    unsigned m_threads = 1;

    // The input, read by one worker at a time.
    std::mutex m_inputMutex;
    std::FILE* m_file = nullptr;
    std::string_view m_memory;
    bool m_started = false; // the byte-order mark looked for
    bool m_utf16 = false;
    bool m_inputDone = false;
    bool m_readFailed = false;
    bool m_skipping = false; // inside a run too long to be a record
    bool m_firstCut = true;
    std::string m_carry;          // input read after the last cut
    std::uint64_t m_consumed = 0; // input bytes read, the carry included

    // Chunks cut and made, handed over in order.
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::uint64_t, RecordChunk> m_done;
    std::exception_ptr m_failure;
    std::vector<ByteBlock> m_spare; // blocks of chunkBytes given back
    std::uint64_t m_cutCount = 0;   // pieces cut so far
    std::uint64_t m_taken = 0;      // chunks handed over
    unsigned m_running = 0;         // workers still working
    bool m_allCut = false;

    std::atomic<bool> m_stopping{false};
    EncodingVote m_vote;
    std::vector<std::thread> m_workers;
    std::uint64_t m_position = 0;
};

} // namespace bibliora
