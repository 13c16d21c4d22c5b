// lookupSubfield over arbitrary records and specs: the checks are lookupProblem's.
#include "fuzzchecks.h"

using namespace bibliora::support;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    abortOnProblem(lookupProblem(asBytes(data, size)));
    return 0;
}
