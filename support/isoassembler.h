#pragma once

// ISO 2709 records assembled from a leader and fields, the directory counted byte by byte.
// Nothing here goes through the codec, so records made here can check it.

#include <string>
#include <string_view>
#include <vector>

namespace bibliora::support {

struct IsoField
{
    std::string tag;  // three characters
    std::string data; // the field's bytes without its terminator, indicators and "\x1F" codes
                      // included
};

inline bool operator==(const IsoField& a, const IsoField& b)
{
    return a.tag == b.tag && a.data == b.data;
}

enum class LeaderLengths
{
    Computed, // the record length and base address written into the leader
    AsGiven,  // the leader kept byte for byte, whatever it says
};

// The record: `leader` (24 bytes), one directory entry per field, 0x1E, each field followed by
// 0x1E, then 0x1D. Throws std::length_error when a length does not fit its digits, or when
// `leader` or a tag has the wrong size.
std::string assembleIso(std::string_view leader, const std::vector<IsoField>& fields,
                        LeaderLengths lengths = LeaderLengths::Computed);

} // namespace bibliora::support
