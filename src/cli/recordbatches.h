#pragma once

#include "encoding.h"
#include "marc.h"
#include "rewrite.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace bibliora::cli {

// Records read in file order, rewritten on every core a batch at a time, and handed back in
// the order they were read: the rewrite of a million records takes the machine's cores while
// the reading, and the writing of what is done, go on in the thread that reads.
class RecordBatches final
{
public:
    struct Batch
    {
        std::int64_t first = 0; // the number of its first record
        std::size_t size = 0;   // records in use; the vectors keep their room between uses
        std::vector<MarcRecord> records;
        std::vector<Encoding> encodings;
        std::vector<Rewritten> results;
    };

    // `rewrite` is called from several threads at once, each time for another record.
    explicit RecordBatches(const RecordRewrite& rewrite);
    ~RecordBatches();
    RecordBatches(const RecordBatches&) = delete;
    RecordBatches& operator=(const RecordBatches&) = delete;

    // The batch being filled; its record's bytes are swapped in, so that the reader keeps a
    // buffer that has room.
    Batch& filling();
    bool full() const;
    // Starts the rewrite of the batch being filled, when it holds any record.
    void submit();
    // Whether enough batches are under way that the reader should wait for the oldest.
    bool busy() const;
    bool idle() const;
    // The oldest batch submitted, once rewritten; the caller hands it back with recycle()
    // after writing it. While it waits, this thread rewrites batches too. A rewrite that
    // threw throws here.
    std::unique_ptr<Batch> takeOldest();
    void recycle(std::unique_ptr<Batch> batch);

private:
    struct Job
    {
        std::unique_ptr<Batch> batch;
        bool done = false;
        std::exception_ptr failure;
    };

    void work();
    // Takes the first batch no thread has taken and rewrites it, `lock` released meanwhile.
    void runNext(std::unique_lock<std::mutex>& lock);

    const RecordRewrite& m_rewrite;
    std::unique_ptr<Batch> m_filling;
    std::vector<std::unique_ptr<Batch>> m_spare;
    std::deque<std::shared_ptr<Job>> m_order; // submitted, oldest first
    std::deque<std::shared_ptr<Job>> m_todo;  // submitted and not taken by a thread
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
    std::size_t m_maxUnderWay = 2;
};

} // namespace bibliora::cli
