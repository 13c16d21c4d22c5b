#pragma once

// Shared by the fuzz targets: a fixed clock, the window's save in codec terms, and a failure
// that libFuzzer records as a crash with the reason on standard error.

#include "codec.h"
#include "isocheck.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace bibliora::fuzz {

inline constexpr BuildTime kClock{2024, 1, 31, 14, 30, 5};

[[noreturn]] inline void fail(const char* what, const std::string& detail = {})
{
    std::fprintf(stderr, "\n*** fuzz check failed: %s%s%s\n", what, detail.empty() ? "" : ": ",
                 detail.c_str());
    std::abort();
}

inline void require(bool ok, const char* what, const std::string& detail = {})
{
    if (!ok)
        fail(what, detail);
}

// Saving the shown record: its display text with the CR LF the save appends, built again.
inline MarcRecord save(std::string_view record)
{
    // As the window saves: in the encoding the record is in.
    return rebuildRecord(record, formatRecordText(record) + u"\r\n", kClock).record;
}

inline void requireWellFormed(const MarcRecord& built)
{
    if (built.empty())
        return;
    const std::string problem = check::wellFormedProblem(built);
    require(problem.empty(), "built record is not well formed", problem);
}

// Saving `record` gives a well-formed record (or none), and saving that again changes
// nothing. (A record built from arbitrary text may still change once: text shorter than a
// header line gets the fallback leader, which the display then shows as a normal one.)
inline void requireStableSave(std::string_view record)
{
    const MarcRecord once = save(record);
    requireWellFormed(once);
    if (!once.empty())
        require(save(once) == once, "saving a saved record again changes it");
}

inline std::string_view asBytes(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

} // namespace bibliora::fuzz
