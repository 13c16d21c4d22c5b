#include "aheadchecker.h"

#include "marc8.h"

#include <utility>

namespace bibliora::check {

AheadChecker::AheadChecker(unsigned threads, RuleSet forced, std::function<void()> ready)
    : m_forced(forced), m_ready(std::move(ready))
{
    for (unsigned i = 0; i < (threads ? threads : 1); ++i)
        m_workers.emplace_back([this] { work(); });
}

AheadChecker::~AheadChecker()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread& t : m_workers)
        t.join();
}

std::unique_ptr<AheadChecker::Batch> AheadChecker::fresh()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_free.empty())
        return std::make_unique<Batch>();
    std::unique_ptr<Batch> batch = std::move(m_free.back());
    m_free.pop_back();
    batch->records.clear();
    batch->encodings.clear();
    return batch;
}

void AheadChecker::give(std::unique_ptr<Batch> batch)
{
    auto job = std::make_shared<Job>();
    job->batch = std::move(batch);
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

std::unique_ptr<AheadChecker::Batch> AheadChecker::take()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_jobs.empty() || !m_jobs.front()->done)
        return nullptr;
    std::unique_ptr<Batch> batch = std::move(m_jobs.front()->batch);
    m_jobs.pop_front();
    --m_unstarted; // the front had been started
    return batch;
}

void AheadChecker::recycle(std::unique_ptr<Batch> batch)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_free.push_back(std::move(batch));
}

std::size_t AheadChecker::waiting() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_jobs.size();
}

void AheadChecker::discard()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (std::size_t i = 0; i < m_jobs.size(); ++i) {
        Job& job = *m_jobs[i];
        job.discarded = true;
        // A job a worker holds is its to drop; the others' batches are used again.
        if (i >= m_unstarted || job.done)
            m_free.push_back(std::move(job.batch));
    }
    m_jobs.clear();
    m_unstarted = 0;
}

void AheadChecker::work()
{
    // Preparing decodes MARC-8 records; the converters are this thread's own, closed as it ends.
    const Marc8::Session marc8;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || m_unstarted < m_jobs.size(); });
        if (m_stopping)
            return;
        const std::shared_ptr<Job> job = m_jobs[m_unstarted++];
        Batch& batch = *job->batch;
        lock.unlock();

        batch.prepared.resize(batch.records.size());
        for (std::size_t i = 0; i < batch.records.size(); ++i)
            FileChecker::prepare(m_forced, batch.records[i], batch.encodings[i], batch.prepared[i]);

        lock.lock();
        job->done = true;
        if (job->discarded) {
            m_free.push_back(std::move(job->batch));
            continue;
        }
        if (m_jobs.front() == job) {
            lock.unlock();
            m_ready();
            lock.lock();
        }
    }
}

} // namespace bibliora::check
