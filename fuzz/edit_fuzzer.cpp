// Searches and changes over arbitrary records, expressions and replacements: the checks are
// editProblem's.
#include "fuzzchecks.h"

using namespace bibliora::support;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    abortOnProblem(editProblem(asBytes(data, size)));
    return 0;
}
