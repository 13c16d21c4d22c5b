#pragma once

#include "encoding.h"
#include "filechecker.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace bibliora::check {

// Prepares records (FileChecker::prepare) on worker threads, running ahead of one caller that
// takes them back batch by batch in the order it gave them and finishes them in file order.
// For records already in memory, as a list a window holds; a file being read is prepared by
// the reading workers instead.
//
// Every member but the constructor's callback is called from the caller's thread. The records'
// bytes must stay where they are until their batch is taken, or discard() or the destructor
// returns: a worker may still be reading a discarded batch.
class AheadChecker final
{
public:
    struct Batch
    {
        std::vector<std::string_view> records;
        std::vector<Encoding> encodings;
        // One per record once taken; capacities are kept for the next use.
        std::vector<PreparedCheck> prepared;
    };

    // `ready` is called on a worker thread whenever the oldest batch given has become
    // prepared; it must only wake the caller. Threads: at least one.
    AheadChecker(unsigned threads, RuleSet forced, std::function<void()> ready);
    // Stops the workers; one preparing a batch finishes that batch first.
    ~AheadChecker();
    AheadChecker(const AheadChecker&) = delete;
    AheadChecker& operator=(const AheadChecker&) = delete;

    // An empty batch to fill, one taken earlier when there is one.
    std::unique_ptr<Batch> fresh();
    void give(std::unique_ptr<Batch> batch);
    // The oldest batch given, if it is prepared; else nothing. The caller may give it back
    // through recycle() once finished with it.
    std::unique_ptr<Batch> take();
    void recycle(std::unique_ptr<Batch> batch);
    // Batches given and not yet taken.
    std::size_t waiting() const;
    // Forgets every batch given and not taken (the records changed under them).
    void discard();

private:
    struct Job
    {
        std::unique_ptr<Batch> batch;
        bool done = false;
        bool discarded = false;
    };

    void work();

    const RuleSet m_forced;
    const std::function<void()> m_ready;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::shared_ptr<Job>> m_jobs; // given, oldest first
    std::size_t m_unstarted = 0;             // index of the first job no worker has taken
    std::vector<std::unique_ptr<Batch>> m_free;
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};

} // namespace bibliora::check
