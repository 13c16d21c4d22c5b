#include "chunkedreader.h"

#include "marc8.h"
#include "openfile.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace bibliora {
namespace {

bool isUtf16Terminator(std::string_view bytes, std::size_t i)
{
    return i % 2 == 0 && i + 1 < bytes.size() && bytes[i] == kRecordTerminator && bytes[i + 1] == 0;
}

// Past the line breaks (LF, CR LF) that start a run of code page 936 bytes, up to `end`: they
// leave nothing in the record, which the reader starts only at the first other byte.
std::size_t pastLeadingLineBreaks(const char* data, std::size_t from, std::size_t end)
{
    for (;;) {
        if (from < end && data[from] == '\n')
            from += 1;
        else if (from + 1 < end && data[from] == '\r' && data[from + 1] == '\n')
            from += 2;
        else
            return from;
    }
}

} // namespace

unsigned ChunkedReader::defaultThreads()
{
    return std::max(1u, std::thread::hardware_concurrency());
}

ChunkedReader::ChunkedReader(const Options& options, Work work)
    : m_options(options), m_work(std::move(work)),
      m_threads(options.threads ? options.threads : defaultThreads())
{
    m_options.chunkBytes = std::max<std::size_t>(m_options.chunkBytes, 2);
}

ChunkedReader::~ChunkedReader()
{
    stop();
    if (m_file)
        std::fclose(m_file);
}

bool ChunkedReader::open(const std::filesystem::path& path)
{
    m_file = openRegularFile(path);
    if (!m_file)
        return false;
    start();
    return true;
}

void ChunkedReader::openBytes(std::string_view bytes)
{
    m_memory = bytes;
    start();
}

void ChunkedReader::start()
{
    m_running = m_threads;
    m_workers.reserve(m_threads);
    for (unsigned i = 0; i < m_threads; ++i)
        m_workers.emplace_back([this] { work(); });
}

void ChunkedReader::stop()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread& t : m_workers)
        t.join();
    m_workers.clear();
}

bool ChunkedReader::failed() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_readFailed;
}

std::size_t ChunkedReader::readInput(char* to, std::size_t n)
{
    if (m_file) {
        const std::size_t got = std::fread(to, 1, n, m_file);
        if (got < n && std::ferror(m_file)) {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_readFailed = true;
        }
        return got;
    }
    const std::size_t got = std::min(n, m_memory.size());
    std::memcpy(to, m_memory.data(), got);
    m_memory.remove_prefix(got);
    return got;
}

std::size_t ChunkedReader::lastCut(std::string_view bytes) const
{
    for (std::size_t i = bytes.size(); i-- > 0;) {
        if (bytes[i] != kRecordTerminator)
            continue;
        if (!m_utf16)
            return i + 1;
        if (isUtf16Terminator(bytes, i))
            return i + 2;
    }
    return std::string_view::npos;
}

std::size_t ChunkedReader::firstCut(std::string_view bytes) const
{
    for (std::size_t i = bytes.find(kRecordTerminator); i != std::string_view::npos;
         i = bytes.find(kRecordTerminator, i + 1)) {
        if (!m_utf16)
            return i + 1;
        if (isUtf16Terminator(bytes, i))
            return i + 2;
    }
    return std::string_view::npos;
}

void ChunkedReader::Piece::reserve(std::size_t more)
{
    if (capacity - size >= more)
        return;
    const std::size_t grown = std::max(size + more, capacity + capacity / 2);
    ByteBlock block = allocateByteBlock(grown);
    if (size)
        std::memcpy(block.get(), bytes.get(), size);
    bytes = std::move(block);
    capacity = grown;
}

void ChunkedReader::Piece::dropFront(std::size_t n)
{
    std::memmove(bytes.get(), bytes.get() + n, size - n);
    size -= n;
}

bool ChunkedReader::tooLong(Piece& piece) const
{
    const std::size_t max = m_options.read.maxRecordBytes;
    const std::string_view bytes = piece.view();
    if (m_utf16)
        return bytes.size() / 2 > max / 2;
    // After the line breaks that start the run every byte counts (a line break within the
    // record becomes as many blanks as it had bytes), and the terminator to come one more. The
    // leading ones are dropped here, so a run of empty lines costs no memory.
    std::size_t start = pastLeadingLineBreaks(bytes.data(), 0, bytes.size());
    if (start > m_options.chunkBytes) {
        piece.dropFront(start);
        start = 0;
    }
    return piece.size - start + 1 > max;
}

void ChunkedReader::recycle(RecordChunk& chunk)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (chunk.bytes && chunk.capacity == m_options.chunkBytes && m_spare.size() < m_threads + 1)
        m_spare.push_back(std::move(chunk.bytes));
    chunk.bytes.reset();
}

bool ChunkedReader::cut(Piece& piece, std::uint64_t& endPosition, bool& first)
{
    if (m_carry.size() < m_options.chunkBytes) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_spare.empty()) {
            piece.bytes = std::move(m_spare.back());
            piece.capacity = m_options.chunkBytes;
            m_spare.pop_back();
        }
    }
    // A piece is filled to exactly chunkBytes where it can be, so a block of whole huge pages
    // is all used.
    piece.reserve(std::max(m_options.chunkBytes, m_carry.size() + 1));
    if (!m_carry.empty())
        std::memcpy(piece.bytes.get(), m_carry.data(), m_carry.size());
    piece.size = m_carry.size();
    m_carry.clear();
    for (;;) {
        if (m_stopping)
            return false;
        if (!m_inputDone) {
            if (piece.size == piece.capacity)
                piece.reserve(m_options.chunkBytes);
            const std::size_t room = piece.capacity - piece.size;
            const std::size_t got = readInput(piece.bytes.get() + piece.size, room);
            piece.size += got;
            m_consumed += got;
            m_inputDone = got == 0;
            if (!m_started && piece.size > 0) {
                m_started = true;
                const auto* b = reinterpret_cast<const unsigned char*>(piece.bytes.get());
                m_utf16 = piece.size >= 2 && b[0] == 0xFF && b[1] == 0xFE;
                if (m_utf16)
                    piece.dropFront(2);
            }
        }
        if (m_skipping) {
            const std::size_t c = firstCut(piece.view());
            if (c == std::string::npos) {
                // The run goes on; for UTF-16 an odd byte stays, to pair with the next.
                piece.dropFront(m_utf16 ? piece.size / 2 * 2 : piece.size);
                if (m_inputDone)
                    return false;
                continue;
            }
            piece.dropFront(c);
            m_skipping = false;
        }
        if (m_inputDone) {
            if (piece.size == 0)
                return false;
            endPosition = m_consumed;
            first = std::exchange(m_firstCut, false);
            return true;
        }
        const std::size_t c = lastCut(piece.view());
        if (c != std::string::npos) {
            m_carry.assign(piece.bytes.get() + c, piece.size - c);
            piece.size = c;
            endPosition = m_consumed - m_carry.size();
            first = std::exchange(m_firstCut, false);
            return true;
        }
        if (tooLong(piece)) {
            // The whole run up to its terminator is skipped, as the reader skips it.
            m_skipping = true;
            piece.dropFront(m_utf16 ? piece.size / 2 * 2 : piece.size);
            m_firstCut = false;
        }
    }
}

void ChunkedReader::addRecord(RecordChunk& chunk, EncodingVote& vote, std::size_t offset,
                              std::size_t size) const
{
    RecordChunk::Entry entry;
    entry.offset = static_cast<std::uint32_t>(offset);
    entry.size = static_cast<std::uint32_t>(size);
    entry.fit = fitEncodings(std::string_view(chunk.bytes.get() + offset, size));
    entry.guess = entry.encoding = vote.next(entry.fit);
    chunk.records.push_back(entry);
}

void ChunkedReader::splitCp936(Piece& piece, RecordChunk& chunk) const
{
    // Each run up to a terminator is one record or none, read as RecordReader reads it. A run
    // without line breaks inside (the usual record, or one a line) is the record as it lies,
    // past its blanks and the line breaks before it: nothing is copied. Any other run is read
    // by a RecordReader, and its record, never longer, is written over the run.
    chunk.bytes = std::move(piece.bytes);
    chunk.size = piece.size;
    chunk.capacity = piece.capacity;
    char* const data = chunk.bytes.get();
    const std::size_t max = m_options.read.maxRecordBytes;
    EncodingVote vote;
    MarcRecord record;
    for (std::size_t p = 0; p < chunk.size;) {
        const void* found = std::memchr(data + p, kRecordTerminator, chunk.size - p);
        if (!found)
            break; // bytes after the last terminator are no record
        const std::size_t t = static_cast<std::size_t>(static_cast<const char*>(found) - data);
        std::size_t q = pastLeadingLineBreaks(data, p, t);
        if (!std::memchr(data + q, '\n', t - q)) {
            if (t + 1 - q <= max) {
                while (data[q] == ' ')
                    ++q; // stops at the terminator at the latest
                addRecord(chunk, vote, q, t + 1 - q);
            }
        } else {
            RecordReader reader(m_options.read);
            reader.openPiece(std::string_view(data + p, t + 1 - p), false, true);
            for (RecordReader::Step s; (s = reader.next(record)) != RecordReader::Step::End;) {
                if (s != RecordReader::Step::Record)
                    continue;
                std::memcpy(data + p, record.data(), record.size());
                addRecord(chunk, vote, p, record.size());
            }
        }
        p = t + 1;
    }
}

void ChunkedReader::splitUtf16(Piece& piece, bool first, RecordChunk& chunk) const
{
    // Records are encoded anew, and may come out longer than their code units: they go to a
    // block of their own.
    RecordReader reader(m_options.read);
    reader.openPiece(piece.view(), true, first);
    std::string out;
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    MarcRecord record;
    for (RecordReader::Step s; (s = reader.next(record)) != RecordReader::Step::End;) {
        if (s != RecordReader::Step::Record)
            continue;
        spans.emplace_back(out.size(), record.size());
        out += record;
    }
    chunk.bytes = allocateByteBlock(out.size());
    chunk.size = chunk.capacity = out.size();
    if (!out.empty())
        std::memcpy(chunk.bytes.get(), out.data(), out.size());
    EncodingVote vote;
    for (const auto& [offset, size] : spans)
        addRecord(chunk, vote, offset, size);
}

void ChunkedReader::work()
{
    const Marc8::Session marc8;
    // Enough chunks ahead that no worker waits for another's, few enough to bound memory.
    const std::uint64_t ahead = std::uint64_t(m_threads) + 1;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [&] {
                return m_stopping || m_allCut || m_failure || m_cutCount - m_taken < ahead;
            });
            if (m_stopping || m_allCut || m_failure)
                break;
        }
        RecordChunk chunk;
        Piece piece;
        bool first = false;
        {
            const std::lock_guard<std::mutex> input(m_inputMutex);
            bool got = false;
            try {
                got = cut(piece, chunk.endPosition, first);
            } catch (...) {
                // No memory for the next piece: the reading ends with the failure.
                const std::lock_guard<std::mutex> lock(m_mutex);
                if (!m_failure)
                    m_failure = std::current_exception();
                m_changed.notify_all();
                break;
            }
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (!got) {
                m_allCut = true;
                m_changed.notify_all();
                break;
            }
            chunk.index = m_cutCount++;
        }
        try {
            // Code page 936 runs read alike wherever they stand; UTF-16 ones not.
            if (m_utf16)
                splitUtf16(piece, first, chunk);
            else
                splitCp936(piece, chunk);
            if (m_work)
                m_work(chunk);
        } catch (...) {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_failure)
                m_failure = std::current_exception();
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_done.emplace(chunk.index, std::move(chunk));
        }
        m_changed.notify_all();
        if (m_options.ready)
            m_options.ready();
    }
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        --m_running;
    }
    m_changed.notify_all();
    if (m_options.ready)
        m_options.ready();
}

ChunkedReader::Step ChunkedReader::next(RecordChunk& chunk, bool wait)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (m_failure)
            std::rethrow_exception(m_failure);
        const auto it = m_done.find(m_taken);
        if (it != m_done.end()) {
            chunk = std::move(it->second);
            m_done.erase(it);
            ++m_taken;
            lock.unlock();
            m_changed.notify_all();
            for (RecordChunk::Entry& entry : chunk.records)
                entry.encoding = m_vote.next(entry.fit);
            m_position = chunk.endPosition;
            return Step::Chunk;
        }
        if (m_stopping || (m_allCut && m_taken == m_cutCount) || m_running == 0) {
            lock.unlock();
            const std::lock_guard<std::mutex> input(m_inputMutex);
            m_position = m_consumed;
            return Step::End;
        }
        if (!wait)
            return Step::Pending;
        m_changed.wait(lock);
    }
}

} // namespace bibliora
