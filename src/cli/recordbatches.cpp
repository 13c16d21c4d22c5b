#include "recordbatches.h"

#include "input.h"
#include "marc8.h"

#include <algorithm>

namespace bibliora::cli {
namespace {

// Large enough that handing a batch over costs nothing next to rewriting it, small enough
// that the batches under way hold a few megabytes.
constexpr std::size_t kBatchRecords = 512;

} // namespace

RecordBatches::RecordBatches(const RecordRewrite& rewrite) : m_rewrite(rewrite)
{
    // The thread that reads rewrites too while it waits: one worker fewer than cores.
    const unsigned cores = readThreads();
    m_maxUnderWay = 2 * cores;
    for (unsigned i = 1; i < cores; ++i)
        m_workers.emplace_back([this] { work(); });
}

RecordBatches::~RecordBatches()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread& t : m_workers)
        t.join();
}

RecordBatches::Batch& RecordBatches::filling()
{
    if (!m_filling) {
        if (m_spare.empty()) {
            m_filling = std::make_unique<Batch>();
            m_filling->records.resize(kBatchRecords);
            m_filling->encodings.resize(kBatchRecords);
            m_filling->results.resize(kBatchRecords);
        } else {
            m_filling = std::move(m_spare.back());
            m_spare.pop_back();
        }
        m_filling->size = 0;
    }
    return *m_filling;
}

bool RecordBatches::full() const
{
    return m_filling && m_filling->size == kBatchRecords;
}

void RecordBatches::submit()
{
    if (!m_filling || m_filling->size == 0)
        return;
    auto job = std::make_shared<Job>();
    job->batch = std::move(m_filling);
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_order.push_back(job);
        m_todo.push_back(job);
    }
    m_changed.notify_one();
}

bool RecordBatches::busy() const
{
    return m_order.size() >= m_maxUnderWay;
}

bool RecordBatches::idle() const
{
    return m_order.empty();
}

std::unique_ptr<RecordBatches::Batch> RecordBatches::takeOldest()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const std::shared_ptr<Job> oldest = m_order.front();
    while (!oldest->done) {
        if (!m_todo.empty())
            runNext(lock);
        else
            m_changed.wait(lock);
    }
    m_order.pop_front();
    lock.unlock();
    if (oldest->failure)
        std::rethrow_exception(oldest->failure);
    return std::move(oldest->batch);
}

void RecordBatches::recycle(std::unique_ptr<Batch> batch)
{
    m_spare.push_back(std::move(batch));
}

void RecordBatches::work()
{
    const Marc8::Session marc8;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_todo.empty(); });
        if (m_todo.empty())
            return;
        runNext(lock);
    }
}

void RecordBatches::runNext(std::unique_lock<std::mutex>& lock)
{
    const std::shared_ptr<Job> job = m_todo.front();
    m_todo.pop_front();
    lock.unlock();
    Batch& b = *job->batch;
    try {
        for (std::size_t i = 0; i < b.size; ++i)
            b.results[i] = m_rewrite(b.records[i], b.encodings[i]);
    } catch (...) {
        job->failure = std::current_exception();
    }
    lock.lock();
    job->done = true;
    m_changed.notify_all();
}

} // namespace bibliora::cli
