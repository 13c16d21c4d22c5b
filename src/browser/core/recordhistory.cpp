#include "recordhistory.h"

namespace bibliora {

void RecordHistory::push(HistoryStep step, std::uint64_t budget)
{
    while (m_steps.size() > m_done) {
        m_kept -= m_steps.back().keptBytes;
        m_steps.pop_back();
    }
    m_kept += step.keptBytes;
    m_steps.push_back(std::move(step));
    ++m_done;
    while (m_steps.size() > 1 && (m_steps.size() > kMaxSteps || m_kept > budget)) {
        m_kept -= m_steps.front().keptBytes;
        m_steps.pop_front();
        --m_done;
    }
}

void RecordHistory::clear()
{
    m_steps.clear();
    m_done = 0;
    m_kept = 0;
}

} // namespace bibliora
