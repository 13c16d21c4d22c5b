#include "encodingvote.h"

namespace bibliora {

Encoding EncodingVote::next(std::string_view record)
{
    return next(fitEncodings(record));
}

Encoding EncodingVote::next(const EncodingFit& fit)
{
    if (!fit.ambiguous()) {
        ++m_votes[static_cast<std::size_t>(fit.detected)];
        return fit.detected;
    }
    Encoding best = fit.detected;
    std::uint64_t most = 0;
    bool tie = false;
    for (const Encoding e : {Encoding::Gbk, Encoding::Utf8, Encoding::Marc8}) {
        const std::uint64_t votes = m_votes[static_cast<std::size_t>(e)];
        if (!fit.fits(e) || votes == 0 || votes < most)
            continue;
        tie = votes == most;
        if (votes > most) {
            most = votes;
            best = e;
        }
    }
    return tie ? fit.detected : best;
}

} // namespace bibliora
