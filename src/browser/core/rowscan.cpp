#include "rowscan.h"

#include "chunkedreader.h"
#include "marc8.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <limits>
#include <mutex>
#include <thread>

namespace bibliora {
namespace {

// Rows a thread takes at a time: enough that taking them costs nothing next to testing them,
// few enough that a match early in the list ends the scan soon.
constexpr std::size_t kBlockRows = 8192;

// Runs `work` on `threads` threads (this one among them) until each returns; the first
// exception any of them threw is thrown here.
void runOn(unsigned threads, const std::function<void()>& work)
{
    std::exception_ptr failure;
    std::mutex mutex;
    const auto guarded = [&] {
        try {
            work();
        } catch (...) {
            const std::lock_guard<std::mutex> lock(mutex);
            if (!failure)
                failure = std::current_exception();
        }
    };
    std::vector<std::thread> others;
    for (unsigned i = 1; i < threads; ++i)
        others.emplace_back([&] {
            // A test may decode MARC-8 text; the converters are this thread's own.
            const Marc8::Session marc8;
            guarded();
        });
    guarded();
    for (std::thread& t : others)
        t.join();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace

RowScan::RowScan(unsigned threads) : m_threads(threads ? threads : ChunkedReader::defaultThreads())
{
}

unsigned RowScan::threadsFor(std::size_t rows) const
{
    return rows > kParallelRows ? m_threads : 1;
}

std::optional<std::size_t> RowScan::first(std::size_t begin, std::size_t end,
                                          const Test& test) const
{
    if (begin >= end)
        return std::nullopt;
    constexpr std::size_t none = std::numeric_limits<std::size_t>::max();
    std::atomic<std::size_t> nextBlock{0};
    std::atomic<std::size_t> found{none};
    // A block is skipped only when it starts after a row already found, so every row before
    // the first match is tested.
    runOn(threadsFor(end - begin), [&] {
        for (;;) {
            const std::size_t from = begin + nextBlock.fetch_add(1) * kBlockRows;
            if (from >= end || from > found.load())
                return;
            const std::size_t to = std::min(end, from + kBlockRows);
            for (std::size_t row = from; row < to; ++row) {
                if (!test(row))
                    continue;
                for (std::size_t seen = found.load();
                     row < seen && !found.compare_exchange_weak(seen, row);) {
                }
                break;
            }
        }
    });
    const std::size_t row = found.load();
    return row == none ? std::nullopt : std::optional<std::size_t>(row);
}

std::vector<std::size_t> RowScan::all(std::size_t begin, std::size_t end, const Test& test) const
{
    if (begin >= end)
        return {};
    const std::size_t blocks = (end - begin + kBlockRows - 1) / kBlockRows;
    std::vector<std::vector<std::size_t>> perBlock(blocks);
    std::atomic<std::size_t> nextBlock{0};
    runOn(threadsFor(end - begin), [&] {
        for (std::size_t b; (b = nextBlock.fetch_add(1)) < blocks;) {
            const std::size_t from = begin + b * kBlockRows;
            const std::size_t to = std::min(end, from + kBlockRows);
            for (std::size_t row = from; row < to; ++row)
                if (test(row))
                    perBlock[b].push_back(row);
        }
    });
    std::vector<std::size_t> rows;
    for (const std::vector<std::size_t>& block : perBlock)
        rows.insert(rows.end(), block.begin(), block.end());
    return rows;
}

} // namespace bibliora
