#pragma once

#include "encoding.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace bibliora {

// The encodings of the records of one file, decided in file order. A record whose bytes fit
// one encoding only keeps what detectEncoding() says, and counts as a vote for it. A record
// whose bytes fit more than one (MARC-8 diacritics that happen to form GBK pairs, a record of
// ASCII alone) takes, among those it fits, the one most of the earlier single-fit records were
// in; with no such record, or a tie, detectEncoding() decides.
class EncodingVote final
{
public:
    Encoding next(std::string_view record);
    // The same for a record whose fit was worked out already (on another thread).
    Encoding next(const EncodingFit& fit);

private:
    std::array<std::uint64_t, 3> m_votes{};
};

} // namespace bibliora
