#pragma once

#include <QString>
#include <cstdint>
#include <functional>

namespace bibliora {

class GridControl;

// Fills the grid with the records of a file. Rows are appended in batches, and every
// `interval` milliseconds the loader hands control to `onProgress` (which repaints and lets
// the event loop run), so a million-record file loads in seconds with a live window.
// `onProgress` returns false to stop the load; the records read so far stay.
class GridLoader final
{
public:
    struct Outcome
    {
        std::int64_t count = 0;
        bool aborted = false;
    };

    GridLoader(GridControl& grid, std::function<bool(std::int64_t count)> onProgress,
               int intervalMs = 40)
        : m_grid(grid), m_onProgress(std::move(onProgress)), m_intervalMs(intervalMs)
    {
    }

    Outcome load(const QString& path);

private:
    GridControl& m_grid;
    std::function<bool(std::int64_t)> m_onProgress;
    int m_intervalMs;
};

} // namespace bibliora
