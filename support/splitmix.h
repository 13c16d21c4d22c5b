#pragma once

// SplitMix64: the same numbers from every compiler and standard library (whose distributions
// differ), so generated records and test cases depend on nothing but their seed.

#include <cstddef>
#include <cstdint>

namespace bibliora::support {

class SplitMix final
{
public:
    explicit SplitMix(std::uint64_t state) : m_state(state) {}

    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    unsigned below(unsigned n) { return static_cast<unsigned>(next() % n); }
    unsigned between(unsigned lo, unsigned hi) { return lo + below(hi - lo + 1); }
    bool percent(unsigned p) { return below(100) < p; }
    template <typename T, std::size_t N> const T& pick(const T (&items)[N])
    {
        return items[below(static_cast<unsigned>(N))];
    }

private:
    std::uint64_t m_state;
};

} // namespace bibliora::support
