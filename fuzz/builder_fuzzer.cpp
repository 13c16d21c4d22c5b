// buildIsoRecord over arbitrary text (UTF-8, or raw UTF-16LE code units with lone surrogates,
// NULs and every control character): the checks are builderProblem's.
#include "fuzzchecks.h"

using namespace bibliora::support;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    abortOnProblem(builderProblem(asBytes(data, size)));
    return 0;
}
