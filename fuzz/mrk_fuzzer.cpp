// The MARC text reader over arbitrary bytes, whole and a few bytes a step, and the MARC text
// writer over every record it read: the checks are mrkProblem's.
#include "fuzzchecks.h"

using namespace bibliora::support;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    abortOnProblem(mrkProblem(asBytes(data, size)));
    return 0;
}
