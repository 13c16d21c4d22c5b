#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace bibliora {

// Runs a test over rows first .. end - 1, on every core when there are more than about 100,000
// rows (a find over a million records), else on the calling thread. The test is called from
// several threads at once, each time for another row, so it must only read what it shares.
// Whatever it throws is thrown again here, once every thread has stopped.
class RowScan final
{
public:
    using Test = std::function<bool(std::size_t row)>;

    // At most this many threads (0: one per core); tests use more than the machine has.
    explicit RowScan(unsigned threads = 0);

    // The first row that passes, or nothing.
    std::optional<std::size_t> first(std::size_t begin, std::size_t end, const Test& test) const;
    // Every row that passes, ascending.
    std::vector<std::size_t> all(std::size_t begin, std::size_t end, const Test& test) const;

    // Below this many rows one thread does it all.
    static constexpr std::size_t kParallelRows = 100000;

private:
    unsigned threadsFor(std::size_t rows) const;

    unsigned m_threads;
};

} // namespace bibliora
