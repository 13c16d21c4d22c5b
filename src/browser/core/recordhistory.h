#pragma once

#include "recordrow.h"

#include <QString>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

namespace bibliora {

// What undo keeps of one applied change of the record list. Rows hold slots of the model's
// store, which frees nothing before the list is cleared, so keeping a row keeps its bytes.
struct HistoryStep
{
    QString name;
    // Rows the change replaced, by row: the version of each that is not in the list now (the
    // old one while the step is done, the new one while it is undone).
    std::vector<std::pair<std::size_t, RecordRow>> swapped;
    // Rows the change removed, ascending by where they were before the removal.
    std::vector<std::pair<std::size_t, RecordRow>> removed;
    int shownBefore = 0;
    int shownAfter = 0;
    // The model's count of exports when the step was last applied, undone or redone: a row
    // exported since then counts as changed when undo or redo takes it out.
    std::uint64_t exports = 0;
    std::uint64_t keptBytes = 0; // the bytes of the old records the step keeps alive
};

// The steps undo and redo walk: steps before the cursor are done, after it undone. A new step
// drops the undone ones. The oldest go when there are more than a hundred, or when what the
// steps keep passes the budget (the size of the loaded file), the newest always staying.
class RecordHistory final
{
public:
    static constexpr std::size_t kMaxSteps = 100;

    void push(HistoryStep step, std::uint64_t budget);
    void clear();

    bool canUndo() const { return m_done > 0; }
    bool canRedo() const { return m_done < m_steps.size(); }
    // The step undo would take back, and the one redo would apply again.
    HistoryStep& undoStep() { return m_steps[m_done - 1]; }
    HistoryStep& redoStep() { return m_steps[m_done]; }
    QString undoName() const { return canUndo() ? m_steps[m_done - 1].name : QString(); }
    QString redoName() const { return canRedo() ? m_steps[m_done].name : QString(); }
    void stepBack() { --m_done; }
    void stepForward() { ++m_done; }

    std::size_t size() const { return m_steps.size(); }
    std::uint64_t keptBytes() const { return m_kept; }

private:
    std::deque<HistoryStep> m_steps;
    std::size_t m_done = 0;
    std::uint64_t m_kept = 0;
};

} // namespace bibliora
